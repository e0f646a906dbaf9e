// The plan of a charge, a deposit or a refund, worked out from the stored
// rows, and its posting.
#include "fees/ChargePosting.h"

#include <map>
#include <set>

#include "bills/cLsBILLhead.h"
#include "data/BookNames.h"
#include "data/Dialect.h"
#include "db/Recordset.h"
#include "db/DbError.h"
#include "host/api/AuditTrail.h"
#include "host/api/Rights.h"
#include "host/demo/DemoSchoolBooks.h"
#include "host/fees/Dues.h"
#include "reduction/JmjlStatements.h"

namespace fo::charge {
namespace {

using plan::cells;
using plan::Datum;

std::string idOf(const Value& v) { return std::to_string(v.toInt()); }
std::string money(Currency c) { return c.plainText(); }
bool twoDecimals(Currency c) { return c.roundHalfAway(2) == c; }

const char* const kChanged = "该欠费已被其他操作处理，请刷新。";

// One stored open row the charge pays, with its items.
struct StoredRow {
    std::string qfkid, qfyf, xsid;
    struct Item {
        std::string listid, sfxmid, sflxid;
        Currency qfje, fkje, jmje, pay;
        Currency owed() const { return qfje - fkje - jmje; }
    };
    std::vector<Item> items;
};

std::string lineName(BookNames& names, const Line& l) { return l.period + " " + names.item(Value(l.sfxmid)); }

}  // namespace

const char* prefixOf(Kind kind) {
    switch (kind) {
        case Kind::Deposit: return "YSK";
        case Kind::Refund: return "TF";
        case Kind::Charge: break;
    }
    return "SF";
}

Totals totalsOf(const Order& o) {
    Totals t;
    if (o.kind == Kind::Deposit) {
        t.je = t.ssje = t.ysk = o.cash;
        return t;
    }
    if (o.kind == Kind::Refund) {
        t.je = t.ssje = t.ysk = -o.cash;
        return t;
    }
    Currency paid;
    for (const Line& l : o.lines) paid += l.pay;
    t.hkje = o.fromPrepayment;
    t.ssje = o.cash;
    t.ysk = o.cash + o.fromPrepayment - paid;
    t.je = paid + t.ysk;
    return t;
}

std::string orderRefusal(const Order& o) {
    auto bad = [](Currency c) { return c < Currency() || !twoDecimals(c); };
    if (bad(o.cash) || bad(o.fromPrepayment)) return "金额不能小于零，最多两位小数。";
    for (const Line& l : o.lines)
        if (bad(l.pay)) return "[" + l.period + " " + l.itemName + "]的收费金额不能小于零，最多两位小数。";
    if (o.kind != Kind::Charge) {
        if (!o.lines.empty() || !o.fromPrepayment.isZero()) return "预收款和退预收款不收欠费，也不划扣。";
        if (o.cash.isZero()) return o.kind == Kind::Deposit ? "请输入预收金额。" : "请输入退款金额。";
        return {};
    }
    Currency paid;
    std::set<std::string> seen;
    for (const Line& l : o.lines) {
        paid += l.pay;
        if (l.pay > l.owedShown) return "[" + l.period + " " + l.itemName + "]收费 " + l.pay.format00() + " 超过尚欠 " + l.owedShown.format00() + "。";
        if (!seen.insert(l.qfkid + "|" + l.period + "|" + l.sfxmid).second) return "同一收费项目不能收两次：" + l.itemName;
        if (l.days < 0 || l.days > 366 || (l.days > 0 && !l.qfkid.empty()))
            return "[" + l.period + " " + l.itemName + "]的天数不对。";
    }
    if (paid.isZero()) return "请勾选要收的费用，并输入本次收费金额。";
    if (o.fromPrepayment > paid) return "划扣金额 " + o.fromPrepayment.format00() + " 超过本次应收 " + paid.format00() + "。";
    if (o.cash + o.fromPrepayment < paid)
        return "实收 " + o.cash.format00() + " 加划扣 " + o.fromPrepayment.format00() + " 不足本次应收 " + paid.format00() + "。";
    return {};
}

void planCharge(Connection& cn, HostSystem& run, plan::Plan& p, const Order& o, plan::Draws& draws, Drawn& drawn) {
    if (const std::string why = orderRefusal(o); !why.empty()) return p.refuse("order", why);
    const bool sqlServer = isSqlServer(run.SQL_access());
    const std::string xsid = jmjl::number(o.xsid, "xsid");
    RecordsetPtr pupil = cn.execute("select a.id,a.xh,a.xm,a.sflxid,a.ysk,a.bcsfrq,a.scsfrq,a.del,b.mc as bjmc from kdw_xs a"
                                    " left join kdw_bj b on b.id=a.bjid where a.id=" + xsid);
    if (!pupil || pupil->eof() || pupil->field("del").toInt() != 0) return p.refuse("student", "找不到该学生，请刷新。");
    // Only a student of the operator's categories, as every list shows him.
    if (const std::string category = run.getXSLBlistInSQL(" lb1 "); !category.empty()) {
        RecordsetPtr seen = cn.execute("select id from kdw_xs where id=" + xsid + category);
        if (!seen || seen->eof()) return p.refuse("student", "该学生不在您可以收费的学生类别中。");
    }
    const Currency balance = pupil->field("ysk").toCurrency();
    const Totals t = totalsOf(o);
    if ((!t.hkje.isZero() || o.kind == Kind::Refund) && balance != o.balanceShown)
        return p.refuse("balance", "该学生的预收款余额已变为 " + balance.format00() + "，请刷新。");
    if (t.hkje > balance || -t.ysk > balance)
        return p.refuse("balance", "预收款余额 " + balance.format00() + " 不足。");

    BookNames names(cn);
    // A deposit may be kept on one fee item the school still uses.
    const std::string prepaidItem = o.kind == Kind::Deposit ? jmjl::number(o.depositItem, "sfxmid") : "0";
    if (prepaidItem != "0") {
        RecordsetPtr used = cn.execute("select id from kdw_sfxm where del=0 and id=" + prepaidItem);
        if (!used || used->eof()) return p.refuse("order", "预收款的收费项目已停用或不存在，请刷新。");
    }
    const std::string yf = run.CurrentYf();
    // What each line owes now, read under the lock: a stored row must still
    // be open and untouched, the open month's dues must be what was shown.
    std::map<std::string, StoredRow> rows;
    for (const Line& l : o.lines) {
        if (l.qfkid.empty()) {
            const ItemDues d = itemDues(cn, xsid, jmjl::number(l.sfxmid, "sfxmid"), yf,
                                        l.days > 0 ? std::optional<int>(l.days) : std::nullopt);
            if (d.stored || d.period != l.period || d.owed() != l.owedShown || (l.days > 0 && d.days != l.days))
                return p.refuse("changed", lineName(names, l) + "：" + kChanged);
            continue;
        }
        auto [it, fresh] = rows.try_emplace(l.qfkid);
        StoredRow& r = it->second;
        if (fresh) {
            RecordsetPtr h = cn.execute("select qfkid,qfyf,xsid,fkje,fkrq,sfjlid,jmjlid from qfhzb where qfkid=" +
                                        jmjl::number(l.qfkid, "qfkid"));
            if (!h || h->eof() || !h->field("fkrq").isNull() || idOf(h->field("xsid")) != xsid ||
                h->field("sfjlid").toInt() != 0 || h->field("jmjlid").toInt() != 0 || !h->field("fkje").toCurrency().isZero())
                return p.refuse("changed", lineName(names, l) + "：" + kChanged);
            r.qfkid = l.qfkid;
            r.qfyf = h->field("qfyf").toText();
            r.xsid = xsid;
            for (RecordsetPtr i = cn.execute("select listid,sfxmid,sflxid,qfje,fkje,jmje from qfmxb where qfkid=" + r.qfkid +
                                             " order by listid");
                 !i->eof(); i->moveNext())
                r.items.push_back({idOf(i->field("listid")), idOf(i->field("sfxmid")),
                                   i->field("sflxid").isNull() ? std::string() : idOf(i->field("sflxid")),
                                   i->field("qfje").toCurrency(), i->field("fkje").toCurrency(),
                                   i->field("jmje").toCurrency(), Currency()});
        }
        StoredRow::Item* item = nullptr;
        for (auto& i : r.items)
            if (i.sfxmid == l.sfxmid && !item) item = &i;
        if (!item || r.qfyf != l.period || item->owed() != l.owedShown)
            return p.refuse("changed", lineName(names, l) + "：" + kChanged);
        item->pay += l.pay;
    }

    // --- the numbers ---
    drawn.djbh = draws.number(prefixOf(o.kind));
    drawn.recordId = draws.id("INandOutML");
    const Datum now = draws.moment();
    const std::string today = draws.now().dateText();
    const Datum O = drawn.recordId, D = drawn.djbh;
    const std::string bjmc = pupil->field("bjmc").toText(), sflxid = idOf(pupil->field("sflxid"));
    const std::string clerk = run.gusername(), clerkId = jmjl::number(run.gUserid(), "userid");
    const Value student(xsid);
    const std::string who = names.student(student);

    // --- the record and its items ---
    // The record keeps the charge dates it replaces, copied as they are
    // stored, for its void to put back.
    const std::string replacedDates = "(select scsfrq from kdw_xs where id=" + xsid + "),(select bcsfrq from kdw_xs where id=" +
                                      xsid + ")";
    p.run([&] {
        return "insert into kdw_sfjl(id,djbh,sfrq,sflxid,xsid,bjmc,je,tzje,zhekou,scjy,hkje,ssje,ysk,jmje,InOrOut,"
               "skzhid,skr,bz,rq,operid,sfyf,ysfjlid,qfkid,hkid,yscsfrq,ybcsfrq) values(" + O.text() + "," + sqlQuoted(D.text()) + ",'" +
               today + "'," + sflxid + "," + xsid + "," + sqlQuoted(bjmc) + "," + money(t.je) + ",0,0,0," +
               money(t.hkje) + "," + money(t.ssje) + "," + money(t.ysk) + ",0,1," + jmjl::number(o.account, "skzhid") +
               "," + sqlQuoted(clerk) + "," + sqlQuoted(o.remark) + ",'" + draws.now().dateTimeText() + "'," + clerkId +
               "," + sqlQuoted(yf) + ",0,0,0," + replacedDates + ")";
    }, 1);
    p.insert("kdw_sfjl", cells({{"id", O}}),
             cells({{"id", O}, {"djbh", D}, {"sfrq", Value(today)}, {"xsid", student}, {"bjmc", Value(bjmc)},
                    {"je", Value(t.je)}, {"hkje", Value(t.hkje)}, {"ssje", Value(t.ssje)}, {"ysk", Value(t.ysk)},
                    {"skzhid", Value(o.account)}, {"skr", Value(clerk)}, {"rq", now}, {"sfyf", Value(yf)},
                    {"yscsfrq", pupil->field("scsfrq")}, {"ybcsfrq", pupil->field("bcsfrq")}}),
             std::string(o.kind == Kind::Charge ? "收费记录：" : o.kind == Kind::Deposit ? "预收款：" : "退预收款：") +
                 who + "，金额 " + t.je.format00());
    auto item = [&](const std::string& sfxmid, Currency je, Currency ysje, Currency ysk, const std::string& term,
                    int days, const std::string& reason) {
        p.run([&, sfxmid, je, ysje, ysk, term, days] {
            return "insert into kdw_sfjlmx(sfjlid,sfxmid,je,ysje,ye,jmje,ysk,feetermname,cqts) values(" + O.text() + "," +
                   sfxmid + "," + money(je) + "," + money(ysje) + ",0,0," + money(ysk) + "," + sqlQuoted(term) + "," +
                   std::to_string(days) + ")";
        }, 1);
        p.insert("kdw_sfjlmx", cells({{"sfjlid", O}, {"sfxmid", Value(sfxmid)}}),
                 cells({{"sfjlid", O}, {"sfxmid", Value(sfxmid)}, {"je", Value(je)}, {"ysje", Value(ysje)},
                        {"ysk", Value(ysk)}, {"feetermname", Value(term)}, {"cqts", Value(days)}}),
                 reason);
    };
    for (const Line& l : o.lines)
        if (!l.pay.isZero())
            item(jmjl::number(l.sfxmid, "sfxmid"), l.pay, l.owedShown, Currency(), l.period, l.days,
                 "收费明细：" + lineName(names, l) + (l.days > 0 ? " " + std::to_string(l.days) + "天" : "") + " " +
                     l.pay.format00());
    const std::string prepaidTerm = t.ysk < Currency() ? "退预收款" : "预收款";
    if (!t.ysk.isZero())
        item(prepaidItem, t.ysk, Currency(), t.ysk, prepaidTerm, 0,
             prepaidTerm + (prepaidItem == "0" ? "" : "（" + names.item(Value(prepaidItem)) + "）") + " " + t.ysk.format00());

    // --- the cash journal ---
    p.run([&] {
        return "insert into INandOutML(djbh,id,cw_date,je,userID,jzyf,czrq,jbr,zy,checked,yjlid) values(" +
               sqlQuoted(D.text()) + "," + O.text() + ",'" + today + "'," + money(t.ssje) + "," + clerkId + "," +
               sqlQuoted(yf) + ",'" + draws.now().dateTimeText() + "'," + sqlQuoted(clerk) + "," +
               sqlQuoted(o.kind == Kind::Charge ? "收费" : prepaidTerm) + ",0,0)";
    }, 1);
    p.insert("INandOutML", cells({{"id", O}}), cells({{"djbh", D}, {"id", O}, {"je", Value(t.ssje)}}),
             "现金日记账：" + who);
    const Currency in = t.ssje > Currency() ? t.ssje : Currency(), out = t.ssje < Currency() ? -t.ssje : Currency();
    p.run([&] {
        return "insert into INandOut(num,subid,addje,subje,jd,rootid) values(" + O.text() + "," +
               jmjl::number(o.account, "skzhid") + "," + money(in) + "," + money(out) + ",1,1)";
    }, 1);
    p.insert("INandOut", cells({{"num", O}, {"subid", Value(o.account)}}),
             cells({{"num", O}, {"subid", Value(o.account)}, {"addje", Value(in)}, {"subje", Value(out)}}),
             "日记账明细：收款账户 " + o.account);

    // --- balances and charge dates ---
    if (!t.ysk.isZero()) {
        const Value itemKey(std::stoll(prepaidItem));
        RecordsetPtr own = cn.execute("select ysk from XS_SFXM_YSK where sfxmid=" + prepaidItem + " and xsid=" + xsid);
        if (own && !own->eof()) {
            const Currency before = own->field("ysk").toCurrency();
            p.run([&] {
                return "update XS_SFXM_YSK set ysk=ysk+(" + money(t.ysk) + ") where sfxmid=" + prepaidItem + " and xsid=" + xsid;
            }, own->recordCount());
            p.update("XS_SFXM_YSK", cells({{"xsid", student}, {"sfxmid", itemKey}}), "ysk", Value(before),
                     Value(before + t.ysk), prepaidTerm + "：" + who);
        } else {
            p.run([&] {
                return "insert into XS_SFXM_YSK(xsid,sfxmid,ysk) values(" + xsid + "," + prepaidItem + "," + money(t.ysk) + ")";
            }, 1);
            p.insert("XS_SFXM_YSK", cells({{"xsid", student}, {"sfxmid", itemKey}}),
                     cells({{"xsid", student}, {"sfxmid", itemKey}, {"ysk", Value(t.ysk)}}), prepaidTerm + "：" + who);
        }
    }
    const std::string balanceReason = "学生 " + who + "：预收款余额与收费日期";
    Currency after = balance;
    if (!t.hkje.isZero()) {
        p.run([&] { return "update kdw_xs set " + roundedBalance(sqlServer, "ysk", money(t.hkje), '-') + " where id=" + xsid; }, 1);
        after -= t.hkje;
    }
    if (!t.ysk.isZero()) {
        p.run([&] { return "update kdw_xs set " + roundedBalance(sqlServer, "ysk", money(t.ysk), '+') + " where id=" + xsid; }, 1);
        after += t.ysk;
    }
    const auto pupilKey = cells({{"id", student}});
    p.update("kdw_xs", pupilKey, "ysk", Value(balance), Value(after), balanceReason);
    p.run([&] { return "update kdw_xs set scsfrq=bcsfrq,bcsfrq='" + today + "' where id=" + xsid; }, 1);
    p.update("kdw_xs", pupilKey, "scsfrq", pupil->field("scsfrq"), pupil->field("bcsfrq"), balanceReason);
    p.update("kdw_xs", pupilKey, "bcsfrq", pupil->field("bcsfrq"), Value(today), balanceReason);

    // --- the transfer record of the prepayment used ---
    if (!t.hkje.isZero()) {
        drawn.transferId = draws.id("INandOutML");
        const Datum T = drawn.transferId;
        p.run([&] {
            return "insert into kdw_sfjl(id,djbh,sfrq,sflxid,xsid,bjmc,je,hkje,ssje,ysk,InOrOut,skzhid,skr,bz,rq,operid,sfyf,"
                   "ysfjlid,qfkid,hkid) values(" + T.text() + ",''," + "'" + today + "'," + sflxid + "," + xsid + "," +
                   sqlQuoted(bjmc) + "," + money(t.hkje) + "," + money(t.hkje) + ",0,0,0,0," + sqlQuoted(clerk) +
                   ",'划扣','" + draws.now().dateTimeText() + "'," + clerkId + "," + sqlQuoted(yf) + ",0,0," + O.text() + ")";
        }, 1);
        p.insert("kdw_sfjl", cells({{"id", T}}), cells({{"id", T}, {"je", Value(t.hkje)}, {"hkid", O}}),
                 "划扣记录：" + who + " 预收款 " + t.hkje.format00());
        p.run([&] {
            return "insert into kdw_sfjlmx(sfjlid,sfxmid,je,ysje,ye,jmje,ysk,feetermname,cqts) values(" + T.text() +
                   ",0," + money(t.hkje) + ",0,0,0,0,'划扣',0)";
        }, 1);
        p.insert("kdw_sfjlmx", cells({{"sfjlid", T}, {"sfxmid", Value(0)}}),
                 cells({{"sfjlid", T}, {"sfxmid", Value(0)}, {"je", Value(t.hkje)}}), "划扣明细");
    }

    // --- the stored arrears it pays ---
    for (auto& [qfkid, r] : rows) {
        Currency paid, rest;
        for (const auto& i : r.items) {
            paid += i.pay;
            rest += i.owed() - i.pay;
            if (i.pay.isZero()) continue;
            p.run([&, i] { return "update qfmxb set fkje=" + money(i.pay) + " where listid=" + i.listid; }, 1);
            p.update("qfmxb", cells({{"qfkid", Value(r.qfkid)}, {"sfxmid", Value(i.sfxmid)}}), "fkje", Value(i.fkje),
                     Value(i.pay), "欠费明细付款：" + who + "，" + r.qfyf + "，" + names.item(Value(i.sfxmid)));
        }
        p.run([&, paid] {
            return "update qfhzb set fkje=" + money(paid) + ",fkrq='" + today + "',sfjlid=" + O.text() +
                   " where fkrq is null and sfjlid=0 and qfkid=" + qfkid;
        }, 1);
        const auto rowKey = cells({{"qfkid", Value(r.qfkid)}});
        const std::string closing = "结清欠费：" + who + "，" + r.qfyf + "，付款 " + paid.format00();
        p.update("qfhzb", rowKey, "fkje", Value(Currency()), Value(paid), closing);
        p.update("qfhzb", rowKey, "fkrq", Value(), Value(today), closing);
        p.update("qfhzb", rowKey, "sfjlid", Value(0), O, closing);
        if (rest.isZero()) continue;
        const Datum successor = draws.id("qfhzb");
        p.run([&, rest, successor] {
            return jmjl::remainderInsert(sqlServer, successor.text(), r.qfyf, xsid, rest, qfkid,
                                         run.gUserid(), draws.now());
        }, 1);
        p.insert("qfhzb", cells({{"qfkid", successor}}),
                 cells({{"qfkid", successor}, {"qfyf", Value(r.qfyf)}, {"xsid", student}, {"qfje", Value(rest)},
                        {"yqfkid", Value(r.qfkid)}}),
                 "余下欠费：" + who + "，" + r.qfyf + "，尚欠 " + rest.format00());
        for (const auto& i : r.items) {
            const Currency left = i.owed() - i.pay;
            if (left <= Currency()) continue;
            p.run([&, i, left, successor] {
                return jmjl::remainderItemInsert(successor.text(), xsid, i.sflxid, i.sfxmid, left);
            }, 1);
            p.insert("qfmxb", cells({{"qfkid", successor}, {"sfxmid", Value(i.sfxmid)}}),
                     cells({{"qfkid", successor}, {"sfxmid", Value(i.sfxmid)}, {"qfje", Value(left)}}),
                     "余下欠费明细：" + names.item(Value(i.sfxmid)) + " " + left.format00());
        }
    }

    // --- the receipt (stored by insertPjML after the plan ran) ---
    drawn.receiptId = draws.id("PJML");
    p.insert("PJML", cells({{"id", drawn.receiptId}}),
             cells({{"id", drawn.receiptId}, {"djbh", D}, {"xsid", student}, {"hjje", Value(t.je)},
                    {"jeDx", Value(amountInWords(t.je))}, {"kpr", Value(clerk)}}),
             "收据：" + who + "，合计 " + t.je.format00());
}

Posted post(Connection& trCn, HostSystem& run, const Order& order, const plan::Plan* seen,
            const std::string& operation) {
    plan::Draws draws([&run](const std::string& counter) { return run.pGetMaxId(counter); },
                      [&run](const std::string& prefix) { return run.pGetBillNum(prefix); });
    // The right is the posting's own to check too: a host or a script may
    // post without the window.
    if (const std::string why = rights::refusal(run, rights::Charging, rights::Post); !why.empty())
        throw ChargeRefused(why);
    plan::Plan p(false);
    Drawn drawn;
    planCharge(trCn, run, p, order, draws, drawn);
    auditPosting(trCn, operation, drawn.djbh.text(), totalsOf(order).je);
    if (!p.refusals.empty()) throw ChargeRefused(p.refusals.front().reason);
    if (seen) {
        const std::vector<std::string> changed = plan::differences(*seen, p);
        if (!changed.empty()) throw ChargeRefused(plan::changedSincePreview(changed));
    }
    plan::execute(trCn, p);

    // The receipt, as the host stores one: through the bill header object.
    const Totals t = totalsOf(order);
    RecordsetPtr pupil = trCn.execute("select a.xh,a.xm,b.mc as bjmc from kdw_xs a left join kdw_bj b on b.id=a.bjid"
                                      " where a.id=" + jmjl::number(order.xsid, "xsid"));
    cLsBILLhead head;
    head.set_pSql(isSqlServer(run.SQL_access()) ? 1 : 0);
    head.set_ID(drawn.receiptId.text());
    head.set_djbh(drawn.djbh.text());
    head.set_state("");
    head.set_bjmc(pupil->field("bjmc").toText());
    head.set_xsId(order.xsid);
    head.set_xh(pupil->field("xh").toText());
    head.set_xm(pupil->field("xm").toText());
    head.set_beizhu(order.remark);
    head.set_hjje(money(t.je));
    head.set_jeDx(amountInWords(t.je));
    head.set_kpr(run.gusername());
    head.set_skr(run.gusername());
    Recordset items;
    items.appendField("xmmc", DataType::VarChar, 100);
    items.appendField("term", DataType::VarChar, 200);
    items.appendField("je", DataType::VarChar, 20);
    items.appendField("cqts", DataType::VarChar, 20);
    items.appendField("bz", DataType::VarChar, 100);
    items.open();
    auto add = [&items](const std::string& name, const std::string& term, Currency je, int days) {
        items.addNew();
        items.field("xmmc") = Value(name);
        items.field("term") = Value(term);
        items.field("je") = Value(money(je));
        items.field("cqts") = Value(std::to_string(days));
        items.field("bz") = Value("");
    };
    for (const Line& l : order.lines)
        if (!l.pay.isZero()) add(l.itemName, l.period, l.pay, l.days);
    if (!t.ysk.isZero()) {
        std::string name = t.ysk < Currency() ? "退预收款" : "预收款";
        if (order.kind == Kind::Deposit && order.depositItem != "0")
            name += "（" + BookNames(trCn).item(Value(order.depositItem)) + "）";
        add(name, "", t.ysk, 0);
    }
    if (!head.insertPjML(trCn, items, head)) throw ChargeRefused("收据没有保存。");
    return {drawn.recordId.text(), drawn.djbh.text(), drawn.receiptId.text(), t};
}

std::string amountInWords(Currency amount) { return demo::amountInWords(amount); }

}  // namespace fo::charge
