#include "db/pg/PgErrors.h"

#include <cctype>

namespace fo {

int pgErrorCode(std::string_view sqlstate) {
    int code = 0;
    for (std::size_t i = 0; i < 5 && i < sqlstate.size(); ++i) code |= ((sqlstate[i] - '0') & 0x3F) << (6 * i);
    return code;
}

std::string pgSqlState(int code) {
    std::string out;
    for (int i = 0; i < 5; ++i) out += static_cast<char>(((code >> (6 * i)) & 0x3F) + '0');
    return out;
}

DbErrorKind pgErrorKind(std::string_view sqlstate) {
    const std::string_view cls = sqlstate.substr(0, 2);
    // Another session held what this one waited for: a deadlock, a
    // serialisation failure, a lock or statement wait that timed out.
    if (cls == "40" || sqlstate == "55P03" || sqlstate == "57014") return DbErrorKind::Busy;
    if (sqlstate == "25006" || sqlstate == "42501") return DbErrorKind::ReadOnly;
    if (sqlstate == "53100") return DbErrorKind::DiskFull;
    if (sqlstate == "XX001" || sqlstate == "XX002") return DbErrorKind::Corrupt;
    if (sqlstate == "3D000") return DbErrorKind::Missing;
    // The link broke, the server is shutting down or refused the login.
    if (cls == "08" || cls == "28" || sqlstate == "57P01" || sqlstate == "57P02" || sqlstate == "57P03")
        return DbErrorKind::Connection;
    if (cls == "23") return DbErrorKind::Constraint;
    return DbErrorKind::Other;
}

namespace {

// A statement the server's grants refused, in the clerk's words: what it
// tried ("修改", "删除", …) on which table.
std::string refusedByGrant(const std::string& message, const std::string& statement) {
    const std::string marker = "permission denied for table ";
    const std::size_t at = message.find(marker);
    std::string table = at == std::string::npos ? std::string() : message.substr(at + marker.size());
    table = table.substr(0, table.find_first_of(" ("));
    std::string first;
    for (char c : statement) {
        if (std::isalpha(static_cast<unsigned char>(c))) first += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        else if (!first.empty()) break;
    }
    const char* what = first == "update"   ? "修改"
                       : first == "delete" ? "删除"
                       : first == "insert" ? "添加"
                       : first == "select" ? "读取"
                                           : "执行";
    if (table.empty())
        return std::string("数据库服务器拒绝了这项操作：当前登录的角色没有权限") + what + "，本次操作没有保存。";
    return std::string("数据库服务器拒绝了这项操作：当前登录的角色不能") + what + "“" + table + "”，本次操作没有保存。";
}

std::string describe(DbErrorKind kind, const std::string& database) {
    const std::string name = database.empty() ? std::string("费用数据库") : "费用数据库“" + database + "”";
    switch (kind) {
    case DbErrorKind::Busy: return dbtext::Busy;
    case DbErrorKind::ReadOnly:
        return "数据库服务器不允许当前用户写入" + name + "，本次操作没有保存。请让管理员检查该用户在服务器上的权限。";
    case DbErrorKind::DiskFull: return "数据库服务器的磁盘空间已满，本次操作没有保存。请让管理员清理服务器磁盘后再试。";
    case DbErrorKind::Corrupt: return "数据库服务器报告" + name + "的数据已损坏。请停止录入，并让管理员从最近的备份恢复。";
    case DbErrorKind::Missing:
        return "数据库服务器上没有" + name + "。请检查数据库名称，或让管理员先建立它（feeoffice init-demo 或 feeoffice copy）。";
    case DbErrorKind::Connection:
        return "无法连接数据库服务器上的" + name + "，本次操作没有保存。请检查服务器是否开启、网络是否连通，"
               "以及服务器地址、端口、用户名和密码（~/.pgpass 或 PGPASSWORD）是否正确。";
    case DbErrorKind::Constraint: return dbtext::Constraint;
    default: return dbtext::Other;
    }
}

}  // namespace

DbError pgStatementError(std::string_view sqlstate, const std::string& message, const std::string& statement) {
    const DbErrorKind kind = pgErrorKind(sqlstate);
    // The fee schema's own refusals (class FO) are already in the clerk's words.
    if (sqlstate.substr(0, 2) == "FO")
        return DbError(DbErrorKind::ReadOnly, pgErrorCode(sqlstate), message + "本次操作没有保存。", message, statement);
    if (sqlstate == "42501")
        return DbError(kind, pgErrorCode(sqlstate), refusedByGrant(message, statement), message, statement);
    return DbError(kind, pgErrorCode(sqlstate), describe(kind, {}), message, statement);
}

DbError pgConnectError(const std::string& message, const std::string& database, const std::string& statement) {
    // libpq gives no SQLSTATE for a login it could not complete; a database
    // the server does not have is told apart by its message.
    const bool missing = message.find("does not exist") != std::string::npos &&
                         message.find("database") != std::string::npos;
    // Nor for a refused login, told apart the same way.
    const bool refused = message.find("password authentication failed") != std::string::npos ||
                         message.find("no password supplied") != std::string::npos;
    const bool noLogin = message.find("not permitted to log in") != std::string::npos;
    const char* state = missing ? "3D000" : refused ? "28P01" : noLogin ? "28000" : "08006";
    const DbErrorKind kind = pgErrorKind(state);
    return DbError(kind, pgErrorCode(state), describe(kind, database), message, statement);
}

}  // namespace fo
