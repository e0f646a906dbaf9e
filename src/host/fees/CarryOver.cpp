#include "host/fees/CarryOver.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>
#include <vector>

#include "data/FeeStatistics.h"
#include "data/PgServerRoles.h"
#include "db/pg/PgLink.h"
#include "db/values/Currency.h"
#include "host/fees/Calendar.h"
#include "host/fees/Dues.h"
#include "host/database/SqlText.h"
#include "host/api/AuditTrail.h"

namespace fo {
namespace {

// One owed item of a student in one period.
struct OwedItem {
    std::string xsid, period, sfxmid, sflxid;
    Currency amount;
};

std::string itemsCountedInArrears(Connection& cn) {
    std::string ids;
    auto rs = cn.execute("select id from kdw_sfxm where id>0 and qftj='Y' order by id");
    for (; rs && !rs->eof(); rs->moveNext()) ids += (ids.empty() ? "" : ",") + rs->field(0).toText();
    return ids;
}

// The positive balances of the work table, ordered by student and period.
std::vector<OwedItem> readOwedItems(Connection& cn, const std::string& table) {
    std::vector<OwedItem> out;
    auto rs = cn.execute("select w.xsid,w.sfyf,w.sfxmid,w.ysje,w.jfje,w.jmje,x.sflxid from " + table +
                         " as w inner join kdw_xs as x on x.id=w.xsid order by w.xsid,w.sfyf,w.sfxmid");
    for (; rs && !rs->eof(); rs->moveNext()) {
        // Each amount is exact to four decimals; the difference is taken here,
        // not in SQL, so no binary fraction creeps into a stored balance.
        const Currency owed = rs->field(3).toCurrency() - (rs->field(4).toCurrency() + rs->field(5).toCurrency());
        if (owed <= Currency()) continue;
        out.push_back(OwedItem{rs->field(0).toText(), rs->field(1).toText(), rs->field(2).toText(),
                               rs->field(6).isNull() ? "0" : rs->field(6).toText(), owed});
    }
    return out;
}

void requireOpenMonth(const Calendar& cal, const std::string& yf) {
    auto month = cal.month(yf);
    if (!month || !month->usable())
        throw std::runtime_error("月份[" + yf + "]没有设置起止日期，不能结转！");
    const std::string open = cal.currentYf();
    if (open != yf)
        throw std::runtime_error("月份[" + yf + "]不是当前未结转的月份" +
                                 (open.empty() ? std::string() : "（当前月份：" + open + "）") +
                                 "，不能结转！");
}

}  // namespace

int bookCarryOver(Connection& cn, const std::string& yf, const std::function<std::string()>& nextArrearsId,
                  const std::string& userId) {
    const Calendar cal(ConnectionPtr(ConnectionPtr(), &cn));
    requireOpenMonth(cal, yf);
    const std::string lastDay = cal.month(yf)->toDate;
    const std::string user = digitsOnly(userId) ? userId : "0";

    std::vector<OwedItem> owed;
    const std::string items = itemsCountedInArrears(cn);
    if (!items.empty()) {
        // On a server an operator's role creates tables only in the work schema.
        std::string table = isPostgresLink(cn.connectionString()) ? std::string(PgWorkSchema) + ".tmpJZ" : "tmpJZ";
        for (unsigned char c : yf)
            if (std::isalnum(c)) table += static_cast<char>(c);
        fillArrearsWorkTable(cn, table, yf, items, "", "", "", "");
        owed = readOwedItems(cn, table);
        cn.execute("drop table " + table);
    }

    int rows = 0;
    for (std::size_t first = 0; first < owed.size();) {
        std::size_t end = first;
        Currency total;
        while (end < owed.size() && owed[end].xsid == owed[first].xsid && owed[end].period == owed[first].period)
            total += owed[end++].amount;
        const std::string qfkid = nextArrearsId();
        const std::string amount = total.plainText();
        cn.execute("insert into qfhzb(qfkid,qfyf,xsid,qfrq,qfje,sjqfje,fkje,jmje,jmjlid,sfjlid,yqfkid,userid,cqts,qjts)"
                   " values(" + qfkid + "," + sqlLiteral(owed[first].period) + "," + owed[first].xsid + "," +
                   sqlLiteral(lastDay) + "," + amount + "," + amount + ",0,0,0,0,0," + user + ",0,0)");
        std::string values;
        for (std::size_t i = first; i < end; ++i)
            values += std::string(values.empty() ? "" : ",") + "(" + qfkid + "," + owed[i].xsid + "," +
                      owed[i].sflxid + "," + owed[i].sfxmid + "," + owed[i].amount.plainText() + ",0,0)";
        cn.execute("insert into qfmxb(qfkid,xsid,sflxid,sfxmid,qfje,fkje,jmje) values" + values);
        ++rows;
        first = end;
    }
    cn.execute("insert into hisxsinfo(xsid,jzyf) values(0," + sqlLiteral(yf) + ")");
    return rows;
}

std::string earlyCarryOverWarning(HostSystem& host, const std::string& yf, const std::string& today) {
    const std::shared_ptr<PeriodObject> period = host.pFindJzDate();
    period->setDdateFromYF(yf);
    const std::string last = period->monthQFdateT().substr(0, 10);
    if (last.empty() || today >= last) return {};
    return monthCaption(yf) + "还没有结束（最后一天是 " + last +
           "）。提前结转后，本月的收据不能再作废，本月的欠费按今天的应收计算。";
}

void carryOverMonth(Connection& cn, HostSystem& host, const std::string& yf) {
    const std::string user = host.gUserid();
    Transaction tx(cn);
    auditPosting(cn, "月末结转", yf);
    bookCarryOver(cn, yf, [&host] { return host.pGetMaxId("qfhzb"); }, user);
    tx.commit();
    // A month's arrears went in at once: the planner learns of them now, not
    // when the clerk next closes the program.
    gatherFeeStatistics(cn);
}

}  // namespace fo
