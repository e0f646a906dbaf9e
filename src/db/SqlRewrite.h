#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace fo {

// The few changes the embedded engine needs so that the module's statements
// run on it as written. Applied to one statement at a time, never to text
// inside string literals, quoted or bracketed names, or comments:
//  - isnull(...) and left(...) become "isnull"(...) and "left"(...), since the
//    engine reads those words as keywords ("left join" stays as it is);
//  - a number directly followed by "and" or "or" ("1=1and") gets a blank
//    before the word, since the engine would read "1and" as one bad token
//    where the other engines read a number and a conjunction;
//  - a leading "select top N" becomes "select" with " limit N" at the end.
// Nothing else is translated: the statements keep their own dialect.
std::string rewriteSql(std::string_view statement);

// Splits a script at the ';' that end its statements (not those inside
// literals, names, comments or a trigger body). Blank pieces are dropped.
std::vector<std::string_view> splitStatements(std::string_view script);

}  // namespace fo
