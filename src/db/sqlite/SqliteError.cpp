#include "db/sqlite/SqliteError.h"

#include <sqlite3.h>

#include <cerrno>
#include <filesystem>

namespace fo {

int systemErrorOf(sqlite3* db) {
    const int left = errno;
    const int kept = sqlite3_system_errno(db);
    return kept != 0 ? kept : left;
}

DbErrorKind sqliteErrorKind(int extendedCode) {
    if (extendedCode == SQLITE_READONLY_DBMOVED) return DbErrorKind::Missing;
    switch (extendedCode & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return DbErrorKind::Busy;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH: return DbErrorKind::ReadOnly;
    case SQLITE_FULL: return DbErrorKind::DiskFull;
    case SQLITE_CORRUPT: return DbErrorKind::Corrupt;
    case SQLITE_NOTADB: return DbErrorKind::NotFeeDatabase;
    case SQLITE_CANTOPEN: return DbErrorKind::Connection;
    case SQLITE_CONSTRAINT: return DbErrorKind::Constraint;
    default: return DbErrorKind::Other;
    }
}

DbError sqliteError(int extendedCode, const std::string& engineText, const std::string& statement,
                    const std::string& path, int systemErrno) {
    DbErrorKind kind = sqliteErrorKind(extendedCode);
    if ((extendedCode & 0xff) == SQLITE_IOERR && (systemErrno == ENOSPC || systemErrno == EDQUOT))
        kind = DbErrorKind::DiskFull;
    std::string text;
    switch (kind) {
    case DbErrorKind::Busy: text = dbtext::Busy; break;
    case DbErrorKind::ReadOnly: text = dbtext::ReadOnly; break;
    case DbErrorKind::DiskFull: text = dbtext::DiskFull; break;
    case DbErrorKind::Corrupt: text = dbtext::Corrupt; break;
    case DbErrorKind::Constraint: text = dbtext::Constraint; break;
    case DbErrorKind::Missing:
        text = "费用数据库文件“" + path + "”在使用中被移动、改名或删除了，本次操作没有保存。请重新打开数据库。";
        break;
    case DbErrorKind::NotFeeDatabase: text = "文件“" + path + "”不是数据库文件，不能当作费用数据库打开。"; break;
    case DbErrorKind::Connection: {
        std::error_code ec;
        if (!path.empty() && !std::filesystem::exists(path, ec)) {
            kind = DbErrorKind::Missing;
            text = "找不到费用数据库文件“" + path + "”。它可能被移动、改名或删除了；请在“打开数据库”中重新选择。";
        } else {
            text = "无法打开费用数据库文件“" + path + "”。请让管理员检查该文件及其所在文件夹的权限。";
        }
        break;
    }
    default:
        text = (extendedCode & 0xff) == SQLITE_IOERR
                   ? "读写费用数据库文件时出错（磁盘或网络故障），本次操作没有保存。请让管理员检查磁盘后再试。"
                   : dbtext::Other;
        break;
    }
    return DbError(kind, extendedCode, std::move(text), engineText, statement);
}

}  // namespace fo
