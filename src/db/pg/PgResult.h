#pragma once
#include <string_view>

#include "db/Recordset.h"

struct pg_result;

namespace fo {

// A PostgreSQL result read into a materialised set, each field as the
// module reads it from every engine: whole numbers as integers, numeric
// (money) as currency, floating point as doubles, dates and date-times as
// dates, booleans as 1 and 0, everything else as text. The server folds
// unquoted names to lower case; a field whose name is written in `statement`
// in another case ("PjMLid") gets that case back.
RecordsetPtr readPgResult(const pg_result* result, std::string_view statement);

}  // namespace fo
