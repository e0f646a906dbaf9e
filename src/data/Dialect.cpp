#include "data/Dialect.h"

#include "host/api/ModuleGlobals.h"

namespace fo {

namespace {
std::string cat(std::initializer_list<std::string_view> parts) {
    std::string out;
    for (std::string_view p : parts) out.append(p);
    return out;
}
}  // namespace

std::string sqlQuoted(std::string_view userText) { return "'" + sqlQuote(userText) + "'"; }

bool sqlServerNow() { return isSqlServer(gRun().SQL_access()); }

std::string sqlQuote(std::string_view userText) {
    std::string out;
    out.reserve(userText.size());
    for (char c : userText) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out;
}

std::string dateRange(bool sqlServer, std::string_view column, std::string_view dateFrom,
                      std::string_view dateTo) {
    if (sqlServer) return cat({" ", column, " between '", dateFrom, "' and '", dateTo, "' "});
    return cat({" ", column, " between  format('", dateFrom, "','yyyy-mm-dd') and format('",
                dateTo, "','yyyy-mm-dd') "});
}

std::string dateValue(bool sqlServer, std::string_view date) {
    if (sqlServer) return cat({"'", date, "'"});
    return cat({"format('", date, "','yyyy-mm-dd')"});
}

std::string nullToZero(bool sqlServer, std::string_view expression) {
    if (sqlServer) return cat({"isnull(", expression, ",0)"});
    return cat({"iif(isnull(", expression, "),0,", expression, ")"});
}

std::string nullToZeroIsNullForm(bool sqlServer, std::string_view expression) {
    if (sqlServer) return cat({"isnull(", expression, ",0)"});
    return cat({"iif(", expression, " is null,0,", expression, ")"});
}

std::string sumOrZero(bool sqlServer, std::string_view expression) {
    if (sqlServer) return cat({"isnull(sum(", expression, "),0)"});
    return cat({"iif(sum(", expression, ") is null,0,sum(", expression, "))"});
}

std::string smallerOf(bool sqlServer, std::string_view first, std::string_view second) {
    if (sqlServer)
        return cat({"case when ", first, ">", second, " then ", second, " else ", first, " end"});
    return cat({"iif(", first, ">", second, ",", second, ",", first, ")"});
}

std::string storedNow(bool sqlServer, const DateTime& now) {
    if (sqlServer) return "getdate()";
    return cat({"'", now.defaultText(), "'"});
}

std::string storedNowFormatted(bool sqlServer, const DateTime& now, std::string_view pattern) {
    SqlText sql;
    return addStoredNowFormatted(sql, sqlServer, now, pattern).text();
}

SqlText& addStoredNowFormatted(SqlText& sql, bool sqlServer, const DateTime& now, std::string_view pattern) {
    if (sqlServer) return sql.add("getdate()");
    return addQuoted(sql.add("format("), now.dateTimeText()).add(cat({",'", pattern, "')"}));
}

SqlText& addQuoted(SqlText& sql, std::string_view userText) {
    return sql.value(cat({"'", sqlQuote(userText), "'"}), Value(std::string(userText)));
}

std::string roundedBalance(bool sqlServer, std::string_view column, std::string_view amount,
                           char sign) {
    const std::string_view op = sign == '-' ? "-(" : "+(";
    if (sqlServer) return cat({column, "=", column, op, amount, ")"});
    return cat({column, "=format(", column, op, amount, "),'0.00')"});
}

std::string liveRecordCondition(bool sqlServer, std::string_view alias) {
    const std::string ysfjlid = cat({alias, ".ysfjlid"});
    return cat({nullToZeroIsNullForm(sqlServer, ysfjlid), "=0 and ", alias,
                ".id not in(select ysfjlid from kdw_sfjl)"});
}

}  // namespace fo
