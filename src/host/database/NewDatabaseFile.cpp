#include "host/database/NewDatabaseFile.h"

#include <filesystem>
#include <stdexcept>

namespace fo {
namespace {

namespace fs = std::filesystem;

// The fee file's companions: the engine's journal and shared memory, and
// the counters' file with its own.
const char* const kCompanions[] = {"", "-wal", "-shm", "-journal", ".counters", ".counters-wal", ".counters-shm",
                                   ".counters-journal"};

void removeAll(const std::string& path) {
    std::error_code ec;
    for (const char* suffix : kCompanions) fs::remove(path + suffix, ec);
}

}  // namespace

NewDatabaseFile::NewDatabaseFile(std::string target) : target_(std::move(target)), temporary_(target_ + ".part") {
    std::error_code ec;
    if (fs::exists(target_, ec)) throw std::runtime_error("文件已存在，不能覆盖：" + target_);
    removeAll(temporary_);
}

NewDatabaseFile::~NewDatabaseFile() {
    if (!kept_) removeAll(temporary_);
}

void NewDatabaseFile::keep() {
    std::error_code ec;
    if (fs::exists(target_, ec)) throw std::runtime_error("文件已存在，不能覆盖：" + target_);
    // The shared memory is rebuilt from the file; the rest moves with it,
    // the fee file last, so its name appears only with everything beside it.
    for (const char* suffix : {"-shm", ".counters-shm"}) fs::remove(temporary_ + suffix, ec);
    for (const char* suffix : {"-wal", "-journal", ".counters", ".counters-wal", ".counters-journal"})
        if (fs::exists(temporary_ + suffix, ec)) fs::rename(temporary_ + suffix, target_ + suffix);
    fs::rename(temporary_, target_);
    kept_ = true;
}

}  // namespace fo
