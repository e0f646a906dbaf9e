#include "batch/ReductionStatements.h"

#include "data/Dialect.h"
#include "db/DbError.h"

namespace fo::reduction {
namespace {

// Error number of a value that cannot stand where a number is written.
constexpr int kTypeMismatch = 13;

// `text` unchanged when it is a plain decimal number; otherwise the call
// fails, since unquoted text would change the statement itself.
const std::string& number(const std::string& text, const char* what) {
    if (!Currency::parse(text)) throw DbError(kTypeMismatch, std::string("类型不匹配: ") + what + "=" + text);
    return text;
}

std::string quoted(const std::string& text) { return "'" + sqlQuote(text) + "'"; }

}  // namespace

std::string recordInsert(const RecordValues& v) {
    return std::string("insert into KDW_sfjl(id,sfrq,sflxid,xsid,bjmc,jmje,jmyy,") + CRLF +
           "ysfjlid,qfkid,hkid" + CRLF + ",rq,operid,sfyf,skr,djbh)" + CRLF + "values(" + v.id +
           "," + quoted(v.sfrq) + "," + number(v.sflxid, "sflxid") + "," + CRLF +
           number(v.xsid, "xsid") + ",'" + v.bjmc + "'," + v.jmje.plainText() + ",'" + v.jmyy +
           "'," + CRLF + "0,0,0," + CRLF + "'" + v.rq.defaultText() + "'," + v.operid + "," +
           quoted(v.sfyf) + "," + quoted(v.skr) + "," + quoted(v.djbh) + ")";
}

std::string itemInsert(const std::string& recordId, const clsJMmx& item) {
    return "insert into KDW_sfjlmx(sfjlid, sfxmid, jmje,feeTermName,cqts,ysje,ye)values(" +
           recordId + "," + number(item.strXmid(), "sfxmid") + "," + item.sngJMje().format00() +
           "," + quoted(item.str_FeeTermName()) + "," + std::to_string(item.lngCqts()) + "," +
           item.sngYsje().plainText() + ",0)";
}

std::string overReductionWarning(const clsJMmx& item) {
    return "收费项目[" + item.strXmmc() + "]" + CRLF + "应收金额：" + item.sngYsje().plainText() +
           CRLF + CRLF + "减免金额不能大于应收金额";
}

std::string settlementEntry(const clsJMmx& item) {
    return item.strQFYF() + ":" + item.strXmid() + "|" + item.sngJMje().plainText();
}

SettlementList parseSettlementList(const std::string& text) {
    SettlementList list;
    if (text.empty()) return list;
    std::size_t begin = 0;
    for (;;) {
        const std::size_t comma = text.find(',', begin);
        const std::string entry = text.substr(begin, comma == std::string::npos ? std::string::npos : comma - begin);
        const std::size_t colon = entry.find(':');
        list.months.push_back(entry.substr(0, colon));
        const std::string item = colon == std::string::npos ? std::string() : entry.substr(colon + 1);
        const std::size_t bar = item.find('|');
        list.items.push_back({item.substr(0, bar), bar == std::string::npos ? std::string() : item.substr(bar + 1)});
        if (comma == std::string::npos) break;
        begin = comma + 1;
    }
    return list;
}

std::string openArrearsQuery(const std::string& xsId, const std::vector<std::string>& months) {
    std::string monthList;
    for (const auto& month : months) monthList += "," + quoted(month);
    return "select * from qfhzb where fkrq is null and xsid=" + number(xsId, "xsid") +
           " and qfyf in(" + monthList.substr(1) + ") ";
}

std::string itemReductionUpdate(const SettledItem& item, const std::string& qfkid,
                                const std::string& xsId) {
    return "update qfmxb set jmje=" + number(item.amount, "jmje") + " where qfkid=" + qfkid +
           " and sfxmid=" + number(item.itemId, "sfxmid") + " and xsid=" + number(xsId, "xsid");
}

std::string cappedSumQuery(bool sqlServer, const std::string& qfkid, const std::string& xsId) {
    return "select sum(" + smallerOf(sqlServer, "jmje", "qfje") + "),sum(qfje) from qfmxb  where qfkid=" +
           qfkid + " and xsid=" + number(xsId, "xsid");
}

std::string closeArrearsRow(bool sqlServer, Currency capped, const std::string& recordId,
                            const DateTime& now, const std::string& qfkid, const std::string& xsId) {
    const std::string settledAt = sqlServer ? std::string(" getdate()") : storedNowFormatted(false, now);
    return "update qfhzb set jmje=" + capped.plainText() + ",jmjlid=" + recordId + ",fkrq=" + settledAt +
           " where qfkid=" + qfkid + " and xsid=" + number(xsId, "xsid");
}

std::string remainderInsert(bool sqlServer, const std::string& newQfkid, const std::string& qfyf,
                            const std::string& xsid, Currency remainder,
                            const std::string& oldQfkid, const std::string& userId,
                            const DateTime& now) {
    return "insert into qfhzb(qfkid,qfyf,xsid,qfrq,qfje,sjqfje,fkje,yqfkid,userid,cqts,qjts,jmje)values(" +
           newQfkid + "," + quoted(qfyf) + "," + xsid + "," + storedNowFormatted(sqlServer, now, "yyyy-mm-dd") +
           "," + remainder.plainText() + ",0,0," + oldQfkid + "," + userId + ",0,0,0)";
}

std::string remainderItemsCopy(const std::string& newQfkid, const std::string& oldQfkid,
                               const std::string& xsid) {
    return "insert into qfmxb(qfkid,xsid,sflxid,sfxmid,qfje,fkje,jmje)select " + newQfkid +
           ",xsid,sflxid,sfxmid,qfje-jmje,0,0 from qfmxb where qfkid=" + oldQfkid + " and xsid=" + xsid +
           " and fkje<qfje";
}

}  // namespace fo::reduction
