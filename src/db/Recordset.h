#pragma once
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/Value.h"

namespace fo {

class RecordsetFilter;

struct FieldInfo {
    std::string name;
    DataType type = DataType::Empty;
    int size = 0;
};

// A client-side, fully materialised result set, or a set built in memory
// field by field. No engine resource is held: it outlives its connection.
//
// Cursor semantics follow ADO: a freshly opened set stands on its first row
// (EOF when empty); MoveNext past the last row sets EOF; reading a field at
// EOF throws DbError(NoCurrentRow).
class Recordset {
public:
    enum State { Closed = 0, Open = 1 };

    Recordset() = default;

    // --- building (in-memory sets and engines) ---
    // Appends a field; only while the set has no rows.
    void appendField(std::string name, DataType type = DataType::Empty, int size = 0);
    // Opens an in-memory set (ADO: rs.Open with no connection).
    void open();
    // Appends a row of nulls and makes it current (ADO: AddNew). Set its
    // fields through field(...) then carry on; there is no separate Update.
    void addNew();
    // Appends a complete row (engines use this); does not move the cursor.
    void appendRow(std::vector<Value> row);

    // --- reading ---
    int state() const { return state_; }
    void close();
    std::size_t fieldCount() const { return fields_.size(); }
    const FieldInfo& fieldInfo(std::size_t index) const;
    // Field index by case-insensitive name; -1 when unknown.
    int fieldIndex(std::string_view name) const;
    // Current row's value by index or by case-insensitive name. Throws DbError
    // (NoSuchField / NoCurrentRow).
    Value& field(std::size_t index);
    Value& field(std::string_view name);
    const Value& field(std::size_t index) const;
    const Value& field(std::string_view name) const;

    bool eof() const;
    bool bof() const;
    void moveFirst();
    void moveNext();
    void moveLast();
    // Rows visible through the current filter.
    long recordCount() const;
    // Position within the visible rows (0-based), -1 at EOF.
    long absolutePosition() const;

    // ADO Filter: "" clears it. Accepts comparisons `field like 'pattern'`
    // (% and _ wildcards, case-insensitive), `field = 'text'`, `field = number`,
    // `<>`, `<`, `>`, `<=`, `>=`, joined by `or` / `and`, with parentheses.
    // Field names may be bracketed ([学号]). Moves to the first visible row.
    void setFilter(const std::string& expression);
    const std::string& filter() const { return filterText_; }

    // Every row, unfiltered, for code that needs direct access.
    const std::vector<std::vector<Value>>& rows() const { return rows_; }

private:
    void requireOpen() const;
    void rebuildView();
    std::size_t currentRow() const;

    std::vector<FieldInfo> fields_;
    std::vector<std::vector<Value>> rows_;
    std::vector<std::size_t> view_;  // visible row indexes in order
    std::size_t pos_ = 0;            // index into view_
    std::string filterText_;
    std::shared_ptr<const RecordsetFilter> compiledFilter_;  // null when no filter
    int state_ = Closed;
};

using RecordsetPtr = std::shared_ptr<Recordset>;

}  // namespace fo
