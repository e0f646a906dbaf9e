// The batch poster and the fee periods it is given, in both dialects on
// hand-built fee databases, the poster run by the reference host.
#include <algorithm>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <memory>
#include <set>
#include <stdexcept>

#include <gtest/gtest.h>

#include "batch/clsJMhead.h"
#include "batch/clsYF.h"
#include "data/checks/BooksCheck.h"
#include "db/DbError.h"
#include "host/ReferenceHost.h"
#include "host/operators/Operators.h"
#include "reduction/ReductionChecks.h"
#include "support/Dialects.h"
#include "support/ErrorOf.h"
#include "support/FakeHostSystem.h"
#include "support/Query.h"
#include "support/RecordingMessages.h"
#include "support/TempFeeDb.h"
#include "ui/Form.h"

namespace fo {
namespace {

using Rows = std::vector<std::string>;

clsJMmx item(const std::string& month, const std::string& id, const char* jm, const char* ys) {
    clsJMmx m;
    m.set_strQFYF(month);
    m.set_strXmid(id);
    m.set_strXmmc("项目" + id);
    m.set_sngJMje(*Currency::parse(jm));
    m.set_sngYsje(*Currency::parse(ys));
    m.set_str_FeeTermName(month);
    return m;
}

// The database's link once its administrator exists, as a host makes him.
std::string withBuiltIns(const test::TempFeeDb& db) {
    Operators(*db.open()).ensureBuiltIns();
    return db.path();
}

// Student 7 owes 202403 (item 5: 60) and 202404 (item 6: 40, item 7: 20);
// student 9 owes 202403 too. The reduction takes all of item 5 in 202403
// and 15 of item 6 in 202404.
class clsJMheadTest : public test::DialectTest {
protected:
    void SetUp() override {
        db_.exec("insert into ajzrq(yf,fromdate,todate) values('202403','2024-03-01','2024-03-31')");
        db_.exec("insert into qfhzb(qfkid,qfyf,xsid,qfje) values(101,'202403',7,60),(102,'202404',7,60),"
                 "(103,'202403',9,60)");
        db_.exec("insert into qfmxb(qfkid,xsid,sfxmid,qfje) values(101,7,5,60),(102,7,6,40),(102,7,7,20),(103,9,5,60)");
        head_.set_myGrun(host_);
        head_.set_str_Jmrq("2024-03-01");
        head_.set_str_Sflxid("2");
        head_.set_str_JMYY("困难补助");
        head_.set_str_bjmc("O'Neil班");
        head_.set_c_Jmhj(Currency::fromInt(75));
        head_.set_colMX({item("202403", "5", "60", "60"), item("202404", "6", "15", "40")});
    }
    void postFor(Connection& trCn, std::initializer_list<const char*> students) {
        for (const char* xsid : students) {
            head_.set_STR_xsid(xsid);
            head_.toJm(trCn);
        }
    }
    // As the batch windows begin a posting: counters drawn in blocks,
    // statements prepared once and bound, every student's rows and name
    // read at once.
    void beginBatch(std::initializer_list<const char*> students) {
        head_.drawInBlocks(static_cast<long>(students.size()));
        std::set<std::string> periods;
        for (const clsJMmx& m : head_.colMX()) periods.insert(m.strQFYF());
        head_.readAhead(std::vector<std::string>(students.begin(), students.end()), periods);
    }
    // One transaction; `asBatch`: as the batch windows post. `inside` reads
    // the books through the transaction's connection; unless `keep`, the
    // transaction is rolled back after it, the books as they were before.
    void post(std::initializer_list<const char*> students, bool asBatch = false,
              const std::function<void(Connection&)>& inside = {}, bool keep = true) {
        ConnectionPtr trCn = host_->pgettrcn();
        Transaction tx(*trCn);
        if (asBatch) beginBatch(students);
        postFor(*trCn, students);
        if (inside) inside(*trCn);
        if (keep) tx.commit();
    }
    Rows rows(const std::string& sql) { return test::joinedRows(*db_.open(), sql); }

