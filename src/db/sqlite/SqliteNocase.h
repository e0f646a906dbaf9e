#pragma once

struct sqlite3;

namespace fo {

// Puts on one SQLite session a faster NOCASE collation that orders exactly as
// SQLite's own: ASCII letters folded to lower case, every other byte as it
// stands, a NUL in the left text ending the comparison, and the shorter text
// first when one is a prefix of the other. Every text column of the fee
// schema is NOCASE, so each search of a text index (a receipt's record found
// by its bill number, once per row of the register) compares through it;
// SQLite's own walks byte by byte, this one compares eight bytes at a time
// up to the first that differs. An index written by another program with
// SQLite's own collation is read, searched and checked the same.
// Returns the SQLite result code.
int registerNocaseCollation(sqlite3* db);

}  // namespace fo
