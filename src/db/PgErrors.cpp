#include "db/PgErrors.h"

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

DbError pgStatementError(std::string_view sqlstate, const std::string& message, const std::string& statement) {
    return DbError(pgErrorCode(sqlstate), message, statement);
}

DbError pgConnectError(const std::string& message, const std::string& statement) {
    // Class 08: connection exception.
    return DbError(pgErrorCode("08006"), message, statement);
}

}  // namespace fo
