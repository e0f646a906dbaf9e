#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "db/Connection.h"

namespace fo {

// A script of several statements, each ended by ";". Text between single
// quotes may hold ";" and "--"; a "--" comment outside quotes runs to the end
// of its line and is dropped. Blank statements are skipped.
std::vector<std::string> splitSqlScript(std::string_view script);

// Runs every statement of `script` on `cn`, in order; the first failure
// throws (DbError) and the rest are not run.
void runSqlScript(Connection& cn, std::string_view script);

}  // namespace fo
