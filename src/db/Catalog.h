#pragma once
#include <string>
#include <vector>

#include "db/Connection.h"

namespace fo {

// What a database holds, asked the way its engine answers: the tables of the
// database proper (not the session's temporary ones, nor the engine's own)
// and the columns of one table, names as the engine keeps them.
std::vector<std::string> tableNames(Connection& cn);
// Empty when there is no such table.
std::vector<std::string> columnNames(Connection& cn, const std::string& table);
// Whether `name` (any case) names a table or view this session sees, its
// temporary tables included.
bool tableExists(Connection& cn, const std::string& name);

}  // namespace fo
