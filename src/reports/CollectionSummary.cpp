#include "reports/CollectionSummary.h"

#include <map>
#include <stdexcept>
#include <tuple>

#include "db/values/DateTime.h"

namespace fo::collection {
namespace {

const char* const kCaptions[] = {"月份", "操作员", "收款账户", "收费项目", "收费金额", "作废金额",
                                 "减免金额", "减免冲销", "退款金额", "预收款"};

bool startsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

std::string accountName(const std::string& account) {
    if (account == "1") return "现金";
    if (account == "2") return "银行存款";
    return account;
}

std::string day(const std::string& text) {
    const auto d = DateTime::parse(text);
    if (!d) throw std::invalid_argument("日期不正确：" + text);
    return d->dateText();
}

std::string operatorFilter(const char* column, const std::string& operatorId) {
    if (operatorId.empty()) return {};
    for (char c : operatorId)
        if (c < '0' || c > '9') throw std::invalid_argument("操作员编号不正确：" + operatorId);
    return std::string(" and ") + column + "=" + operatorId;
}

using Key = std::tuple<std::string, long, std::string, long>;  // month, operator, account, item

}  // namespace

std::vector<Line> lines(Connection& cn, const std::string& from, const std::string& to, const std::string& operatorId) {
    const std::string f = day(from), t = day(to);
    std::map<Key, Line> byKey;
    auto lineOf = [&](Recordset& rs, const std::string& account) -> Line& {
        const std::string month = rs.field("at").toText().substr(0, 7);
        const long uid = rs.field("uid").toInt(), item = rs.field("sfxmid").toInt();
        Line& l = byKey[{month, uid, account, item}];
        l.month = month;
        l.operatorId = std::to_string(uid);
        l.operatorName = rs.field("uname").isNull() ? l.operatorId : rs.field("uname").toText();
        l.account = account;
        l.itemId = std::to_string(item);
        l.itemName = rs.field("item").isNull() ? (item == 0 ? "预收款" : l.itemId) : rs.field("item").toText();
        return l;
    };
    // Cash: the journal's rows by the day and operator that booked them.
    for (RecordsetPtr rs = cn.execute(
             "select j.userID as uid,u.name as uname,l.subid as account,j.czrq as at,j.djbh as djbh,i.sfxmid as sfxmid,"
             "m.mc as item,i.je as je,i.ysk as ysk from INandOutML j inner join INandOut l on l.num=j.id inner join"
             " kdw_sfjlmx i on i.sfjlid=j.id left join sys_user u on u.id=j.userID left join kdw_sfxm m on"
             " m.id=i.sfxmid where j.czrq>='" + f + "' and j.czrq<'" + t + "'" + operatorFilter("j.userID", operatorId) +
             " order by j.id");
         !rs->eof(); rs->moveNext()) {
        Line& l = lineOf(*rs, std::to_string(rs->field("account").toInt()));
        const std::string djbh = rs->field("djbh").toText();
        const Currency je = rs->field("je").toCurrency(), ysk = rs->field("ysk").toCurrency();
        if (startsWith(djbh, "QXSF")) {
            l.voided += je;
        } else if (startsWith(djbh, "SF")) {
            l.charged += je;
            l.prepaid += ysk;
        } else if (startsWith(djbh, "YSK")) {
            l.prepaid += je;
        } else if (startsWith(djbh, "TF")) {
            l.refunded -= je;
        }
    }
    // Reductions and their cancellations, which move no cash.
    for (RecordsetPtr rs = cn.execute(
             "select a.operid as uid,u.name as uname,a.rq as at,a.djbh as djbh,i.sfxmid as sfxmid,m.mc as item,"
             "i.jmje as jmje from kdw_sfjl a inner join kdw_sfjlmx i on i.sfjlid=a.id left join sys_user u on"
             " u.id=a.operid left join kdw_sfxm m on m.id=i.sfxmid where (a.djbh like 'JM%' or a.djbh like 'QXJM%')"
             " and a.rq>='" + f + "' and a.rq<'" + t + "'" + operatorFilter("a.operid", operatorId) + " order by a.id");
         !rs->eof(); rs->moveNext()) {
        Line& l = lineOf(*rs, "");
        (startsWith(rs->field("djbh").toText(), "QX") ? l.reductionsCancelled : l.reduced) +=
            rs->field("jmje").toCurrency();
    }
    std::vector<Line> out;
    out.reserve(byKey.size());
    for (auto& [key, l] : byKey) out.push_back(std::move(l));
    return out;
}

Line totalOf(const std::vector<Line>& lines) {
    Line t;
    t.month = "合计";
    for (const Line& l : lines) {
        t.charged += l.charged;
        t.voided += l.voided;
        t.reduced += l.reduced;
        t.reductionsCancelled += l.reductionsCancelled;
        t.refunded += l.refunded;
        t.prepaid += l.prepaid;
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
        const std::string values[] = {l.month, l.operatorName, accountName(l.account), l.itemName,
                                      l.charged.format00(), l.voided.format00(), l.reduced.format00(),
                                      l.reductionsCancelled.format00(), l.refunded.format00(), l.prepaid.format00()};
        for (std::size_t i = 0; i < std::size(kCaptions); ++i) rs->field(kCaptions[i]) = Value(values[i]);
    }
    if (rs->recordCount() > 0) rs->moveFirst();
    return rs;
}

std::string asText(const std::string& heading, const std::vector<Line>& lines) {
    std::string out = heading + "\n";
    for (std::size_t i = 0; i < std::size(kCaptions); ++i) out += std::string(i ? "\t" : "") + kCaptions[i];
    out += "\n";
    RecordsetPtr rs = asRecordset(lines);
    for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
        for (std::size_t i = 0; i < std::size(kCaptions); ++i) out += (i ? "\t" : "") + rs->field(kCaptions[i]).toText();
        out += "\n";
    }
    return out;
}

}  // namespace fo::collection
