// A new office's first month on an empty database, in both dialects and on
// the server run: the school year, classes, fee items and charge types set
// up, sixty students imported from a spreadsheet, December's fees taken for
// forty of them in every way a clerk takes them, one receipt voided, one
// paid fee credited back, the month carried over; after each step the books
// check passes, and January finds stored exactly what each student left
// unpaid of each item counted in arrears.
#include <map>

#include "bills/cLsBILLhead.h"
#include "data/checks/BooksCheck.h"
#include "fees/ChargePosting.h"
#include "host/ReferenceHost.h"
#include "host/api/AuditTrail.h"
#include "host/fees/CarryOver.h"
#include "host/fees/Dues.h"
#include "host/operators/Operators.h"
#include "host/school/RosterFile.h"
#include "host/school/SchoolSetup.h"
#include "host/school/StudentImport.h"
#include "reduction/PaidCredit.h"
#include "support/Dialects.h"
#include "support/ModuleHost.h"
#include "support/Query.h"
#include "support/TempDir.h"
#include "support/TempFeeDb.h"
#include "ui/headless/HeadlessUi.h"
#include "ui/lists/mdl1.h"

namespace fo::test {
namespace {

struct Item {
    const char* name;
    int full, half;  // standard amounts of the two charge types (0: not in the type)
    bool inArrears;
};
const Item kItems[] = {{"保育费", 800, 500, true}, {"伙食费", 300, 150, true}, {"托管费", 200, 0, true},
                       {"兴趣班费", 150, 0, true}, {"校车费", 100, 100, true}, {"杂费", 50, 50, false}};

class NewOfficeWalk : public DialectTest {
protected:
    void SetUp() override {
        ui.install();
        ui.setExportFolder(dir.file("out"));
        cn = db.open();
        Operators(*cn).ensureBuiltIns();
        host = std::make_shared<ReferenceHost>(db.path(), dialectCode());
        handHostToModule(host);
    }
    std::string faults() {
        std::string out;
        for (const BooksFault& f : checkBooks(*cn)) out += f.code + ": " + f.text + "\n";
        return out;
    }
    std::string text(const std::string& sql) { return scalar(*cn, sql).toText(); }
    charge::Posted post(const charge::Order& order, const std::string& operation) {
        ConnectionPtr tr = host->pgettrcn();
        tr->beginTrans();
        try {
            charge::Posted p = charge::post(*tr, *host, order, nullptr, operation);
            tr->commitTrans();
            return p;
        } catch (...) {
            tr->rollbackTrans();
            throw;
        }
    }
    // The open month's line of `item` for the student, as the fee window offers it.
    charge::Line dueLine(const std::string& xsid, int item, Currency pay) {
        const Currency owed = itemDues(*cn, xsid, itemIds[item], "202612").owed();
        return {itemIds[item], "202612", "", kItems[item].name, owed, pay};
    }

