#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
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

// A row change with its plain literals taken out, so that changes of the
// same shape share one prepared statement: whole numbers of up to 18 digits
// and '...' texts become "?", and `values` holds them, in order, to bind.
struct LiteralParameters {
    std::string text;
    std::vector<std::variant<std::int64_t, std::string>> values;
};
// Only INSERT, UPDATE, DELETE, REPLACE and SELECT statements are taken
// apart; literals in a select list stay (result columns are named after their
// text), save in the outermost one of a row change, and so do those of ORDER
// BY and GROUP BY lists (a number there is a column position). None is taken
// apart where a literal may mean something other than its value (a result
// column after RETURNING, an ON CONFLICT target) or that has parameters of
// its own; nullopt when nothing is taken out. A
// literal in a place that only takes a name makes the text fail to prepare,
// and the caller then runs the statement as written.
std::optional<LiteralParameters> literalsAsParameters(std::string_view statement);

// The "?" parameters of a statement as "$1", "$2", … in the order they
// stand, as the server numbers them (never one inside a literal, a quoted
// name or a comment); `count` receives how many there are.
std::string numberedParameters(std::string_view statement, int& count);

// Splits a script at the ';' that end its statements (not those inside
// literals, names, comments or a trigger body). Blank pieces are dropped.
std::vector<std::string_view> splitStatements(std::string_view script);

// The words of a statement (names and keywords as written), in order; never
// those inside literals, quoted names or comments.
std::vector<std::string_view> sqlWords(std::string_view statement);

}  // namespace fo
