#pragma once
#include <string>
#include <string_view>

#include "db/DbError.h"

namespace fo {

// A SQLSTATE ("40P01") as the integer code a DbError carries, packed six
// bits a character as the server packs it, and back again.
int pgErrorCode(std::string_view sqlstate);
std::string pgSqlState(int code);

// The error of a statement the server refused, with its SQLSTATE.
DbError pgStatementError(std::string_view sqlstate, const std::string& message, const std::string& statement);
// The error of a session that could not be opened or was lost.
DbError pgConnectError(const std::string& message, const std::string& statement = {});

}  // namespace fo
