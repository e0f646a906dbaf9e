#pragma once
#include <string>
#include <vector>

#include "db/Connection.h"

namespace fo {

// What a server's fee table refuses that the embedded engine keeps: a text
// that is no date in a date column (a timestamp there), and a text longer
// than a column's declared width (the document numbers; every other text
// column of the server's fee schema is citext, of any length).
struct ServerColumn {
    std::string table;
    std::string column;
    bool date = false;
    int width = 0;  // characters; 0 when unbounded
};

// The date columns and the bounded text columns of the fee tables on a
// server's fee database.
std::vector<ServerColumn> serverColumnsWithLimits(Connection& server);

// Reads the embedded `source` for values those columns would refuse, every
// table in one scan each, and throws std::runtime_error, in Chinese, naming
// each (table, column, the row's rowid and the value) and what to do, when
// there is any. An empty date text is no refusal: the copy carries it.
void refuseWhatTheServerWouldNotTake(Connection& source, const std::vector<ServerColumn>& columns);

}  // namespace fo
