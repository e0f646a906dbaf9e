#pragma once
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

#include <unistd.h>

namespace fo::test {

// A fresh, empty directory for one test, under $FEEOFFICE_TEST_TMP (set by
// ctest) or the system's temporary directory; removed with everything in it
// when the object goes.
class TempDir {
public:
    TempDir() {
        namespace fs = std::filesystem;
        const char* base = std::getenv("FEEOFFICE_TEST_TMP");
        fs::path parent = (base && *base) ? fs::path(base) : fs::temp_directory_path();
        fs::create_directories(parent);
        std::string pattern = (parent / "feeoffice-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a temporary directory under " + parent.string());
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // A path for a file named `name` inside the directory (not created).
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

}  // namespace fo::test