    TempFeeDb db;
    TempDir dir;
    HeadlessUi ui;
    ConnectionPtr cn;
    std::shared_ptr<ReferenceHost> host;
    std::vector<std::string> itemIds;
    ScopedGlobals restoreGlobals_;
};

TEST_P(NewOfficeWalk, DecembersUnpaidRestIsWhatJanuaryFindsStored) {
    ASSERT_EQ(faults(), "");
    // The school: a year whose autumn months are carried over before anyone
    // is on the roll, six classes, six monthly items, two charge types.
    SchoolSetup school(*cn);
    cn->beginTrans();
    school.addSchoolYear(2026);
    for (const char* name : {"小班一班", "小班二班", "中班一班", "中班二班", "大班一班", "大班二班"}) school.addClass(name);
    const int full = school.addChargeType("全日制"), half = school.addChargeType("半日制");
    for (const Item& item : kItems) {
        const int id = school.addFeeItem({0, "", item.name, FeeKind::Monthly, false, item.inArrears});
        itemIds.push_back(std::to_string(id));
        school.setChargeLine(full, {id, Currency::fromInt(item.full), 0});
        if (item.half) school.setChargeLine(half, {id, Currency::fromInt(item.half), 0});
    }
    cn->commitTrans();
    for (const char* yf : {"202609", "202610", "202611"}) carryOverMonth(*cn, *host, yf);
    ASSERT_EQ(host->CurrentYf(), "202612");
    ASSERT_EQ(faults(), "");

    // Sixty students, written to .xlsx by the program's own export and read back.
    const char* surnames = "王李张刘陈杨黄赵吴周";
    std::string roster;
    for (int i = 0; i < 60; ++i) {
        const std::string classes[] = {"小班一班", "小班二班", "中班一班", "中班二班", "大班一班", "大班二班"};
        roster += std::string(roster.empty() ? "" : " union all ") + "select '2026" + (i < 9 ? "000" : "00") +
                  std::to_string(i + 1) + "' as 学号,'" + std::string(surnames + 3 * (i % 10), 3) + "小" +
                  std::to_string(i) + "' as 姓名,'" + classes[i % 6] + "' as 班级,'" +
                  (i % 2 ? "半日制" : "全日制") + "' as 收费类型,'2026-09-01' as 入园日期";
    }
    RecordsetPtr rs = cn->execute(roster);
    const std::string file = ExporToExcel_rec("学生名单", *rs);
    ASSERT_FALSE(file.empty());
    const auto table = readRosterFile(file);
    const ImportPlan plan = planStudentImport(*cn, table);
    ASSERT_EQ(plan.refusal, "");
    ASSERT_EQ(plan.accepted(), 60u);
    cn->beginTrans();
    EXPECT_EQ(postStudentImport(*cn, 1, table, plan), 60u);
    cn->commitTrans();
    ASSERT_EQ(faults(), "");

    // December's fees for forty: in full, in part (the bus left unpaid and
    // part of the care fee), from a deposit taken first, and with more than
    // owed kept as prepayment. The rest of the roll pays nothing.
    std::map<std::pair<std::string, int>, Currency> unpaid;  // (xsid, item) -> what stays owed
    std::vector<std::string> xsids, receipts;
    for (int i = 0; i < 60; ++i) {
        xsids.push_back(text("select id from kdw_xs where xh='2026" + std::string(i < 9 ? "000" : "00") +
                             std::to_string(i + 1) + "'"));
        for (int k = 0; k < 6; ++k)
            if (kItems[k].inArrears && (i % 2 ? kItems[k].half : kItems[k].full))
                unpaid[{xsids[i], k}] = Currency::fromInt(i % 2 ? kItems[k].half : kItems[k].full);
    }
    for (int i = 0; i < 40; ++i) {
        const std::string& xsid = xsids[i];
        charge::Order order;
        order.xsid = xsid;
        for (int k = 0; k < 6; ++k) {
            const int standard = i % 2 ? kItems[k].half : kItems[k].full;
            if (!standard) continue;
            Currency pay = Currency::fromInt(standard);
            if (i % 4 == 1 && k == 4) continue;                 // the bus not paid this time
            if (i % 4 == 1 && k == 0) pay = Currency::fromInt(300);  // part of the care fee
            order.lines.push_back(dueLine(xsid, k, pay));
            EXPECT_EQ(order.lines.back().owedShown, Currency::fromInt(standard)) << xsid << " " << kItems[k].name;
            if (kItems[k].inArrears) unpaid[{xsid, k}] = unpaid[{xsid, k}] - pay;
        }
        Currency total;
        for (const charge::Line& line : order.lines) total = total + line.pay;
        if (i % 4 == 2) {
            charge::Order deposit;
            deposit.kind = charge::Kind::Deposit;
            deposit.xsid = xsid;
            deposit.cash = Currency::fromInt(2000);
            post(deposit, "预收款");
            order.fromPrepayment = total;
        } else {
            order.cash = total + Currency::fromInt(i % 4 == 3 ? 200 : 0);
        }
        order.balanceShown = *Currency::parse(text("select ysk from kdw_xs where id=" + xsid));
        const charge::Posted p = post(order, "收费");
        EXPECT_EQ(p.djbh.substr(0, 2), "SF");
        receipts.push_back(p.djbh);
        ASSERT_EQ(faults(), "") << "after " << p.djbh;
    }
    EXPECT_EQ(text("select count(distinct djbh) from pjml"), std::to_string(40 + 10));

    // The first receipt voided: its student owes December whole again.
    cLsBILLhead head;
    head.set_gRun(host);
    head.set_pSql(dialectCode());
    head.set_djbh(receipts[0]);
    head.set_zfr("系统管理员");
    head.set_pUseridZfr("1");
    head.set_zfyy("收错了");
    ConnectionPtr tr = host->pgettrcn();
    tr->beginTrans();
    auditPosting(*tr, "作废票据", receipts[0]);
    ASSERT_TRUE(head.PJZF(*tr));
    tr->commitTrans();
    for (int k = 0; k < 6; ++k)
        if (kItems[k].inArrears) unpaid[{xsids[0], k}] = Currency::fromInt(kItems[k].full);
    ASSERT_EQ(faults(), "");

    // A paid care fee partly credited back to the student's prepayment:
    // the month stays settled, the money is his to spend later.
    const std::string before = text("select ysk from kdw_xs where id=" + xsids[4]);
    jmjl::CreditRequest credit{xsids[4], std::to_string(full), "中班一班", "2026-12-01", "202612", "病假", {}};
    credit.items.push_back({itemIds[0], kItems[0].name, Currency::fromInt(100), ""});
    postCredit(*host, credit);
    EXPECT_EQ(*Currency::parse(text("select ysk from kdw_xs where id=" + xsids[4])),
              *Currency::parse(before) + Currency::fromInt(100));
    ASSERT_EQ(faults(), "");

    // The month-end, and January's arrears: what each left unpaid, per item.
    carryOverMonth(*cn, *host, "202612");
    EXPECT_EQ(host->CurrentYf(), "202701");
    ASSERT_EQ(faults(), "");
    std::map<std::pair<std::string, int>, Currency> stored;
    for (RecordsetPtr r = cn->execute("select m.xsid,m.sfxmid,m.qfje-m.fkje-m.jmje from qfmxb m,qfhzb h"
                                      " where h.qfkid=m.qfkid and h.fkrq is null and h.qfyf='202612'");
         !r->eof(); r->moveNext()) {
        int k = 0;
        while (itemIds[k] != r->field(std::size_t{1}).toText()) ++k;
        stored[{r->field(std::size_t{0}).toText(), k}] = r->field(std::size_t{2}).toCurrency();
    }
    std::erase_if(unpaid, [](const auto& e) { return e.second.isZero(); });
    EXPECT_EQ(stored, unpaid);
    for (const auto& [key, owed] : unpaid)
        EXPECT_EQ(itemDues(*cn, key.first, itemIds[key.second], "202612").owed(), owed) << key.first;
}

FO_INSTANTIATE_DIALECTS(NewOfficeWalk);

}  // namespace
}  // namespace fo::test