    test::TempFeeDb db_;
    // The host's sessions log in as the administrator's own role on a server.
    test::PgSignedInOperator signedIn_{withBuiltIns(db_), Operators::BuiltInId};
    test::RecordingMessages messages_;
    std::shared_ptr<ReferenceHost> host_ = std::make_shared<ReferenceHost>(db_.path(), GetParam());
    test::ScopedHost scoped_{host_, db_.connectionString()};
    clsJMhead head_;
};

TEST_P(clsJMheadTest, EveryCallGetsItsOwnRecordAndSeesWhatTheBatchAlreadyPosted) {
    head_.set_colMX({item("202403", "5", "60", "60")});
    head_.set_c_Jmhj(Currency::fromInt(60));
    // Alone, and as a batch whose students' rows are read at once.
    for (const bool asBatch : {false, true}) {
        post({"7", "9"}, asBatch, [](Connection& trCn) {
            EXPECT_EQ(test::joinedRows(trCn, "select count(distinct id),count(distinct djbh),count(distinct sfrq),"
                                             "count(distinct jmyy) from kdw_sfjl"),
                      Rows{"2|2|1|1"});
            EXPECT_EQ(test::joinedRows(trCn, "select count(*) from qfhzb where jmjlid<>0 and qfkid in(101,103)"), Rows{"2"});
        }, false);
    }

    // The same student a second time in one batch: his first posting
    // already settled the row, so the second is refused and the batch goes.
    for (const bool asBatch : {false, true}) {
        EXPECT_EQ(test::errorOf([&] { post({"7", "7"}, asBatch); }).description(),
                  "收费项目[项目5]在所属期[202403]已没有欠费（已缴清、已减免或已被其他操作处理），不能再减免，请刷新。");
        EXPECT_EQ(rows("select (select count(*) from kdw_sfjl),(select count(*) from qfhzb where jmjlid<>0)"),
                  Rows{"0|0"});
    }

    head_.colMX().clear();  // no items: the record alone, nothing settled
    head_.set_c_Jmhj(Currency());
    post({"9"});
    EXPECT_EQ(rows("select a.jmje,(select count(*) from kdw_sfjlmx where sfjlid=a.id) from kdw_sfjl a where xsid=9"),
              Rows{"0|0"});
    EXPECT_EQ(rows("select jmjlid,fkrq is null from qfhzb where xsid=9"), Rows{"0|1"});

    // A poster kept for the next posting on the same session reads afresh:
    // after a batch that refused the student, a row another clerk settled
    // since is refused, not settled twice.
    ConnectionPtr trCn = host_->pgettrcn();
    head_.set_colMX({item("202403", "5", "60", "60"), item("202404", "6", "45", "50")});
    head_.set_c_Jmhj(Currency::fromInt(105));
    {
        Transaction batch(*trCn);
        beginBatch({"7"});
        EXPECT_EQ(test::errorOf([&] { postFor(*trCn, {"7"}); }).description(),
                  "收费项目[项目6]在所属期[202404]尚欠 40.00，少于减免金额 45.00，请刷新后按实际欠费录入。");
    }
    db_.exec("update qfhzb set fkrq='2024-03-09',sfjlid=88 where qfkid=101");
    head_.set_colMX({item("202403", "5", "60", "60")});
    head_.set_c_Jmhj(Currency::fromInt(60));
    Transaction next(*trCn);
    EXPECT_EQ(test::errorOf([&] { postFor(*trCn, {"7"}); }).description(),
              "收费项目[项目5]在所属期[202403]已没有欠费（已缴清、已减免或已被其他操作处理），不能再减免，请刷新。");
}

TEST_P(clsJMheadTest, EachItemSettlesItsOwnPeriodsRowsOnlyAndABatchDrawsItsNumbersInBlocksNoOtherDrawShares) {
    // Student 11 owes both items in both months; one is reduced in March,
    // the other in April, each once.
    db_.exec("insert into qfhzb(qfkid,qfyf,xsid,qfje) values(111,'202403',11,100),(112,'202404',11,100)");
    db_.exec("insert into qfmxb(qfkid,xsid,sfxmid,qfje) values(111,11,5,60),(111,11,6,40),(112,11,5,60),(112,11,6,40)");
    head_.set_colMX({item("202403", "5", "10", "60"), item("202404", "6", "15", "40")});
    head_.set_c_Jmhj(Currency::fromInt(25));
    // Once alone, then from the same rows as a batch.
    for (const bool asBatch : {false, true}) {
        post({"11"}, asBatch, [this](Connection& trCn) {
            EXPECT_EQ(test::joinedRows(trCn, "select sfrq,sflxid,xsid,bjmc,jmje,jmyy,ysfjlid,operid,sfyf,skr,left(djbh,2)"
                                             " from kdw_sfjl"),
                      Rows{"2024-03-01|2|11|O'Neil班|25|困难补助|0|" + host_->gUserid() + "|202403|" + host_->gusername() + "|JM"});
            EXPECT_EQ(test::joinedRows(trCn, "select sfxmid,jmje,ysje,ye,feetermname from kdw_sfjlmx order by sfxmid"),
                      (Rows{"5|10|60|0|202403", "6|15|40|0|202404"}));
            EXPECT_EQ(test::joinedRows(trCn, "select qfkid,sfxmid,jmje from qfmxb where qfkid in(111,112) order by qfkid,sfxmid"),
                      (Rows{"111|5|10", "111|6|0", "112|5|0", "112|6|15"}));
            EXPECT_EQ(test::joinedRows(trCn, "select yqfkid,jmje,qfje from qfhzb where yqfkid in(111,112) or qfkid in(111,112)"
                                             " order by yqfkid,qfkid"),
                      (Rows{"0|10|100", "0|15|100", "111|0|90", "112|0|85"}));
            const auto faults = checkBooks(trCn);
            EXPECT_TRUE(faults.empty()) << faults.front().text;
        }, false);
    }

    // With student 7, as a batch that commits: told its size, it draws each
    // counter once for both records; another workstation drawing in the
    // middle of it gets values above the whole block, and a record needing
    // more than its share (two remainder rows) draws again, above what the
    // other workstation took.
    auto other = std::make_shared<ReferenceHost>(db_.path(), GetParam());
    std::string otherNumber, otherRecord, otherRow;
    {
        ConnectionPtr trCn = host_->pgettrcn();
        Transaction tx(*trCn);
        head_.drawInBlocks(2);
        postFor(*trCn, {"7"});
        otherNumber = other->pGetBillNum("JM");
        otherRecord = other->pGetMaxId("INandOutML");
        otherRow = other->pGetMaxId("qfhzb");
        postFor(*trCn, {"11"});
        tx.commit();
    }
    const auto records = test::fieldRows(*db_.open(), "select id,djbh from kdw_sfjl order by xsid");
    ASSERT_EQ(records.size(), 2u);
    const long long first = std::stoll(records[0][0]);
    const std::string number = records[0][1];
    // Both records from the one block, the other workstation above it.
    EXPECT_EQ(std::stoll(records[1][0]), first + 1);
    EXPECT_EQ(std::stoll(otherRecord), first + 2);
    ASSERT_EQ(number.size(), 14u);
    const long long seq = std::stoll(number.substr(10));
    char expected[24];
    std::snprintf(expected, sizeof expected, "%04lld", seq + 1);
    EXPECT_EQ(records[1][1], number.substr(0, 10) + expected);
    std::snprintf(expected, sizeof expected, "%04lld", seq + 2);
    EXPECT_EQ(otherNumber, number.substr(0, 10) + expected);
    // Four remainder rows, none with the id the other workstation drew.
    const Rows remainders = rows("select qfkid from qfhzb where yqfkid<>0 order by qfkid");
    ASSERT_EQ(remainders.size(), 4u);
    EXPECT_EQ(std::count(remainders.begin(), remainders.end(), otherRow), 0);
    EXPECT_EQ(rows("select count(distinct qfkid) from qfhzb where yqfkid<>0"), Rows{"4"});
    EXPECT_GT(std::stoll(remainders[2]), std::stoll(otherRow));
}

// What the window did not see or could not stop is refused by the poster
// itself, before it writes: the caller rolls the batch back.
TEST_P(clsJMheadTest, RefusesAmountsTotalsAndArrearsTheBooksNoLongerOwe) {
    const std::string nothing = rows("select (select count(*) from kdw_sfjl),(select count(*) from qfhzb)").at(0);
    auto refusal = [&](const std::function<void()>& arrange) {
        head_.set_c_Jmhj(Currency::fromInt(75));
        head_.set_colMX({item("202403", "5", "60", "60"), item("202404", "6", "15", "40")});
        arrange();
        // The checks read the same through a batch's prepared statements.
        std::string refused[2];
        for (const bool asBatch : {false, true}) {
            refused[asBatch] = test::errorOf([&] { post({"7"}, asBatch); }).description();
            EXPECT_EQ(rows("select (select count(*) from kdw_sfjl),(select count(*) from qfhzb)").at(0), nothing);
        }
        EXPECT_EQ(refused[1], refused[0]);
        return refused[0];
    };
    EXPECT_EQ(refusal([&] { head_.colMX()[0].set_sngJMje(*Currency::parse("12.345")); }),
              "收费项目[项目5]的减免金额[12.345]不正确：减免金额不能小于零，最多两位小数。");
    EXPECT_EQ(refusal([&] { head_.set_c_Jmhj(Currency::fromInt(70)); }), "减免合计 70.00 与各项目减免金额之和 75.00 不符。");
    EXPECT_EQ(refusal([&] { head_.colMX().clear(); }), "减免合计 75.00 与各项目减免金额之和 0.00 不符。");
    // The standard amount allows 45, but the student owes 40 on the item.
    EXPECT_EQ(refusal([&] {
                  head_.colMX()[1].set_sngJMje(Currency::fromInt(45));
                  head_.colMX()[1].set_sngYsje(Currency::fromInt(50));
                  head_.set_c_Jmhj(Currency::fromInt(105));
              }),
              "收费项目[项目6]在所属期[202404]尚欠 40.00，少于减免金额 45.00，请刷新后按实际欠费录入。");
    // Another clerk settled 202403 after the caller read it.
    EXPECT_EQ(refusal([&] { db_.exec("update qfhzb set fkrq='2024-03-09',sfjlid=88 where qfkid=101"); }),
              "收费项目[项目5]在所属期[202403]已没有欠费（已缴清、已减免或已被其他操作处理），不能再减免，请刷新。");
    // A student id that is no number never reaches a statement.
    EXPECT_THROW(post({"7 or 1=1"}), DbError);
    EXPECT_EQ(rows("select (select count(*) from kdw_sfjl),(select count(*) from qfhzb)").at(0), nothing);
    EXPECT_EQ(messages_.count(), 0u);
}

// A student outside the operator's categories (a list older than a change
// of his rights, a host's own batch) is refused in the plan the preview
// shows, with its line, and by the posting, which writes nothing.
TEST_P(clsJMheadTest, AStudentOutsideTheOperatorsCategoriesIsRefusedInThePlanAndThePosting) {
    db_.exec("insert into kdw_xs(id,xh,xm,lb1) values(7,'0007','甲',2)");
    db_.exec("insert into sys_user(id,name) values(5,'王会计')");
    db_.exec("insert into sys_user_xslb(userid,xslbid) values(5,1)");
    auto limited = std::make_shared<ReferenceHost>(db_.path(), GetParam(), 5);
    head_.set_myGrun(limited);
    head_.set_STR_xsid("7");
    plan::Draws preview;
    const plan::Plan p = head_.planJm(*db_.open(), preview);
    ASSERT_EQ(p.refusals.size(), 1u);
    EXPECT_EQ(p.refusals[0].code, "category");
    EXPECT_TRUE(p.changes.empty());
    ASSERT_EQ(p.summary.lines.size(), 2u);
    EXPECT_EQ(p.summary.lines[0].refusal, "该学生不在您可以查看的学生类别中，不能为他减免。");

    const std::string counts = "select (select count(*) from kdw_sfjl),(select count(*) from qfhzb),(select sum(jmje) from qfmxb)";
    const Rows before = rows(counts);
    EXPECT_THROW(post({"7"}), jmjl::ReductionRefused);
    EXPECT_EQ(rows(counts), before);
    // The built-in operator sees him.
    head_.set_myGrun(host_);
    plan::Draws again;
    EXPECT_FALSE(head_.planJm(*db_.open(), again).refused());
}

FO_INSTANTIATE_DIALECTS(clsJMheadTest);

using Texts = std::vector<std::string>;

// Periods with and without dates, inserted out of tag order.
class clsYFTest : public test::DialectTest {
protected:
    void SetUp() override {
        db_.exec("insert into ajzrq(yf,fromdate,todate,jfmc) values('202403','2024-03-01','2024-03-31','2024年03月'),"
                 "('202401','2024-01-01','2024-01-31','2024年01月'),('202402',null,null,null)");
        db_.exec("insert into termdate(yffromDate,yftoDate,termTag) values('2024-02-15','2024-07-10','2024上'),"
                 "(null,null,'2023下')");
        db_.exec("insert into kdw_year(dateFrom,dateTo,yearTag) values('2024-01-01','2024-12-31','2024'),(null,null,'2023')");
    }
    Texts nine() const {
        return {yf_.strYfTag(), yf_.strTermTag(), yf_.strYearTag(), yf_.strYfFromDate(), yf_.strYfTodate(),
                yf_.strTermFromDate(), yf_.strTermToDate(), yf_.strYearFromDate(), yf_.strYearToDate()};
    }

