#include "reduction/PaidCredit.h"

#include <set>

#include "data/BookNames.h"
#include "data/Dialect.h"
#include "data/posting/DropTransaction.h"
#include "host/api/AuditTrail.h"
#include "reduction/JmjlStatements.h"
#include "reduction/ReductionChecks.h"

namespace fo::jmjl {
namespace {

using plan::cells;
using plan::Datum;

std::string creditIdText(const Value& v) { return std::to_string(v.toInt()); }

bool creditRowsExist(Connection& cn, const std::string& sql) {
    RecordsetPtr rs = cn.execute(sql);
    return rs && !rs->eof() && rs->field(std::size_t{0}).toInt() > 0;
}

// The period key an item of charge kind `kind` is owed under on a day whose
// periods are `held`.
std::string creditPeriodKey(HostSystem& run, const PeriodsOfDate& held, int kind) {
    if (kind == run.jflxMonth()) return held.month;
    if (kind == run.jflxTerm()) return held.term;
    if (kind == run.jflxYear()) return held.year;
    if (kind == run.jflxOne()) return "一次性";
    return {};
}

std::string creditDayOf(const Value& v) { return v.toDate() ? v.toDate()->dateText() : v.toText().substr(0, 10); }

}  // namespace

Currency creditCap(Connection& cn, HostSystem& run, const std::string& xsid, const std::string& itemId,
                   const std::string& date) {
    const std::string student = number(xsid, "xsid"), item = number(itemId, "sfxmid");
    const PeriodsOfDate held = periodsOfDate(run, date);
    if (held.month.empty()) return {};
    // A carried-over month's dues are stored arrears, settled by their own
    // lines; what was paid there is no longer the computed dues' to credit.
    if (creditRowsExist(cn, "select count(*) from hisxsinfo where xsid=0 and jzyf=" + sqlQuoted(held.month))) return {};
    RecordsetPtr kindRs = cn.execute("select jflx from kdw_sfxm where id=" + item);
    if (!kindRs || kindRs->eof()) return {};
    const int kind = static_cast<int>(kindRs->field("jflx").toInt());
    const std::string key = creditPeriodKey(run, held, kind);
    if (key.empty() || creditRowsExist(cn, "select count(*) from qfhzb as h inner join qfmxb as q on q.qfkid=h.qfkid where h.xsid=" +
                                   student + " and h.qfyf=" + sqlQuoted(key) + " and q.sfxmid=" + item))
        return {};

    // What the dues rules count as paid and reduced there: a credit's items
    // count 0-credit as paid and the credit as reduced.
    const ConnectionPtr borrowed(ConnectionPtr(), &cn);
    RecordsetPtr paid = run.getRptJFdata(borrowed, student, item, held.month, {}, {});
    Currency je, jmje, ye;
    if (paid && !paid->eof()) {
        je = paid->field("je").toCurrency();
        jmje = paid->field("jmje").toCurrency();
        ye = paid->field("ye").toCurrency();
    }
    if (ye < Currency()) ye = Currency();
    // The credits already made for the period, dated in it as every
    // reduction is.
    Currency credited;
    for (RecordsetPtr rs = cn.execute("select a.sfrq,b.ysk from kdw_sfjl as a inner join kdw_sfjlmx as b on"
                                      " b.sfjlid=a.id where left(a.djbh,2)='JM' and coalesce(a.ysfjlid,0)=0 and"
                                      " not exists(select 1 from kdw_sfjl as m where m.ysfjlid=a.id) and b.ysk>0"
                                      " and a.xsid=" + student + " and b.sfxmid=" + item);
         rs && !rs->eof(); rs->moveNext())
        if (creditPeriodKey(run, periodsOfDate(run, creditDayOf(rs->field("sfrq"))), kind) == key)
            credited += rs->field("ysk").toCurrency();
    // Paid (less what went to prepayment) less reduced less credited, with
    // the credits' own 0-credit and credit taken out of the dues' figures.
    const Currency cap = (je - ye + credited) - (jmje - credited) - credited;
    return cap < Currency() ? Currency() : cap;
}

plan::Plan creditPlan(Connection& cn, HostSystem& run, const CreditRequest& r, plan::Draws& draws,
                      CreditDrawn* drawn) {
    plan::Plan p(!draws.posting());
    const std::string& xsid = number(r.xsid, "xsid");
    Currency total;
    std::set<std::string> seen;
    for (const CreditedItem& item : r.items) {
        if (!seen.insert(idKey(item.itemId)).second) {
            p.refuse("duplicate", "收费项目[" + item.itemName + "]在本次减免中出现了不止一次，请合并为一行。");
            return p;
        }
        if (const std::string bad = amountRefusal(item.itemName, item.amount); !bad.empty()) {
            p.refuse("amount", bad);
            return p;
        }
        const Currency cap = creditCap(cn, run, xsid, item.itemId, r.date);
        if (item.amount > cap) {
            p.refuse("credit-cap", "收费项目[" + item.itemName + "]已缴费用中可转入预收款的减免至多 " + cap.format00() +
                                       "（已缴减去已减免和已转入的），本次 " + item.amount.format00() + "。");
            return p;
        }
        total += item.amount;
    }
    if (total.isZero()) {
        p.refuse("zero", "本次减免无效。原因：减免合计为０");
        return p;
    }

    BookNames names(cn);
    const bool sqlServer = isSqlServer(run.SQL_access());
    const Datum djbh = draws.number("JM"), id = draws.id("INandOutML"), now = draws.moment();
    if (drawn) *drawn = {id, djbh, total};
    const std::string userId = run.gUserid(), userName = run.gusername();
    const std::string who = names.student(Value(xsid));
    p.run([&] {
        return std::string("insert into KDW_sfjl(id,sfrq,sflxid,xsid,bjmc,je,jmje,ysk,jmyy,ysfjlid,qfkid,hkid,rq,operid,"
                           "sfyf,skr,djbh) values(") +
               number(id.text(), "id") + "," + sqlQuoted(r.date) + "," + number(r.sflxid, "sflxid") + "," + xsid + "," +
               sqlQuoted(r.bjmc) + ",0," + total.format00() + "," + total.format00() + "," + sqlQuoted(r.reason) +
               ",0,0,0,'" + draws.now().dateTimeText() + "'," + number(userId, "operid") + "," + sqlQuoted(r.sfyf) +
               "," + sqlQuoted(userName) + "," + sqlQuoted(djbh.text()) + ")";
    }, 1);
    p.insert("kdw_sfjl", cells({{"id", id}}),
             cells({{"id", id}, {"sfrq", Value(r.date)}, {"sflxid", Value(r.sflxid)}, {"xsid", Value(xsid)},
                    {"bjmc", Value(r.bjmc)}, {"je", Value(0)}, {"jmje", Value(total)}, {"ysk", Value(total)},
                    {"jmyy", Value(r.reason)}, {"ysfjlid", Value(0)}, {"qfkid", Value(0)}, {"hkid", Value(0)},
                    {"rq", now}, {"operid", Value(userId)}, {"sfyf", Value(r.sfyf)}, {"skr", Value(userName)},
                    {"djbh", djbh}}),
             "已缴费用的减免转入预收款：" + who + "，减免 " + total.format00());

    for (const CreditedItem& item : r.items) {
        const std::string itemId = number(item.itemId, "sfxmid");
        const std::string amount = item.amount.format00();
        p.run([&] {
            return "insert into KDW_sfjlmx(sfjlid,sfxmid,je,jmje,ysk,feeTermName,cqts,ysje,ye) values(" +
                   number(id.text(), "id") + "," + itemId + ",0-" + amount + "," + amount + "," + amount + "," +
                   sqlQuoted(item.feeTermName) + ",0,0,0)";
        }, 1);
        p.insert("kdw_sfjlmx", cells({{"sfjlid", id}, {"sfxmid", Value(itemId)}}),
                 cells({{"sfjlid", id}, {"sfxmid", Value(itemId)}, {"je", Value(-item.amount)},
                        {"jmje", Value(item.amount)}, {"ysk", Value(item.amount)},
                        {"feeTermName", Value(item.feeTermName)}}),
                 "减免明细（转入预收款）：" + names.item(Value(itemId)) + " " + amount);
        RecordsetPtr share = cn.execute("select ysk from XS_SFXM_YSK where xsid=" + xsid + " and sfxmid=" + itemId);
        const auto key = cells({{"xsid", Value(xsid)}, {"sfxmid", Value(itemId)}});
        if (share && !share->eof()) {
            const Currency before = share->field("ysk").toCurrency();
            p.run([&] {
                return "update XS_SFXM_YSK set " + roundedBalance(sqlServer, "ysk", amount) + " where xsid=" + xsid +
                       " and sfxmid=" + itemId;
            }, 1);
            p.update("XS_SFXM_YSK", key, "ysk", Value(before), Value(before + item.amount),
                     "项目预收款：" + who + "，" + names.item(Value(itemId)) + " 转入 " + amount);
        } else {
            p.run([&] {
                return "insert into XS_SFXM_YSK(xsid,sfxmid,ysk) values(" + xsid + "," + itemId + "," + amount + ")";
            }, 1);
            p.insert("XS_SFXM_YSK", key, cells({{"xsid", Value(xsid)}, {"sfxmid", Value(itemId)}, {"ysk", Value(item.amount)}}),
                     "项目预收款：" + who + "，" + names.item(Value(itemId)) + " 转入 " + amount);
        }
    }
    RecordsetPtr pupil = cn.execute("select ysk from kdw_xs where id=" + xsid);
    const Currency before = pupil && !pupil->eof() ? pupil->field("ysk").toCurrency() : Currency();
    p.run([&] { return "update kdw_xs set " + roundedBalance(sqlServer, "ysk", total.format00()) + " where id=" + xsid; },
          1);
    p.update("kdw_xs", cells({{"id", Value(xsid)}}), "ysk", Value(before), Value(before + total),
             "预收款余额：" + who + " " + before.format00() + " → " + (before + total).format00());
    return p;
}

std::string postCredit(HostSystem& run, const CreditRequest& request) {
    ConnectionPtr trCn = run.pgettrcn();
    try {
        plan::Draws draws([&run](const std::string& counter) { return run.pGetMaxId(counter); },
                          [&run](const std::string& prefix) { return run.pGetBillNum(prefix); });
        trCn->beginTrans();
        // Read under the books' write lock: what the window showed may have
        // changed since.
        CreditDrawn drawn;
        plan::Plan p = creditPlan(*trCn, run, request, draws, &drawn);
        if (p.refused()) throw ReductionRefused(p.refusals.front().reason);
        auditPosting(*trCn, "减免", drawn.djbh.text(), drawn.total);
        plan::execute(*trCn, p);
        trCn->commitTrans();
        trCn->close();
        return drawn.id.text();
    } catch (...) {
        dropTransaction(trCn);
        throw;
    }
}

Currency creditOf(Connection& cn, const std::string& recordId) {
    RecordsetPtr rs = cn.execute("select ysk from kdw_sfjl where left(djbh,2)='JM' and id=" + number(recordId, "id"));
    return rs && !rs->eof() ? rs->field("ysk").toCurrency() : Currency();
}

void planCreditTakeBack(Connection& cn, HostSystem& run, plan::Plan& p, const std::string& recordId) {
    const std::string id = number(recordId, "id");
    const Currency credit = creditOf(cn, id);
    if (credit <= Currency()) return;
    RecordsetPtr record = cn.execute("select xsid from kdw_sfjl where id=" + id);
    const std::string xsid = creditIdText(record->field("xsid"));
    RecordsetPtr pupil = cn.execute("select ysk from kdw_xs where id=" + xsid);
    const Currency balance = pupil && !pupil->eof() ? pupil->field("ysk").toCurrency() : Currency();
    if (balance < credit) {
        // A later charge took the credit from the balance: it goes first.
        RecordsetPtr later = cn.execute(
            "select a.id,a.djbh from kdw_sfjl as a where a.xsid=" + xsid + " and a.id>" + id +
            " and a.hkje>0 and coalesce(a.ysfjlid,0)=0 and not exists(select 1 from kdw_sfjl as m where"
            " m.ysfjlid=a.id) order by a.id desc");
        const std::string laterId = later && !later->eof() ? creditIdText(later->field("id")) : std::string();
        const std::string laterDjbh = laterId.empty() ? std::string() : later->field("djbh").toText();
        p.refuse("reverse-order",
                 reverseOrderRefusal() + CRLF + CRLF + "本次减免转入预收款 " + credit.format00() + "，预收款余额现为 " +
                     balance.format00() + (laterDjbh.empty() ? std::string() : "，已被收费[" + laterDjbh + "]划扣") + "。",
                 laterId, laterDjbh);
        return;
    }
    BookNames names(cn);
    const bool sqlServer = isSqlServer(run.SQL_access());
    const std::string who = names.student(Value(xsid));
    for (RecordsetPtr items = cn.execute("select sfxmid,ysk from kdw_sfjlmx where ysk<>0 and sfjlid=" + id +
                                         " order by sfxmid");
         items && !items->eof(); items->moveNext()) {
        const std::string itemId = creditIdText(items->field("sfxmid"));
        const Currency share = items->field("ysk").toCurrency();
        RecordsetPtr held = cn.execute("select ysk from XS_SFXM_YSK where xsid=" + xsid + " and sfxmid=" + itemId);
        const Currency before = held && !held->eof() ? held->field("ysk").toCurrency() : Currency();
        p.run([=] {
            return "update XS_SFXM_YSK set " + roundedBalance(sqlServer, "ysk", share.format00(), '-') + " where xsid=" +
                   xsid + " and sfxmid=" + itemId;
        }, 1);
        p.update("XS_SFXM_YSK", cells({{"xsid", Value(xsid)}, {"sfxmid", Value(itemId)}}), "ysk", Value(before),
                 Value(before - share), "项目预收款：" + who + "，" + names.item(Value(itemId)) + " 收回 " + share.format00());
    }
    p.run([=] {
        return "update kdw_xs set " + roundedBalance(sqlServer, "ysk", credit.format00(), '-') + " where id=" + xsid;
    }, 1);
    p.update("kdw_xs", cells({{"id", Value(xsid)}}), "ysk", Value(balance), Value(balance - credit),
             "预收款余额：" + who + " " + balance.format00() + " → " + (balance - credit).format00());
}

}  // namespace fo::jmjl
