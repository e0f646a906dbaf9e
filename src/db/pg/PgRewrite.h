#pragma once
#include <string>
#include <string_view>

namespace fo {

// A statement as the server runs it: rewriteSql's changes, and two of the
// server's own, so that it answers as the embedded engine does. Never inside
// literals (save the one pattern below), quoted names or comments:
//  - a LIKE pattern written as a literal has each backslash doubled: the
//    server takes a backslash in a pattern as its escape character, the
//    embedded engine (and both dialects' own servers) as itself, so a clerk
//    who looks for "a\b" finds "a\b" on both and a pattern ending in one is
//    no error. A LIKE that names its own ESCAPE stays as written;
//  - a width after varchar ("varchar(20)", in a work table's columns or a
//    cast) is dropped: the server would refuse or cut a longer text there,
//    the embedded engine keeps it whole, as the server's fee tables (citext)
//    do too.
std::string serverSql(std::string_view statement);

}  // namespace fo
