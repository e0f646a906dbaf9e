#pragma once
#include <map>
#include <string>
#include <string_view>

namespace fo {

// What the result columns of a select statement stand for, read token-aware
// from its top-level select list: each column's name as its rows give it
// ("编号" for "a.djbh as 编号", "id" for "a.id") mapped to the expression
// ("a.djbh"). A condition on a column of the rows can then be written on the
// statement itself, where the names of its select list mean nothing.
std::map<std::string, std::string> selectedColumns(std::string_view sql);

// `sql` with `condition` added to its top-level WHERE ("… and (condition)"),
// or a WHERE put before its GROUP BY, HAVING or ORDER BY (or at its end)
// when it has none. A row limit ("select top N") then applies to the rows
// that meet it.
std::string withCondition(std::string_view sql, std::string_view condition);

}  // namespace fo
