#pragma once
#include <string>

#include "db/DbError.h"

struct sqlite3;

namespace fo {

// The data layer's error for an SQLite result code: the kind the code means,
// a Chinese description that says what to do, and SQLite's own words as the
// engine text. `path` is the database file, named where the clerk needs it.
// `systemErrno` is the operating system's error behind an I/O error
// (sqlite3_system_errno): a write the disk had no room for is a full disk,
// whichever of its writes the engine was at, not a disk or network fault.
DbError sqliteError(int extendedCode, const std::string& engineText, const std::string& statement,
                    const std::string& path, int systemErrno = 0);

// The system's error behind the session's last failure: what the engine
// kept of it, else errno as the failing call left it (the engine keeps it
// only for some of its calls), so it must be read first.
int systemErrorOf(sqlite3* db);

// The kind alone (a busy or locked database is Busy, and so on).
DbErrorKind sqliteErrorKind(int extendedCode);

}  // namespace fo
