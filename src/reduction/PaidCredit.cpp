#include "reduction/PaidCredit.h"

#include <map>
#include <set>
#include <utility>

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

// The term and year a fee month belongs to, as periodsOfDate reads them of
// a day; the host's period object is left on the month it was on.
PeriodsOfDate periodsOfMonth(HostSystem& run, const std::string& month) {
    PeriodsOfDate out;
    auto period = run.pFindJzDate();
    if (!period || month.empty()) return out;
    const std::string was = period->monthQf();
    period->setDdateFromYF(month);
    out = {month, period->termTag(), period->yearTag()};
    if (!was.empty() && was != month) period->setDdateFromYF(was);
    return out;
}

// The period an item of a credit dated `date` belongs to: its charge kind
// and the key it is owed under ("" when the calendar has none).
struct CreditPeriod {
    int kind = -1;
    std::string key;
};
CreditPeriod creditPeriodOf(Connection& cn, HostSystem& run, const std::string& item, const PeriodsOfDate& held) {
    RecordsetPtr kindRs = cn.execute("select jflx from kdw_sfxm where id=" + item);
    if (!kindRs || kindRs->eof()) return {};
    const int kind = static_cast<int>(kindRs->field("jflx").toInt());
    return {kind, creditPeriodKey(run, held, kind)};
}

// The live credits of `item` for the student in the period, dated in it as
// every reduction is, first first.
struct LiveCredit {
    std::string id, djbh;
    Currency amount;
};
std::vector<LiveCredit> liveCredits(Connection& cn, HostSystem& run, const std::string& student, const std::string& item,
                                    const CreditPeriod& period) {
    std::vector<LiveCredit> out;
    for (RecordsetPtr rs = cn.execute("select a.id,a.djbh,a.sfrq,b.ysk from kdw_sfjl as a inner join kdw_sfjlmx as b on"
                                      " b.sfjlid=a.id where left(a.djbh,2)='JM' and coalesce(a.ysfjlid,0)=0 and"
                                      " not exists(select 1 from kdw_sfjl as m where m.ysfjlid=a.id) and b.ysk>0"
                                      " and a.xsid=" + student + " and b.sfxmid=" + item + " order by a.id");
         rs && !rs->eof(); rs->moveNext())
        if (creditPeriodKey(run, periodsOfDate(run, creditDayOf(rs->field("sfrq"))), period.kind) == period.key)
            out.push_back({creditIdText(rs->field("id")), rs->field("djbh").toText(), rs->field("ysk").toCurrency()});
    return out;
}

// The document number of the payment a credit of `item` follows: the
// latest live charge that paid the item in the period ("" when none).
std::string paymentFollowed(Connection& cn, HostSystem& run, const std::string& student, const std::string& item,
                            const CreditPeriod& period) {
    std::map<std::string, PeriodsOfDate> months;
    std::string djbh;
    for (RecordsetPtr rs = cn.execute("select a.djbh,a.sfyf from kdw_sfjl as a inner join kdw_sfjlmx as b on"
                                      " b.sfjlid=a.id where left(a.djbh,2)<>'JM' and left(a.djbh,3)<>'YSK' and"
                                      " coalesce(a.ysfjlid,0)=0 and not exists(select 1 from kdw_sfjl as m where"
                                      " m.ysfjlid=a.id) and b.je>0 and a.xsid=" + student + " and b.sfxmid=" + item +
                                      " order by a.id");
         rs && !rs->eof(); rs->moveNext()) {
        const std::string month = rs->field("sfyf").toText();
        auto held = months.find(month);
        if (held == months.end()) held = months.emplace(month, periodsOfMonth(run, month)).first;
        if (period.kind == run.jflxOne() || creditPeriodKey(run, held->second, period.kind) == period.key)
            djbh = rs->field("djbh").toText();
    }
    return djbh;
}

// What the earlier requests of a previewed batch put into the balances.
struct PlannedBalances {
    std::map<std::string, Currency> student;
    std::map<std::pair<std::string, std::string>, Currency> item;
};

}  // namespace

std::vector<std::string> creditLineCaptions() {
    return {"学生", "班级", "所属期", "收费项目", "转入预收款", "所随缴费单据", "预收款余额（前）", "预收款余额（后）"};
}

