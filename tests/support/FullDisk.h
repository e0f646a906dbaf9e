#pragma once
#include <string>
#include <vector>

#include "db/Connection.h"

namespace fo::test {

// A disk with no room left, for the sessions the program opens while it
// lasts, on the engine `cn` is on. On SQLite every file opened after it
// began writes nothing: each write fails as the system's write does on a
// full disk (ENOSPC behind an I/O error, as when the disk fills between the
// engine's own checks), or with SQLite's own SQLITE_FULL when `engineFull`.
// On a server, every record written fails with the server's disk_full.
class FullDisk {
public:
    explicit FullDisk(Connection& cn, bool engineFull = false);
    // The embedded engine's files alone.
    explicit FullDisk(bool engineFull = false);
    ~FullDisk();
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

private:
    Connection* cn_ = nullptr;
    std::vector<std::string> undo_;  // on a server: what takes the failures back
};

}  // namespace fo::test
