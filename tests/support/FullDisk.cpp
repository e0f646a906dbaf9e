// A shim over the system's SQLite file system that refuses writes, made the
// default for the files opened while a FullDisk lasts.
#include "support/FullDisk.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstring>

#include "db/pg/PgLink.h"

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

void copyMethods(const sqlite3_io_methods* from) {
    methods = *from;
    // Every method but the write goes to the real file.
    methods.xClose = [](sqlite3_file* f) {
        sqlite3_file* r = of(f)->realFile();
        const int rc = r->pMethods ? r->pMethods->xClose(r) : SQLITE_OK;
        return rc;
    };
    methods.xRead = [](sqlite3_file* f, void* b, int n, sqlite3_int64 o) {
        return of(f)->realFile()->pMethods->xRead(of(f)->realFile(), b, n, o);
    };
    methods.xWrite = refuseWrite;
    methods.xTruncate = [](sqlite3_file* f, sqlite3_int64 n) {
        return of(f)->realFile()->pMethods->xTruncate(of(f)->realFile(), n);
    };
    methods.xSync = [](sqlite3_file* f, int flags) { return of(f)->realFile()->pMethods->xSync(of(f)->realFile(), flags); };
    methods.xFileSize = [](sqlite3_file* f, sqlite3_int64* n) {
        return of(f)->realFile()->pMethods->xFileSize(of(f)->realFile(), n);
    };
    methods.xLock = [](sqlite3_file* f, int l) { return of(f)->realFile()->pMethods->xLock(of(f)->realFile(), l); };
    methods.xUnlock = [](sqlite3_file* f, int l) { return of(f)->realFile()->pMethods->xUnlock(of(f)->realFile(), l); };
    methods.xCheckReservedLock = [](sqlite3_file* f, int* out) {
        return of(f)->realFile()->pMethods->xCheckReservedLock(of(f)->realFile(), out);
    };
    methods.xFileControl = [](sqlite3_file* f, int op, void* arg) {
        return of(f)->realFile()->pMethods->xFileControl(of(f)->realFile(), op, arg);
    };
    methods.xSectorSize = [](sqlite3_file* f) { return of(f)->realFile()->pMethods->xSectorSize(of(f)->realFile()); };
    methods.xDeviceCharacteristics = [](sqlite3_file* f) {
        return of(f)->realFile()->pMethods->xDeviceCharacteristics(of(f)->realFile());
    };
    if (from->iVersion >= 2) {
        methods.xShmMap = [](sqlite3_file* f, int pg, int sz, int extend, void volatile** p) {
            return of(f)->realFile()->pMethods->xShmMap(of(f)->realFile(), pg, sz, extend, p);
        };
        methods.xShmLock = [](sqlite3_file* f, int offset, int n, int flags) {
            return of(f)->realFile()->pMethods->xShmLock(of(f)->realFile(), offset, n, flags);
        };
        methods.xShmBarrier = [](sqlite3_file* f) { of(f)->realFile()->pMethods->xShmBarrier(of(f)->realFile()); };
        methods.xShmUnmap = [](sqlite3_file* f, int del) {
            return of(f)->realFile()->pMethods->xShmUnmap(of(f)->realFile(), del);
        };
    }
    // No memory-mapped pages: every write goes through xWrite.
    methods.iVersion = from->iVersion >= 2 ? 2 : from->iVersion;
}

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

std::string failName(const std::string& table) { return "full_disk_" + table; }

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

FullDisk::FullDisk(Connection& cn, bool engineFull) : cn_(&cn), server_(isPostgresLink(cn.connectionString())) {
    if (server_) {
        for (const char* table : {"kdw_sfjl", "qfhzb"}) {
            const std::string name = failName(table);
            cn_->execute("create function " + name + "() returns trigger language plpgsql as 'begin raise exception"
                        " ''could not extend file'' using errcode = ''53100''; end'");
            cn_->execute("create trigger " + name + " before insert or update on " + table +
                        " for each row execute function " + name + "()");
        }
        return;
    }
    installShim(engineFull);
}

FullDisk::~FullDisk() {
    if (server_) {
        for (const char* table : {"kdw_sfjl", "qfhzb"}) {
            cn_->execute("drop trigger " + failName(table) + " on " + table);
            cn_->execute("drop function " + failName(table) + "()");
        }
        return;
    }
    sqlite3_vfs_register(real, 1);
    sqlite3_vfs_unregister(&shim);
}

}  // namespace fo::test