Currency creditCap(Connection& cn, HostSystem& run, const std::string& xsid, const std::string& itemId,
                   const std::string& date) {
    const std::string student = number(xsid, "xsid"), item = number(itemId, "sfxmid");
    const PeriodsOfDate held = periodsOfDate(run, date);
    if (held.month.empty()) return {};
    // A carried-over month's dues are stored arrears, settled by their own
    // lines; what was paid there is no longer the computed dues' to credit.
    if (creditRowsExist(cn, "select count(*) from hisxsinfo where xsid=0 and jzyf=" + sqlQuoted(held.month))) return {};
    const CreditPeriod period = creditPeriodOf(cn, run, item, held);
    const std::string& key = period.key;
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
    Currency credited;
    for (const LiveCredit& c : liveCredits(cn, run, student, item, period)) credited += c.amount;
    // Paid (less what went to prepayment) less reduced less credited, with
    // the credits' own 0-credit and credit taken out of the dues' figures.
    const Currency cap = (je - ye + credited) - (jmje - credited) - credited;
    return cap < Currency() ? Currency() : cap;
}

namespace {

// The credit's plan; `planned` (a preview of a batch) holds what the batch's
// earlier requests put into the balances, which a preview does not write.
plan::Plan planCredit(Connection& cn, HostSystem& run, const CreditRequest& r, plan::Draws& draws, CreditDrawn* drawn,
                      PlannedBalances* planned) {
    plan::Plan p(!draws.posting());
    const std::string& xsid = number(r.xsid, "xsid");
    BookNames names(cn);
    const std::string who = names.student(Value(xsid));
    // One line per item, as a settlement's: the payment the credit follows
    // in place of the arrears row, the balance before and after in place
    // of what was owed and is left.
    const PeriodsOfDate held = periodsOfDate(run, r.date);
    std::vector<Value> followed;
    std::vector<std::string> keys;
    auto lines = [&](const Currency& before) {
        if (!p.describes()) return;
        p.summary.captions = creditLineCaptions();
        const std::string refusal = p.refused() ? p.refusals.front().reason : std::string();
        Currency balance = before;
        for (std::size_t n = 0; n < r.items.size(); ++n) {
            const CreditedItem& item = r.items[n];
            plan::Line line;
            line.cells = {Value(who), Value(r.bjmc), Value(n < keys.size() ? keys[n] : held.month),
                          Value(item.itemName),
                          Value(item.amount)};
            if (!refusal.empty() || n >= followed.size()) {
                line.cells.insert(line.cells.end(), {Value(), Value(), Value()});
            } else {
                line.cells.insert(line.cells.end(), {followed[n], Value(balance), Value(balance + item.amount)});
                balance += item.amount;
            }
            line.refusal = refusal;
            p.summary.lines.push_back(std::move(line));
        }
    };

    Currency total;
    std::set<std::string> seen;
    for (const CreditedItem& item : r.items) {
        if (!seen.insert(idKey(item.itemId)).second) {
            p.refuse("duplicate", "收费项目[" + item.itemName + "]在本次减免中出现了不止一次，请合并为一行。");
            lines({});
            return p;
        }
        if (const std::string bad = amountRefusal(item.itemName, item.amount); !bad.empty()) {
            p.refuse("amount", bad);
            lines({});
            return p;
        }
        const std::string itemId = number(item.itemId, "sfxmid");
        const CreditPeriod period = creditPeriodOf(cn, run, itemId, held);
        keys.push_back(period.key);
        if (r.oncePerPeriod && !period.key.empty())
            if (const auto earlier = liveCredits(cn, run, xsid, itemId, period); !earlier.empty()) {
                p.refuse("second-credit",
                         "收费项目[" + item.itemName + "]所属期[" + period.key + "]已由减免[" + earlier.front().djbh +
                             "]转入预收款，批量减免不再转入第二次；如需再减，请先取消该减免或在单个学生减免中办理。",
                         earlier.front().id, earlier.front().djbh);
                lines({});
            return p;
            }
        const Currency cap = creditCap(cn, run, xsid, item.itemId, r.date);
        if (item.amount > cap) {
            p.refuse("credit-cap", "收费项目[" + item.itemName + "]已缴费用中可转入预收款的减免至多 " + cap.format00() +
                                       "（已缴减去已减免和已转入的），本次 " + item.amount.format00() + "。");
            lines({});
            return p;
        }
        const std::string payment = paymentFollowed(cn, run, xsid, itemId, period);
        followed.push_back(payment.empty() ? Value() : Value(payment));
        total += item.amount;
    }
    if (total.isZero()) {
        p.refuse("zero", "本次减免无效。原因：减免合计为０");
        lines({});
        return p;
    }

    const bool sqlServer = isSqlServer(run.SQL_access());
    const Datum djbh = draws.number("JM"), id = draws.id("INandOutML"), now = draws.moment();
    if (drawn) *drawn = {id, djbh, total};
    const std::string userId = run.gUserid(), userName = run.gusername();
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
        const auto plannedShare = planned ? planned->item.find({xsid, itemId}) : decltype(planned->item)::iterator();
        const bool plannedBefore = planned && plannedShare != planned->item.end();
        if ((share && !share->eof()) || plannedBefore) {
            const Currency before = (share && !share->eof() ? share->field("ysk").toCurrency() : Currency()) +
                                    (plannedBefore ? plannedShare->second : Currency());
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
        if (planned) planned->item[{xsid, itemId}] += item.amount;
    }
    RecordsetPtr pupil = cn.execute("select ysk from kdw_xs where id=" + xsid);
    const Currency before = (pupil && !pupil->eof() ? pupil->field("ysk").toCurrency() : Currency()) +
                            (planned ? planned->student[xsid] : Currency());
    if (planned) planned->student[xsid] += total;
    p.run([&] { return "update kdw_xs set " + roundedBalance(sqlServer, "ysk", total.format00()) + " where id=" + xsid; },
          1);
    p.update("kdw_xs", cells({{"id", Value(xsid)}}), "ysk", Value(before), Value(before + total),
             "预收款余额：" + who + " " + before.format00() + " → " + (before + total).format00());
    lines(before);
    return p;
}

plan::Draws postingDraws(HostSystem& run) {
    return plan::Draws([&run](const std::string& counter) { return run.pGetMaxId(counter); },
                       [&run](const std::string& prefix) { return run.pGetBillNum(prefix); });
}

}  // namespace

