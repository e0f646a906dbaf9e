#pragma once
#include <string>

#include "db/DbError.h"

namespace fo {

// The data layer's error for an SQLite result code: the kind the code means,
// a Chinese description that says what to do, and SQLite's own words as the
// engine text. `path` is the database file, named where the clerk needs it.
DbError sqliteError(int extendedCode, const std::string& engineText, const std::string& statement,
                    const std::string& path);

// The kind alone (a busy or locked database is Busy, and so on).
DbErrorKind sqliteErrorKind(int extendedCode);

}  // namespace fo
