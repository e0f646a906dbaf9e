#pragma once
#include <string>
#include <string_view>

#include "db/DbError.h"

namespace fo {

// A SQLSTATE ("40P01") as the integer code a DbError carries, packed six
// bits a character as the server packs it, and back again.
int pgErrorCode(std::string_view sqlstate);
std::string pgSqlState(int code);

// The kind a SQLSTATE means: its class (the first two characters) for most,
// a few single states where the class says too little.
DbErrorKind pgErrorKind(std::string_view sqlstate);

// The error of a statement the server refused, with its SQLSTATE: the
// clerk's words for its kind, the server's own as the engine text.
DbError pgStatementError(std::string_view sqlstate, const std::string& message, const std::string& statement);
// The error of a session that could not be opened or was lost; `database`
// is the server database as the clerk knows it.
DbError pgConnectError(const std::string& message, const std::string& database, const std::string& statement = {});

}  // namespace fo
