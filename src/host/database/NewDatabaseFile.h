#pragma once
#include <string>

namespace fo {

// A new embedded fee file, written under a temporary name beside its target
// and given the target's name only once it is whole: a failure, or the
// program killed meanwhile, never leaves a file (empty or half-written)
// under the target's name that a retry would refuse as existing.
class NewDatabaseFile {
public:
    // Throws std::runtime_error when `target` exists. A temporary file left
    // by an earlier attempt that was killed is removed.
    explicit NewDatabaseFile(std::string target);
    // Removes the temporary file and its companions unless kept.
    ~NewDatabaseFile();
    NewDatabaseFile(const NewDatabaseFile&) = delete;
    NewDatabaseFile& operator=(const NewDatabaseFile&) = delete;

    // Where to write: the temporary file.
    const std::string& path() const { return temporary_; }
    // Gives the file, and its counters beside it, the target's name. Every
    // session on it must be closed. Throws std::runtime_error when the
    // target appeared meanwhile (nothing is replaced).
    void keep();

private:
    std::string target_, temporary_;
    bool kept_ = false;
};

}  // namespace fo