    test::TempFeeDb db_;
    test::ScopedHost host_{std::make_shared<test::FakeHostSystem>(db_.connectionString(), Value(GetParam())),
                           db_.connectionString()};
    test::RecordingMessages messages_;
    clsYF yf_;
};

TEST_P(clsYFTest, ResolvingFillsOnlyTheFieldsOfItsKindReportsPeriodsNotSetUpAndListsEveryTagInOrder) {
    yf_.initdateYF("202403");
    EXPECT_EQ(nine(), (Texts{"202403", "", "", "2024-03-01", "2024-03-31", "", "", "", ""}));
    yf_.initDateTerm("2024上");
    EXPECT_EQ(nine(), (Texts{"", "2024上", "", "", "", "2024-02-15", "2024-07-10", "", ""}));
    yf_.initDateYear("2024");
    EXPECT_EQ(nine(), (Texts{"", "", "2024", "", "", "", "", "2024-01-01", "2024-12-31"}));
    yf_.initdateYF("209901");  // unknown month: everything empty, nothing shown
    EXPECT_EQ(nine(), Texts(9));
    EXPECT_EQ(messages_.count(), 0u);

    // Periods not set up are reported as each kind requires.
    yf_.initdateYF("202402", false);  // silent when not asked
    yf_.initdateYF("202402");
    yf_.initDateTerm("2023下", false);  // reported even when not asked
    EXPECT_EQ(nine(), (Texts{"", "2023下", "", "", "", "", "", "", ""}));
    yf_.initDateYear("2023", false);
    yf_.initDateTerm("2099上", false);  // unknown: only when asked
    yf_.initDateYear("2099");
    ASSERT_EQ(messages_.count(), 4u);
    const auto& shown = messages_.shown();
    EXPECT_EQ(shown[0].text + "|" + shown[0].title, "月份【202402】尚未设置记账日期段！请在【基础信息-记账日期设置】菜单中设定好！|警告!");
    EXPECT_EQ(shown[0].icon, MsgIcon::Information);
    EXPECT_EQ((Texts{shown[1].text, shown[2].text, shown[3].text}),
              (Texts{"学期[2023下]设置错误！", "年份[2023]设置错误！", "年份[2099]设置错误！"}));
    for (std::size_t i = 1; i < 4; ++i) EXPECT_TRUE(shown[i].icon == MsgIcon::None && shown[i].title.empty());

    // Lists replace the combo's entries with every tag in order.
    EXPECT_THROW(yf_.initCombYfList(), std::logic_error);
    Form form("frmPeriods");
    ComboBox combo(form, "cmbYF");
    combo.AddItem("stale");
    yf_.set_comboYfList(&combo);
    auto entries = [&] {
        Texts texts;
        for (const auto& e : combo.entries()) texts.push_back(e.text);
        return texts;
    };
    yf_.initCombYfList();
    // A month reads as the office names it (an unnamed one by its key); the
    // chosen entry's tag is the key, never the shown name.
    EXPECT_EQ(entries(), (Texts{"2024年01月", "202402", "2024年03月"}));
    EXPECT_EQ(yf_.chosenTag(), "");
    combo.setListIndex(2);
    EXPECT_EQ(yf_.chosenTag(), "202403");
    yf_.initCombTermList();
    EXPECT_EQ(entries(), (Texts{"2023下", "2024上"}));
    combo.setListIndex(1);
    EXPECT_EQ(yf_.chosenTag(), "2024上");
    yf_.initCombYearList();
    EXPECT_EQ(entries(), (Texts{"2023", "2024"}));
}

FO_INSTANTIATE_DIALECTS(clsYFTest);

}  // namespace
}  // namespace fo