plan::Plan creditPlan(Connection& cn, HostSystem& run, const CreditRequest& r, plan::Draws& draws,
                      CreditDrawn* drawn) {
    return planCredit(cn, run, r, draws, drawn, nullptr);
}

std::string postCredit(HostSystem& run, const CreditRequest& request) {
    ConnectionPtr trCn = run.pgettrcn();
    try {
        plan::Draws draws = postingDraws(run);
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

std::vector<plan::Plan> previewCredits(Connection& cn, HostSystem& run, const std::vector<CreditRequest>& requests) {
    std::vector<plan::Plan> plans;
    PlannedBalances planned;
    for (const CreditRequest& r : requests) {
        plan::Draws preview;
        plans.push_back(planCredit(cn, run, r, preview, nullptr, &planned));
    }
    return plans;
}

std::vector<std::string> postCredits(HostSystem& run, const std::vector<CreditRequest>& requests,
                                     const std::vector<plan::Plan>* seen, const std::function<void()>& step) {
    std::vector<std::string> refused(requests.size());
    ConnectionPtr trCn = run.pgettrcn();
    try {
        trCn->beginTrans();
        bool any = false;
        for (std::size_t i = 0; i < requests.size(); ++i) {
            // Each plan draws its own values, numbered from 1 as the
            // preview's plan of the request numbered them.
            plan::Draws draws = postingDraws(run);
            CreditDrawn drawn;
            const plan::Plan p = planCredit(*trCn, run, requests[i], draws, &drawn, nullptr);
            if (p.refused()) {
                refused[i] = p.refusals.front().reason;
            } else if (seen) {
                static const plan::Plan unseen;
                const plan::Plan& shown = i < seen->size() ? (*seen)[i] : unseen;
                if (const auto changed = plan::differences(shown, p); !changed.empty())
                    refused[i] = plan::changedSincePreview(changed);
            }
            if (refused[i].empty()) {
                auditPosting(*trCn, "批量减免", drawn.djbh.text(), drawn.total);
                plan::execute(*trCn, p);
            }
            any = any || !refused[i].empty();
            if (step) step();
        }
        if (any) {
            dropTransaction(trCn);
            return refused;
        }
        trCn->commitTrans();
        trCn->close();
        return refused;
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
