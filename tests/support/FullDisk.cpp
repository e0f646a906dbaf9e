// A shim over the system's SQLite file system that refuses writes, made the
// default for the files opened while a FullDisk lasts.
#include "support/FullDisk.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstring>

#include "db/pg/PgLink.h"
#include "support/FailingWrites.h"

namespace fo::test {
namespace {

sqlite3_vfs* real = nullptr;
sqlite3_vfs shim;
bool engineFullMode = false;

// A file of the shim: its own methods first, the real file after them.
struct ShimFile {
    sqlite3_file base;
    sqlite3_file* realFile() { return reinterpret_cast<sqlite3_file*>(this + 1); }
};

ShimFile* of(sqlite3_file* f) { return reinterpret_cast<ShimFile*>(f); }

int refuseWrite(sqlite3_file*, const void*, int, sqlite3_int64) {
    errno = ENOSPC;
    return engineFullMode ? SQLITE_FULL : SQLITE_IOERR_WRITE;
}

sqlite3_io_methods methods;

// A method of the shim that hands its call on to the real file's own.
template <class Method>
struct Forward;
template <class R, class... A>
struct Forward<R (*)(sqlite3_file*, A...)> {
    template <R (*sqlite3_io_methods::*method)(sqlite3_file*, A...)>
    static R call(sqlite3_file* f, A... a) {
        sqlite3_file* r = of(f)->realFile();
        return (r->pMethods->*method)(r, a...);
    }
};
#define FO_FORWARD(name) methods.name = Forward<decltype(sqlite3_io_methods::name)>::call<&sqlite3_io_methods::name>

void copyMethods(const sqlite3_io_methods* from) {
    methods = *from;
    // Every method but the write goes to the real file.
    methods.xClose = [](sqlite3_file* f) {
        sqlite3_file* r = of(f)->realFile();
        return r->pMethods ? r->pMethods->xClose(r) : SQLITE_OK;
    };
    methods.xWrite = refuseWrite;
    FO_FORWARD(xRead);
    FO_FORWARD(xTruncate);
    FO_FORWARD(xSync);
    FO_FORWARD(xFileSize);
    FO_FORWARD(xLock);
    FO_FORWARD(xUnlock);
    FO_FORWARD(xCheckReservedLock);
    FO_FORWARD(xFileControl);
    FO_FORWARD(xSectorSize);
    FO_FORWARD(xDeviceCharacteristics);
    if (from->iVersion >= 2) {
        FO_FORWARD(xShmMap);
        FO_FORWARD(xShmLock);
        FO_FORWARD(xShmBarrier);
        FO_FORWARD(xShmUnmap);
    }
    // No memory-mapped pages: every write goes through xWrite.
    methods.iVersion = from->iVersion >= 2 ? 2 : from->iVersion;
}
#undef FO_FORWARD

int shimOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags) {
    ShimFile* s = of(f);
    std::memset(s, 0, sizeof(ShimFile));
    const int rc = real->xOpen(real, name, s->realFile(), flags, outFlags);
    if (rc != SQLITE_OK) return rc;
    copyMethods(s->realFile()->pMethods);
    s->base.pMethods = &methods;
    return SQLITE_OK;
}

// The system error behind the last failure: no room on the disk.
int lastError(sqlite3_vfs*, int, char*) { return ENOSPC; }

void installShim(bool engineFull) {
    engineFullMode = engineFull;
    real = sqlite3_vfs_find(nullptr);
    shim = *real;
    shim.zName = "feeoffice-full-disk";
    shim.szOsFile = static_cast<int>(sizeof(ShimFile)) + real->szOsFile;
    shim.xOpen = shimOpen;
    shim.xGetLastError = lastError;
    sqlite3_vfs_register(&shim, 1);
}

}  // namespace

FullDisk::FullDisk(bool engineFull) { installShim(engineFull); }

FullDisk::FullDisk(Connection& cn, bool engineFull) : cn_(&cn) {
    if (!isPostgresLink(cn.connectionString())) {
        installShim(engineFull);
        return;
    }
    for (const char* table : {"kdw_sfjl", "qfhzb"})
        undo_.push_back(failWrites(cn, table, "could not extend file", " before insert or update on ", "53100"));
}

FullDisk::~FullDisk() {
    for (const std::string& statement : undo_) cn_->execute(statement);
    if (!undo_.empty()) return;
    sqlite3_vfs_register(real, 1);
    sqlite3_vfs_unregister(&shim);
}

}  // namespace fo::test
