// The fee window on demo fee offices in both dialects: what a charge, a
// deposit and a refund write is exactly what the void of their receipt
// undoes; two clerks charging one line charge it once; and the window
// refuses what the books refuse, naming why.
#include <optional>
#include <set>

#include "bills/cLsBILLhead.h"
#include "data/checks/BooksCheck.h"
#include "fees/DayReport.h"
#include "fees/frmSF.h"
#include "host/api/AuditTrail.h"
#include "host/fees/Dues.h"
#include "support/BooksDiff.h"
#include "support/DemoOfficeWindowTest.h"
#include "ui/controls/KeyCodes.h"
#include "ui/frmPlanPreview.h"
#include "ui/lists/mdl1.h"

namespace fo::test {
namespace {

// A student not yet charged anything of the open month owes its dues.
std::string kOwesDecember(const std::string& xsid) {
    return " and not exists(select 1 from kdw_sfjl c where c.xsid=" + xsid + " and c.sfyf='202612')";
}

class ChargeWindow : public DemoOfficeWindowTest {
protected:
    std::shared_ptr<frmSF> windowFor(const std::string& xh, bool another = false) {
        auto w = another ? std::make_shared<frmSF>() : formInstance<frmSF>();
        w->load();
        w->txtFind.userSetText(xh);
        w->userKey(w->txtFind, key::Enter);
        return w;
    }
    std::string xhOf(const std::string& xsid) { return text("select xh from kdw_xs where id=" + xsid); }
    // Ticks the line `key`, and types `amount` when it is paid in part.
    static void tick(frmSF& w, const std::string& key, const std::string& amount = {}) {
        ASSERT_TRUE(w.lvwDue.userItemCheck(key, true)) << key;
        if (amount.empty()) return;
        ASSERT_TRUE(w.lvwDue.userItemClick(key));
        w.txtPay.userSetText(amount);
    }
    std::string faults() {
        std::string out;
        for (const BooksFault& f : checkBooks(*cn)) out += f.code + ": " + f.text + "\n";
        return out;
    }
    // Voids the receipt of `djbh` as the register does, audited.
    void voidReceipt(const std::string& djbh) {
        cLsBILLhead head;
        head.set_gRun(host);
        head.set_pSql(dialectCode());
        head.set_djbh(djbh);
        head.set_zfr("系统管理员");
        head.set_pUseridZfr("1");
        head.set_zfyy("收错了");
        ConnectionPtr tr = host->pgettrcn();
        tr->beginTrans();
        auditPosting(*tr, "作废票据", djbh);
        ASSERT_TRUE(head.PJZF(*tr));
        tr->commitTrans();
    }
    // What a posting and the void of its receipt changed together, beyond
    // the mirror rows and the voided receipt: "" when the books are as they
    // were, the student's charge dates included.
    static std::string beyondMirrors(const BooksSnapshot& before, const BooksSnapshot& after) {
        static const std::set<std::string> appended{"kdw_sfjl", "kdw_sfjlmx", "inandoutml", "inandout", "pjml", "pjmlmx"};
        std::string out;
        for (const plan::RowChange& c : changesBetween(before, after)) {
            const std::string table = lowerAscii(c.table);
            if (c.kind == plan::Kind::Insert && appended.count(table)) continue;
            if (c.kind == plan::Kind::Update && table == "pjml") continue;
            // A per-item balance first made by the charge stays, at nothing.
            if (c.kind == plan::Kind::Insert && table == "xs_sfxm_ysk") {
                bool zero = true;
                for (const plan::Cell& cell : c.cells)
                    if (cell.column == "ysk") zero = cell.after.value.toCurrency().isZero();
                if (zero) continue;
            }
            out += plan::kindWord(c.kind) + " " + c.table + " " + plan::keyText(c) + " " + plan::cellsText(c, false) + "\n";
        }
        return out;
    }
    // Posts what `fill` enters in the window, checks the books, voids the
    // receipt and checks that nothing is left of the posting but its mirror.
    std::string postAndVoid(const std::string& xh, const std::function<void(frmSF&)>& fill,
                            const std::function<void(frmSF&)>& posted = {}) {
        const BooksSnapshot before(*cn);
        auto w = windowFor(xh);
        fill(*w);
        w->cmdOK.userClick();
        const std::string djbh = w->lastDjbh();
        EXPECT_FALSE(djbh.empty()) << lastMessage().text;
        if (posted) posted(*w);
        EXPECT_EQ(faults(), "") << "after posting " << djbh;
        voidReceipt(djbh);
        EXPECT_EQ(faults(), "") << "after voiding " << djbh;
        EXPECT_EQ(beyondMirrors(before, BooksSnapshot(*cn)), "") << djbh;
        return djbh;
    }
    // A student with an open stored row of two or more untouched items.
    std::string storedRow(const std::string& notStudent = "0") {
        return text("select min(h.qfkid) from qfhzb h where h.fkrq is null and h.xsid<>" + notStudent +
                    " and h.qfkid in(select qfkid from qfmxb group by qfkid having count(*)>1 and sum(fkje)=0"
                    " and sum(jmje)=0) and not exists(select 1 from qfhzb o where o.xsid=h.xsid and o.fkrq is null"
                    " and o.qfkid<>h.qfkid)" + kOwesDecember("h.xsid"));
    }
};

TEST_P(ChargeWindow, RefusalsLeaveTheBooksWhatAChargeWritesItsVoidUndoesAndTwoClerksOnOneLineChargeItOnce) {
    const std::string whole = storedRow();
    const std::string wholeStudent = text("select xsid from qfhzb where qfkid=" + whole);
    const std::string item = text("select min(sfxmid) from qfmxb where qfkid=" + whole);

    // What the window refuses writes nothing, naming why.
    const BooksSnapshot before(*cn);
    struct Case {
        std::function<void(frmSF&)> enter;
        std::string reason;
    } cases[] = {
        {[&](frmSF& f) { tick(f, "kq" + whole + "_" + item, "99999"); }, "超过尚欠"},
        {[&](frmSF& f) { tick(f, "kq" + whole + "_" + item, "1.005"); }, "最多两位小数"},
        {[&](frmSF& f) { tick(f, "kq" + whole + "_" + item); f.txtHk.userSetText("1"); f.txtCash.userSetText("0"); }, "不足"},
        {[&](frmSF& f) { f.optRefund.userClick(); f.txtCash.userSetText("99999"); }, "不足"},
    };
    for (const Case& c : cases) {
        auto w = windowFor(xhOf(wholeStudent));
        c.enter(*w);
        w->cmdOK.userClick();
        EXPECT_TRUE(w->lastDjbh().empty());
        EXPECT_NE(lastMessage().text.find(c.reason), std::string::npos) << c.reason << " / " << lastMessage().text;
    }
    EXPECT_EQ(BooksSnapshot(*cn), before);
    FormInstances::releaseAll();  // the window was left taking a refund

    // A stored row paid whole on the receipt that takes the open month's
    // dues too: both are settled, and the void reopens both.
    std::string dueItem;
    const std::string sf = postAndVoid(xhOf(wholeStudent), [&](frmSF& w) {
        for (const std::string& each : rows("select sfxmid from qfmxb where qfkid=" + whole))
            tick(w, "kq" + whole + "_" + each);
        for (int i = 1; i <= w.lvwDue.itemCount(); ++i)
            if (const std::string key = w.lvwDue.item(i).key(); key.rfind("kd", 0) == 0) {
                dueItem = key.substr(2);
                tick(w, key);
            }
    }, [&](frmSF&) {
        EXPECT_EQ(text("select count(*) from qfhzb where fkrq is null and qfkid=" + whole), "0");
        ASSERT_FALSE(dueItem.empty()) << "he owes the open month as well";
        EXPECT_TRUE(itemDues(*cn, wholeStudent, dueItem, host->CurrentYf()).owed().isZero());
    });
    EXPECT_GT(itemDues(*cn, wholeStudent, dueItem, host->CurrentYf()).owed(), Currency());
    EXPECT_EQ(sf.substr(0, 2), "SF");

    // The same row paid in part, previewed first: the rest stays open as a
    // remainder row, which the window shows instead of the row, and the
    // posting writes what the preview showed.
    const Currency owed = *Currency::parse(text("select sum(qfje) from qfmxb where qfkid=" + whole));
    plan::Plan shown;
    onModal = [&shown](Form& f) {
        if (auto* preview = dynamic_cast<frmPlanPreview*>(&f)) {
            shown = preview->shownPlan();
            preview->cmdOK.userClick();
        }
    };
    std::optional<BooksSnapshot> beforePart;
    postAndVoid(xhOf(wholeStudent), [&](frmSF& w) {
        tick(w, "kq" + whole + "_" + item, "10.5");
        w.txtTendered.userSetText("100");
        EXPECT_EQ(w.lblChange.caption(), "89.50");
        w.cmdPreview.userClick();
        beforePart.emplace(*cn);
    }, [&](frmSF& w) {
        EXPECT_EQ(planMismatches(shown, changesBetween(*beforePart, BooksSnapshot(*cn))), "");
        const std::string record = text("select id from kdw_sfjl where djbh='" + w.lastDjbh() + "'");
        EXPECT_EQ(one("select fkje,sfjlid from qfhzb where qfkid=" + whole), "10.5|" + record);
        EXPECT_EQ(text("select qfje from qfhzb where fkrq is null and yqfkid=" + whole),
                  (owed - *Currency::parse("10.5")).plainText());
        EXPECT_EQ(w.lvwDue.findItem("kq" + whole + "_" + item), nullptr);
    });
    EXPECT_FALSE(shown.changes.empty());

    // Term, year and one-off items, stored under their periods: each
    // student found owing one charged all of them at once.
    std::string open;
    for (const char* period : {"'2026上'", "'2026年'", "'一次性'"})
        open += std::string(open.empty() ? "" : " union ") + "select min(xsid) as xsid from qfhzb where fkrq is null and qfyf=" + period;
    const Rows kinds = rows("select distinct xsid from (" + open + ") k where xsid is not null order by xsid");
    ASSERT_FALSE(kinds.empty());
    for (const std::string& student : kinds)
        postAndVoid(xhOf(student), [&](frmSF& w) {
            for (const std::string& line : rows("select 'kq'||h.qfkid||'_'||i.sfxmid from qfhzb h inner join qfmxb i on"
                                                " i.qfkid=h.qfkid where h.fkrq is null and h.qfyf in('2026上','2026年',"
                                                "'一次性') and h.xsid=" + student))
                tick(w, line);
        });

    // The open month's dues, one line in part, part from his prepayment
    // and more cash than owed kept as new prepayment.
    const std::string prepaid = text("select min(id) from kdw_xs where ysk>=50 and del=0 and intTx=0 and not exists("
                                     "select 1 from qfhzb where xsid=kdw_xs.id and fkrq is null)" + kOwesDecember("kdw_xs.id"));
    const std::string xh = xhOf(prepaid);
    postAndVoid(xh, [&](frmSF& w) {
        ASSERT_GE(w.lvwDue.itemCount(), 2) << xh;
        for (int i = 1; i <= w.lvwDue.itemCount(); ++i) tick(w, w.lvwDue.item(i).key());
        tick(w, w.lvwDue.item(1).key(), "1.25");
        w.txtHk.userSetText("50");
        w.txtCash.userSetText((leadingNumber(w.lblTotal.caption()) - Currency::fromInt(50) + Currency::fromInt(30)).format00());
        EXPECT_EQ(w.lblPrepay.caption(), "30.00");
    });

    // A deposit on its own, kept on the item chosen for it, and a refund of
    // prepayment.
    const std::string keptOn = text("select min(id) from kdw_sfxm where id>0 and del=0");
    const std::string itemBalance = "select coalesce(sum(ysk),0) from XS_SFXM_YSK where sfxmid=" + keptOn + " and xsid=" + prepaid;
    const Currency balanceBefore = *Currency::parse(text(itemBalance));
    postAndVoid(xh, [&](frmSF& w) {
        w.optDeposit.userClick();
        ASSERT_TRUE(w.cmbDepositItem.userSelect(text("select mc from kdw_sfxm where id=" + keptOn)));
        w.txtCash.userSetText("500");
    }, [&](frmSF&) {
        EXPECT_EQ(*Currency::parse(text(itemBalance)), balanceBefore + Currency::fromInt(500));
        EXPECT_EQ(text("select b.sfxmid from kdw_sfjl a inner join kdw_sfjlmx b on b.sfjlid=a.id where a.xsid=" + prepaid +
                       " and a.djbh like 'YSK%' and a.ysfjlid=0 and a.id not in(select ysfjlid from kdw_sfjl) order by a.id desc"), keptOn);
    });
    postAndVoid(xh, [](frmSF& w) {
        w.optRefund.userClick();
        w.txtCash.userSetText("20");
    });
    // No number was given twice.
    EXPECT_EQ(rows("select djbh from pjml group by djbh having count(*)>1"), Rows{});

    // The clerk's day: every posting voided; the drawer is back at
    // nothing, what was taken and used of prepayment still shows.
    const cashday::Line day = cashday::totalOf(cashday::dayLines(*cn, DateTime::today().dateText(), "1"));
    const long charges = 3 + static_cast<long>(kinds.size());
    EXPECT_EQ(std::to_string(day.receipts) + "|" + std::to_string(day.voids) + "|" + std::to_string(day.refunds) + "|" +
                  day.refunded.format00() + "|" + day.prepaidTaken.format00() + "|" + day.prepaidUsed.format00() + "|" +
                  day.drawer.format00(),
              std::to_string(charges) + "|" + std::to_string(charges + 2) + "|1|20.00|530.00|50.00|0.00");
    EXPECT_TRUE(cashday::dayLines(*cn, DateTime::today().dateText(), "2").empty());

    // Two clerks charging one line charge it once: a stored row, and the
    // open month's dues, which have no row to close (the second clerk's
    // posting finds them paid when it counts them again under the lock).
    FormInstances::releaseAll();  // the refund's window
    const auto twoClerks = [&](const std::string& student, const std::string& line) {
        auto first = windowFor(xhOf(student)), second = windowFor(xhOf(student), true);
        tick(*first, line);
        tick(*second, line);
        first->cmdOK.userClick();
        ASSERT_FALSE(first->lastDjbh().empty()) << lastMessage().text;
        const BooksSnapshot once(*cn);
        second->cmdOK.userClick();
        EXPECT_TRUE(second->lastDjbh().empty());
        EXPECT_NE(lastMessage().text.find("该欠费已被其他操作处理，请刷新。"), std::string::npos) << lastMessage().text;
        EXPECT_EQ(BooksSnapshot(*cn), once);
    };
    twoClerks(wholeStudent, "kq" + whole + "_" + item);
    twoClerks(text("select min(id) from kdw_xs where del=0 and intTx=0" + kOwesDecember("kdw_xs.id")), "kd1");

    // The open month, charged twice: a later charge moved his charge dates
    // on, so voiding the first one leaves them as the later one set them.
    const std::string other = text("select min(id) from kdw_xs where del=0 and intTx=0 and bcsfrq<'2026-12-01' and not exists("
                                   "select 1 from qfhzb where xsid=kdw_xs.id and fkrq is null)" + kOwesDecember("kdw_xs.id"));
    auto d = windowFor(xhOf(other));
    ASSERT_GE(d->lvwDue.itemCount(), 1);
    const std::string key = d->lvwDue.item(1).key();
    tick(*d, key, "7");
    d->cmdOK.userClick();
    const std::string earlier = d->lastDjbh();
    tick(*d, key, "1");
    d->cmdOK.userClick();
    ASSERT_NE(d->lastDjbh(), earlier) << lastMessage().text;
    const std::string dates = "select scsfrq,bcsfrq from kdw_xs where id=" + other;
    const std::string moved = one(dates);
    voidReceipt(earlier);
    EXPECT_EQ(one(dates), moved);
    EXPECT_EQ(faults(), "");

    // A per-day item charged for the days the clerk types: the line owes
    // what they come to, and the month's dues follow the days charged.
    const std::string perDay = text("select min(id) from kdw_sfxm where cqts='Y' and del=0");
    const std::string diner = text("select min(s.id) from kdw_xs s inner join kdw_sflx l on l.id=s.sflxid and l.sfxmid=" +
                                   perDay + " and l.mrcqts>5 where s.del=0 and s.intTx=0 and s.id<>" + other +
                                   kOwesDecember("s.id"));
    const std::string yf = host->CurrentYf();
    auto f = windowFor(xhOf(diner));
    ASSERT_TRUE(f->lvwDue.userItemClick("kd" + perDay));
    EXPECT_EQ(f->txtDays.text(), std::to_string(itemDues(*cn, diner, perDay, yf).days));
    f->txtDays.userSetText("5");
    const ItemDues five = itemDues(*cn, diner, perDay, yf, 5);
    ASSERT_GT(five.owed(), Currency());
    EXPECT_EQ(f->lvwDue.findItem("kd" + perDay)->subItem(2), "5");
    tick(*f, "kd" + perDay, five.owed().format00());
    f->cmdOK.userClick();
    ASSERT_FALSE(f->lastDjbh().empty()) << lastMessage().text;
    const ItemDues after = itemDues(*cn, diner, perDay, yf);
    EXPECT_EQ(after.days, 5);
    EXPECT_TRUE(after.owed().isZero()) << after.owed().format00();

    // An operator without the right to charge cannot open the window.
    const BooksSnapshot unchanged(*cn);
    actAs(3);
    auto clerk = std::make_shared<frmSF>();
    clerk->show();
    EXPECT_FALSE(clerk->isLoaded());
    EXPECT_NE(lastMessage().text.find("收费"), std::string::npos) << lastMessage().text;
    EXPECT_EQ(BooksSnapshot(*cn), unchanged);
}

FO_INSTANTIATE_DIALECTS(ChargeWindow);

}  // namespace
}  // namespace fo::test
