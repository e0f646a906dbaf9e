#pragma once
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace fo::test {

// A file the program may not write while this lasts: its write permission
// taken away, and, for a user whom permissions do not stop (root), the
// file marked immutable. The file is as it was again afterwards.
class ReadOnlyFile {
public:
    explicit ReadOnlyFile(std::string path) : path_(std::move(path)) {
        ::chmod(path_.c_str(), 0444);
        if (::access(path_.c_str(), W_OK) == 0)
            immutable_ = std::system(("chattr +i '" + path_ + "' 2>/dev/null").c_str()) == 0;
    }
    ~ReadOnlyFile() {
        if (immutable_) {
            [[maybe_unused]] const int rc = std::system(("chattr -i '" + path_ + "'").c_str());
        }
        ::chmod(path_.c_str(), 0644);
    }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
    // Whether the program really cannot write it now.
    bool holds() const { return ::access(path_.c_str(), W_OK) != 0; }

private:
    std::string path_;
    bool immutable_ = false;
};

}  // namespace fo::test
