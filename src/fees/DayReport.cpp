#include "fees/DayReport.h"

#include <map>
#include <tuple>

#include "data/Dialect.h"
#include "db/values/DateTime.h"
#include "reduction/JmjlStatements.h"

namespace fo::cashday {
namespace {

bool startsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

const char* const kCaptions[] = {"操作员", "收款账户", "收据张数", "收费金额", "作废张数", "作废金额",
                                 "退款张数", "退款金额", "预收款收取", "预收款划扣", "应交现金"};

std::string accountName(const std::string& account) {
    if (account == "1") return "现金";
    if (account == "2") return "银行存款";
    return account;
}

}  // namespace

std::vector<Line> dayLines(Connection& cn, const std::string& date, const std::string& operatorId) {
    const auto day = DateTime::parse(date);
    if (!day) throw std::invalid_argument("日期不正确：" + date);
    const std::string from = day->dateText(), to = day->addDays(1).dateText();
    std::string sql =
        "select j.userID as uid,u.name as uname,l.subid as account,j.djbh as djbh,l.addje as addje,l.subje as subje,"
        "r.je as je,r.hkje as hkje,r.ysk as ysk from INandOutML j inner join INandOut l on l.num=j.id"
        " left join kdw_sfjl r on r.id=j.id left join sys_user u on u.id=j.userID"
        " where j.czrq>='" + from + "' and j.czrq<'" + to + "'";
    if (!operatorId.empty()) sql += " and j.userID=" + jmjl::number(operatorId, "operator");
    std::map<std::tuple<long, long>, Line> byKey;
    for (RecordsetPtr rs = cn.execute(sql + " order by j.userID,l.subid,j.id"); !rs->eof(); rs->moveNext()) {
        const long uid = rs->field("uid").toInt(), account = rs->field("account").toInt();
        Line& l = byKey[{uid, account}];
        l.operatorId = std::to_string(uid);
        l.operatorName = rs->field("uname").isNull() ? l.operatorId : rs->field("uname").toText();
        l.account = std::to_string(account);
        const std::string djbh = rs->field("djbh").toText();
        const Currency je = rs->field("je").toCurrency(), ysk = rs->field("ysk").toCurrency();
        l.drawer += rs->field("addje").toCurrency() - rs->field("subje").toCurrency();
        if (startsWith(djbh, "QXSF")) {
            ++l.voids;
            l.voided += je;
        } else if (startsWith(djbh, "SF")) {
            ++l.receipts;
            l.charged += je;
            l.prepaidUsed += rs->field("hkje").toCurrency();
            if (ysk > Currency()) l.prepaidTaken += ysk;
        } else if (startsWith(djbh, "YSK")) {
            l.prepaidTaken += je;
        } else if (startsWith(djbh, "TF")) {
            ++l.refunds;
            l.refunded -= je;
        }
    }
    std::vector<Line> out;
    for (auto& [key, l] : byKey) out.push_back(std::move(l));
    return out;
}

Line totalOf(const std::vector<Line>& lines) {
    Line t;
    t.operatorName = "合计";
    for (const Line& l : lines) {
        t.receipts += l.receipts;
        t.charged += l.charged;
        t.voids += l.voids;
        t.voided += l.voided;
        t.refunds += l.refunds;
        t.refunded += l.refunded;
        t.prepaidTaken += l.prepaidTaken;
        t.prepaidUsed += l.prepaidUsed;
        t.drawer += l.drawer;
    }
    return t;
}

RecordsetPtr asRecordset(const std::vector<Line>& lines) {
    auto rs = std::make_shared<Recordset>();
    for (const char* c : kCaptions) rs->appendField(c, DataType::VarChar, 50);
    rs->open();
    std::vector<Line> all = lines;
    all.push_back(totalOf(lines));
    for (const Line& l : all) {
        rs->addNew();
        const std::string values[] = {l.operatorName, l.account.empty() ? "" : accountName(l.account),
                                      std::to_string(l.receipts), l.charged.format00(), std::to_string(l.voids),
                                      l.voided.format00(), std::to_string(l.refunds), l.refunded.format00(),
                                      l.prepaidTaken.format00(), l.prepaidUsed.format00(), l.drawer.format00()};
        for (std::size_t i = 0; i < std::size(kCaptions); ++i) rs->field(kCaptions[i]) = Value(values[i]);
    }
    if (rs->recordCount() > 0) rs->moveFirst();
    return rs;
}

std::string asText(const std::string& date, const std::vector<Line>& lines) {
    std::string out = "收费日报 " + date + "\n";
    for (std::size_t i = 0; i < std::size(kCaptions); ++i) out += std::string(i ? "\t" : "") + kCaptions[i];
    out += "\n";
    RecordsetPtr rs = asRecordset(lines);
    for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
        for (std::size_t i = 0; i < std::size(kCaptions); ++i) out += (i ? "\t" : "") + rs->field(kCaptions[i]).toText();
        out += "\n";
    }
    return out;
}

}  // namespace fo::cashday
