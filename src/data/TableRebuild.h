#pragma once
#include <string>
#include <vector>

#include "db/Connection.h"

namespace fo {

// Making tables of the embedded engine again, for the schema changes SQLite
// cannot make in place (a column's collation or type), keeping every row.

// A table to make again: the statement that creates it under its own name,
// and the order its rows are copied in ("id", or "rowid" for the stored
// order).
struct RebuiltTable {
    std::string name;
    std::string statement;
    std::string order;
};

// Fills `table` from `from` (a table, possibly followed by an order) with
// every column the two have in common, `oldColumns` being those of `from`
// (columnNames).
// A column the new table declares a date (kDateColumnType) holds text: a
// number there that SQLite's date functions read as a date of the years
// 0000-9999 (a Julian day number) is written as that date's text
// ('yyyy-mm-dd', or 'yyyy-mm-dd hh:mm:ss' when it has a time of day); any
// other number is kept as the text of its digits, as the column's text
// affinity stores it.
void copyKeptColumns(Connection& cn, const std::string& table, const std::vector<std::string>& oldColumns,
                     const std::string& from);

// Makes each table again by its statement and copies its rows over, in
// one go, inside the caller's transaction. Renaming a table rewrites the
// views and triggers that name it, so every view and trigger (an office's
// own too) and the tables' indexes are taken down first and put back
// afterwards from their stored text. A table counting its keys
// (autoincrement) goes on counting above the highest it ever gave.
void rebuildTables(Connection& cn, const std::vector<RebuiltTable>& tables);

}  // namespace fo
