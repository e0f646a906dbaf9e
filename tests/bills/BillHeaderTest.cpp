// The bill header object: its hand-over of the host object, the number
// literals of its statements, the register's queries, storing a receipt,
// and voiding a bill and cancelling its charge record on a hand-built fee
// office: a charge that used prepaid balance, left a new prepayment,
// produced a transfer record and settled one arrears row fully and one
// partly (with an open remainder row split off).
#include <array>
#include <functional>
#include <memory>
#include <stdexcept>

#include "bills/BillsFixture.h"
#include "bills/FeeCancellation.h"
#include "bills/SqlNumber.h"
#include "db/DbError.h"
#include "support/BooksDiff.h"
#include "support/ErrorOf.h"
#include "support/FailingWrites.h"
#include "support/FakeHostSystem.h"

namespace fo::test {
namespace {

// A database-information object that knows only its link string.
class LinkOnlyDbInfo final : public DbInfo {
public:
    Value SqlKind() override { return Value(1); }
    std::string UserName() override { throw std::logic_error("UserName"); }
    std::string LinkString() override { return "Provider=SQLite;Data Source=/srv/trans.db"; }
    std::string UserId() override { throw std::logic_error("UserId"); }
    ConnectionPtr Connection() override { throw std::logic_error("Connection"); }
    ConnectionPtr TransConnection() override { throw std::logic_error("TransConnection"); }
    std::string NextId(const std::string&, int) override { throw std::logic_error("NextId"); }
    std::string NextBillNo(const std::string&) override { throw std::logic_error("NextBillNo"); }
};

TEST(BillHeaderObjects, SettingGRunMakesItTheModulesHostBeforeReadingTheLinkString) {
    ScopedGlobals restore;
    auto host = std::make_shared<FakeHostSystem>("Provider=SQLite;Data Source=/srv/fee.db", Value(1));
    HostSystem* hostWhenAsked = nullptr;
    globals().newDbInfo = [&] {
        hostWhenAsked = globals().host.get();
        return std::unique_ptr<DbInfo>(new LinkOnlyDbInfo);
    };

    cLsBILLhead head;
    head.set_gRun(host);
    EXPECT_EQ(hostWhenAsked, host.get());
    // The link string is the database-information object's, not the host's.
    EXPECT_EQ(globals().transLinkString, "Provider=SQLite;Data Source=/srv/trans.db");
}

// Plain decimals in canonical form, field values by kind; everything else refused.
TEST(NumberLiterals, OfTextAndOfFieldValues) {
    const std::pair<const char*, const char*> accepted[] = {
        {"  12.50\t", "12.50"}, {"+5", "5"}, {"-.5", "-0.5"}, {"12.", "12"},
        // Ids beyond the range of a currency amount pass through unchanged.
        {"123456789012345678901", "123456789012345678901"}};
    for (const auto& [text, literal] : accepted) EXPECT_EQ(sqlNumberLiteral(text, false), literal) << text;
    for (const char* text : {"12.5元", "1 2", "1.2.3", "-", ".", "1e3", "0x10", "--1", "1); delete from PjML; --"})
        EXPECT_EQ(sqlNumberLiteral(text, true), std::nullopt) << text;
    // Empty text is zero only where the caller allows it.
    EXPECT_EQ(sqlNumberLiteral("   ", true), "0");
    EXPECT_EQ(sqlNumberLiteral(" ", false), std::nullopt);

    EXPECT_EQ(valueNumberLiteral(Value(), true), "0");
    EXPECT_EQ(valueNumberLiteral(Value(), false), std::nullopt);
    EXPECT_EQ(valueNumberLiteral(Value(Currency::fromRaw(125000)), false), "12.5");
    // A double is written as the nearest four-decimal amount, never in
    // exponent form.
    EXPECT_EQ(valueNumberLiteral(Value(0.1 + 0.2), false), "0.3");
    EXPECT_EQ(valueNumberLiteral(Value(1e-7), false), "0");
    EXPECT_EQ(valueNumberLiteral(Value(" 22 "), false), "22");
    EXPECT_EQ(valueNumberLiteral(Value(DateTime{2026, 9, 1}), true), std::nullopt);
}

// Three students in three categories, each with a charge and its receipt,
// plus receipts that the joins must drop.
class RegisterQueries : public BillsTest {
protected:
    void SetUp() override {
        BillsTest::SetUp();
        db_.exec("insert into kdw_xs(id,xh,xm,lb1) values(11,'001','张一',3),(12,'002','王二',5),(13,'003','李三',8)");
        db_.exec("insert into kdw_sfjl(id,djbh,xsid,ysk,hkje) values"
                 "(101,'SF001',11,20,0),(102,'SF002',12,0,35.5),(103,'SF003',13,0,0),(105,'SF005',99,0,0)");
        db_.exec("insert into PJML(id,djbh,pjState,bjmc,xsid,xh,xm,hjje,kpr) values"
                 "(1,'SF001','','小班一班',11,'001','张一',300,'张三'),"
                 "(2,'SF002','作废','中班一班',12,'002','王二',120.5,'李四'),"
                 "(3,'SF003','','大班二班',13,'003','李三',80,'张三'),"
                 "(4,'SF004','','小班一班',11,'001','张一',10,'张三'),"   // no fee record
                 "(5,'SF005','','小班一班',99,'099','无名',10,'张三')");  // no student
    }

    Rows column(const std::string& sql, const std::string& name) { return columnTexts(*cn_->execute(sql), name); }
};

TEST_P(RegisterQueries, JoinReceiptsToTheirFeeRecordAndStudentNewestFirst) {
    const std::string sql = head_.getPJMLsqL("a.id>0");
    EXPECT_EQ(column(sql, "id"), (Rows{"3", "2", "1"}));
    EXPECT_EQ(column(sql, "单据状态"), (Rows{"", "作废", ""}));
    // Prepaid and transferred amounts come from the fee record of the receipt.
    EXPECT_EQ(column(sql, "预收款"), (Rows{"0", "0", "20"}));
    EXPECT_EQ(column(sql, "划扣金额"), (Rows{"0", "35.5", "0"}));
    EXPECT_EQ(column(sql, "金额"), (Rows{"80", "120.5", "300"}));

    actAs(kClerk);  // categories 3 and 5 only; the restriction stands before the condition
    EXPECT_EQ(column(head_.getPJMLsqL("a.id>0"), "id"), (Rows{"2", "1"}));
    EXPECT_EQ(column(head_.getPJMLsqLTop100(""), "id"), (Rows{"2", "1"}));
}

FO_INSTANTIATE_DIALECTS(RegisterQueries);

// An item row's xmmc, term, je, cqts and bz.
using Item = std::array<Value, 5>;

// The item rows as the host hands them over: an in-memory set.
Recordset itemRows(const std::vector<Item>& items) {
    const char* const names[] = {"xmmc", "term", "je", "cqts", "bz"};
    Recordset rec;
    for (const char* name : names) rec.appendField(name);
    rec.open();
    for (const Item& item : items) {
        rec.addNew();
        for (std::size_t i = 0; i < item.size(); ++i) rec.field(names[i]) = item[i];
    }
    return rec;
}

cLsBILLhead sampleBill(int dialect) {
    cLsBILLhead bill;
    bill.set_pSql(dialect);
    bill.set_ID("501");
    bill.set_djbh("SF'01");
    bill.set_state("");
    bill.set_bjmc("中班一班");
    bill.set_xsId("11");
    bill.set_xh("2026001");
    bill.set_xm("O'Brien 小'明");
    bill.set_beizhu("九月费用");
    bill.set_hjje("1250.5");
    bill.set_jeDx("壹仟贰佰伍拾元伍角");
    bill.set_kpr("it''s");
    bill.set_skr("王会计");
    bill.set_zfr("");
    bill.set_kprq("2001-01-01");  // not used: the moment of storing is written
    return bill;
}

class InsertPjML : public BillsTest {
protected:
    Recordset threeItems() {
        return itemRows({{"保育费", "2026年9月", Currency::fromInt(800), 22, ""},
                         {"伙食'费", "2026年9月", "330.5", " 22 ", "按'天计"},
                         {"书本费", "2026上", Currency::fromInt(120), Value(), Value()}});
    }
    long count(const std::string& table) { return scalar(*cn_, "select count(*) from " + table).toInt(); }

    cLsBILLhead bill_ = sampleBill(dialectCode());
};

TEST_P(InsertPjML, StoresTextsAsTypedAndAFailureLeavesTheCallersTransactionToRollBackAndBadNumbersStoreNothing) {
    Recordset rec = itemRows({{"保育费", "2026年9月", 800, 22, ""},
                              {"伙食费", "2026年9月", 330, 22, ""},
                              {"书本费", "2026上", "一百二十", 0, ""}});
    cn_->beginTrans();
    EXPECT_FALSE(head_.insertPjML(*cn_, rec, bill_));
    ASSERT_EQ(messages_.count(), 1u);
    EXPECT_EQ(messages_.last().title, "警告");
    EXPECT_EQ(messages_.last().icon, MsgIcon::Information);
    EXPECT_NE(messages_.last().text.find("一百二十"), std::string::npos) << messages_.last().text;
    // What ran before the failure is still there, in the open transaction.
    ASSERT_TRUE(cn_->inTransaction());
    EXPECT_EQ(count("PjMLmx"), 2);
    cn_->rollbackTrans();
    EXPECT_EQ(count("PjML") + count("PjMLmx"), 0);

    // One header and an item row per record row, texts as typed, from the
    // first row whatever the position.
    rec = threeItems();
    rec.moveLast();
    ASSERT_TRUE(head_.insertPjML(*cn_, rec, bill_));
    EXPECT_EQ(rows("select id,djbh,pjState,bjmc,xsid,xh,xm,bz,hjje,jeDx,kpr,skr,zfr,zfrq from PjML"),
              (Rows{"501|SF'01||中班一班|11|2026001|O'Brien 小'明|九月费用|1250.5|壹仟贰佰伍拾元伍角|it''s|王会计||"}));
    // The issue date is the moment of storing, not the kprq property.
    auto issued = scalar(*cn_, "select kprq from PjML").toDate();
    ASSERT_TRUE(issued.has_value());
    EXPECT_GT(issued->year, 2001);
    EXPECT_EQ(rows("select PjMLid,xmmc,term,je,cqts,bz from PjMLmx order by pjmlmxid"),
              (Rows{"501|保育费|2026年9月|800|22|", "501|伙食'费|2026年9月|330.5|22|按'天计", "501|书本费|2026上|120|0|"}));
    // A duplicate id fails on the header and stops the items.
    EXPECT_FALSE(head_.insertPjML(*cn_, rec, bill_));
    EXPECT_EQ(messages_.count(), 2u);
    EXPECT_EQ(count("PjMLmx"), 3);
    cn_->execute("delete from PjMLmx");
    cn_->execute("delete from PjML");

    // Numbers that are no numbers, or a missing amount, stop before anything is stored.
    const std::pair<void (cLsBILLhead::*)(std::string), const char*> cases[] = {
        {&cLsBILLhead::set_hjje, "12元"}, {&cLsBILLhead::set_hjje, ""}, {&cLsBILLhead::set_ID, "501,0"},
        {&cLsBILLhead::set_xsId, "11) or (1=1"}};
    for (const auto& [set, value] : cases) {
        cLsBILLhead bill = bill_;
        (bill.*set)(value);
        Recordset rec = threeItems();
        EXPECT_FALSE(head_.insertPjML(*cn_, rec, bill)) << value;
    }
    EXPECT_EQ(messages_.count(), 6u);
    // A receipt without items or an item without an amount fails instead of storing it.
    for (const Value& missing : {Value(), Value(""), Value("  ")}) {
        Recordset rec = itemRows({{"保育费", "2026年9月", 800, 22, ""}, {"伙食费", "2026年9月", missing, 22, ""}});
        cn_->beginTrans();
        EXPECT_FALSE(head_.insertPjML(*cn_, rec, bill_));
        cn_->rollbackTrans();
        EXPECT_EQ(messages_.last().text, "收据项目[伙食费]的金额 为空");
    }
    // No item rows at all: nothing is stored, not even the header.
    Recordset none = itemRows({});
    EXPECT_FALSE(head_.insertPjML(*cn_, none, bill_));
    EXPECT_EQ(messages_.last().text + "|" + messages_.last().title, "收据[SF'01]没有收费项目，不能保存。|警告");
    EXPECT_EQ(count("PjML") + count("PjMLmx"), 0);
}

FO_INSTANTIATE_DIALECTS(InsertPjML);


class FeeCancellationTest : public BillsTest {
protected:
    void SetUp() override {
        BillsTest::SetUp();
        for (const char* sql : {
                 // October is open, September carried over.
                 "insert into ajzrq(yf,fromdate,todate,jfmc) values('202609','2026-09-01','2026-09-30','2026年9月'),"
                 "('202610','2026-10-01','2026-10-31','2026年10月')",
                 "insert into hisxsinfo(xsid,jzyf) values(0,'202609')",
                 "insert into kdw_xs(id,xh,xm,lb1,ysk,scsfrq,bcsfrq) values(11,'2026011','李小红',3,30,'2026-09-05',"
                 "'2026-10-08'),(12,'2026012','王小明',3,80,'2026-09-03','2026-10-02')",
                 "insert into XS_SFXM_YSK(xsid,sfxmid,ysk) values(11,1,45),(11,2,10),(12,1,80)",
                 // The charge: 300 less 30 discount, 50 taken from prepaid balance, 20 new prepayment.
                 "insert into kdw_sfjl(id,djbh,sfrq,sflxid,xsid,bjmc,je,tzje,zhekou,scjy,hkje,ssje,ysk,InOrOut,skzhid,"
                 "skr,bz,rq,operid,sfyf,ysfjlid,qfkid,hkid) values(101,'SF202610080001','2026-10-08 09:30:00',1,11,"
                 "'中班一班',300,0,30,0,50,240,20,1,2,'王会计','十月费用','2026-10-08 09:30:00',2,'202610',0,0,0)",
                 "insert into kdw_sfjlmx(sfjlid,sfxmid,je,ysje,ye,ysk,feetermname,cqts,termfrom,termto) values"
                 "(101,1,200,220,0,15,'2026-10-01至2026-10-31',22,'2026-10-01','2026-10-31'),"
                 "(101,1,0,0,0,5,'一次性',0,null,null),(101,2,100,110,10,0,'2026上',0,'2026-09-01','2027-01-31')",
                 "insert into PJML(id,djbh,pjState,xsid,xm,hjje) values(7,'SF202610080001','',11,'李小红',240),"
                 "(8,'SF202610020001','',12,'王小明',80)",
                 "insert into INandOutML(djbh,id,cw_date,je,userID,jzyf,czrq,jbr,zy,checked,yjlid) values"
                 "('SF202610080001',101,'2026-10-08',240,2,'202610','2026-10-08 09:30:00','王会计','收费',1,0),"
                 "('SF202610020001',103,'2026-10-02',80,2,'202610','2026-10-02 10:00:00','王会计','收费',0,0)",
                 "insert into INandOut(num,subid,addje,subje,jd,rootid) values(101,1,240,0,1,1),(101,6,0,50,2,6),"
                 "(103,1,80,0,1,1)",
                 // The transfer record the charge produced, and another student's charge (hkid null).
                 "insert into kdw_sfjl(id,djbh,xsid,je,sfyf,ysfjlid,hkid) values(102,'HK202610080001',11,50,'202610',0,101)",
                 "insert into kdw_sfjl(id,djbh,xsid,je,ssje,sfyf,ysfjlid,hkid) values(103,'SF202610020001',12,80,80,"
                 "'202610',0,null)",
                 "insert into kdw_sfjlmx(sfjlid,sfxmid,je) values(102,1,50),(103,1,80)",
                 // Arrears: 201 settled fully, 202 partly with remainder 203, 204 another student's.
                 "insert into qfhzb(qfkid,qfyf,xsid,qfje,fkje,fkrq,sfjlid,yqfkid) values"
                 "(201,'202609',11,120,120,'2026-10-08',101,0),(202,'202610',11,150,100,'2026-10-08',101,0),"
                 "(203,'202610',11,50,0,null,0,202),(204,'202610',12,80,80,'2026-10-02',103,0)",
                 "insert into qfmxb(qfkid,xsid,sfxmid,qfje,fkje) values(201,11,1,120,120),(202,11,1,100,100),"
                 "(202,11,2,50,0),(203,11,2,50,0),(204,12,1,80,80)"})
            db_.exec(sql);
        head_.set_djbh("SF202610080001");
        head_.set_ID("7");
        head_.set_zfr("O'Neil 张");
        head_.set_zfyy("家长'要求'退费");
        head_.set_pUseridZfr(host_->gUserid());
    }

    // What the caller does: one transaction, committed only on success.
    bool voidInTransaction() {
        Transaction tx(*cn_);
        const bool ok = head_.PJZF(*cn_);
        if (ok) tx.commit();
        return ok;
    }
    bool cancelInTransaction(const std::string& djbh, const std::string& id = {}) {
        Transaction tx(*cn_);
        const bool ok = head_.CancelMonthFee(*cn_, djbh, id);
        if (ok) tx.commit();
        return ok;
    }
};

TEST_P(FeeCancellationTest, AFailedWriteRollsBackTheVoidBooksMirrorsAndWhatIsNoLongerLiveIsRefusedBeforeAnyWrite) {
    // Reopening the settled arrears is the last write: failing there, the
    // rollback leaves everything as it was.
    const BooksSnapshot untouched(*cn_);
    const std::string unjam = failUpdates(*cn_, "qfhzb", "磁盘已满");
    EXPECT_THROW(voidInTransaction(), DbError);
    EXPECT_EQ(BooksSnapshot(*cn_), untouched);
    db_.exec(unjam);
    // A charge of a carried-over month, and ids that are no numbers (they
    // come from the host), are refused before they reach a statement.
    db_.exec("update kdw_sfjl set sfyf='202609' where id=101");
    EXPECT_FALSE(voidInTransaction());
    ASSERT_EQ(messages_.count(), 1u);
    EXPECT_EQ(messages_.last().text + "|" + messages_.last().title, "不能取消结转前的收费记录|警告！");
    EXPECT_EQ(messages_.last().icon, MsgIcon::Information);
    db_.exec("update kdw_sfjl set sfyf='202610' where id=101");
    const auto refused = [](const std::function<bool()>& attempt) {
        try {
            return !attempt();
        } catch (const std::exception&) {
            return true;
        }
    };
    EXPECT_TRUE(refused([&] { return cancelInTransaction("", "101 or 1=1"); }));
    cLsBILLhead badOperator = head_;
    badOperator.set_pUseridZfr("2 or 1=1");
    EXPECT_TRUE(refused([&] { Transaction tx(*cn_); return badOperator.PJZF(*cn_); }));
    EXPECT_EQ(BooksSnapshot(*cn_), untouched);

    // Two registers listed the receipt; the first voids it.
    cLsBILLhead other = head_;
    const std::size_t told = messages_.count();
    ASSERT_TRUE(voidInTransaction());
    EXPECT_EQ(messages_.count(), told);
    EXPECT_EQ(head_.pUserid(), host_->gUserid());
    const std::string user = host_->gUserid(), name = host_->gusername();
    EXPECT_EQ(rows("select pjState,zfr,useridZfr,zfyy,zfrq is not null from PJML order by id"),
              (Rows{"作废|O'Neil 张|" + user + "|家长'要求'退费|1", "||||0"}));

    // The mirror record: new number and id, every amount negated, linked to 101.
    const auto mirrors = fieldRows(*cn_, "select id,djbh from kdw_sfjl where ysfjlid=101");
    ASSERT_EQ(mirrors.size(), 1u);
    const std::string mirror = mirrors[0][0], mirrorNumber = mirrors[0][1];
    EXPECT_EQ(mirrorNumber.substr(0, 4), "QXSF");
    EXPECT_GT(std::stoi(mirror), 103);
    EXPECT_EQ(rows("select je,tzje,zhekou,scjy,hkje,ssje,ysk,sflxid,xsid,bjmc,InOrOut,skzhid,skr,bz,operid,sfyf,"
                   "sfrq is not null and rq is not null from kdw_sfjl where id=" + mirror),
              (Rows{"-300|0|-30|0|-50|-240|-20|1|11|中班一班|1|2|" + name + "|十月费用|" + user + "|202610|1"}));
    EXPECT_EQ(rows("select sfxmid,je,ysje,ye,ysk,feetermname,cqts,termfrom,termto from kdw_sfjlmx where sfjlid=" + mirror +
                   " order by sfxmid,je"),
              (Rows{"1|-200|-220|0|-15|2026-10-01至2026-10-31|22|2026-10-01|2026-10-31", "1|0|0|0|-5|一次性|0||",
                    "2|-100|-110|-10|0|2026上|0|2026-09-01|2027-01-31"}));
    // The journal row and lines under the same id, reversing the source.
    EXPECT_EQ(rows("select djbh,je,userID,jzyf,jbr,zy,checked,yjlid,cw_date from INandOutML where id=" + mirror),
              (Rows{mirrorNumber + "|-240|" + user + "|202610|王会计|取消收费|1|101|2026-10-08"}));
    EXPECT_EQ(rows("select subid,addje,subje,jd,rootid from INandOut where num=" + mirror + " order by subid"),
              (Rows{"1|-240|0|1|1", "6|0|-50|2|6"}));
    // Prepayments given back per item and on the student: 30 + 50 - 20.
    EXPECT_EQ(rows("select xsid,sfxmid,ysk from XS_SFXM_YSK order by xsid,sfxmid"),
              (Rows{"11|1|25", "11|2|10", "12|1|80"}));
    EXPECT_EQ(rows("select id,ysk,scsfrq,bcsfrq from kdw_xs order by id"),
              (Rows{"11|60|2026-09-05|", "12|80|2026-09-03|2026-10-02"}));

    // The transfer record is gone with its items; the other record stays.
    EXPECT_EQ(rows("select id from kdw_sfjl where id in(101,102,103) order by id"), (Rows{"101", "103"}));
    EXPECT_EQ(rows("select sfjlid,je from kdw_sfjlmx where sfjlid in(102,103)"), (Rows{"103|80"}));

    // Settled rows reopened, the remainder row gone with its items.
    EXPECT_EQ(rows("select qfkid,qfje,fkje,fkrq,sfjlid,yqfkid from qfhzb order by qfkid"),
              (Rows{"201|120|0||0|0", "202|150|0||0|0", "204|80|80|2026-10-02|103|0"}));
    EXPECT_EQ(rows("select qfkid,sfxmid,qfje,fkje from qfmxb order by qfkid,sfxmid"),
              (Rows{"201|1|120|0", "202|1|100|0", "202|2|50|0", "204|1|80|80"}));

    const BooksSnapshot before(*cn_);
    {
        Transaction tx(*cn_);
        EXPECT_FALSE(other.PJZF(*cn_));
    }
    EXPECT_EQ(messages_.last().text + "|" + messages_.last().title, "所选单据已经作废！|警告！");
    EXPECT_EQ(BooksSnapshot(*cn_), before);

    // Cancelled once is cancelled for good; a mirror is no charge to
    // cancel; a record that is not there says so.
    auto refusal = [&](const std::string& djbh, const std::string& id) {
        return errorOf([&] { cancelInTransaction(djbh, id); }).description();
    };
    EXPECT_EQ(refusal("SF202610080001", ""), "收费记录[SF202610080001]已被取消，不能再次取消，请刷新。");
    EXPECT_EQ(refusal("", mirror), "[" + mirrorNumber + "]是取消收费时记下的冲销记录，不能取消。");
    EXPECT_EQ(refusal("", "999"), "找不到收费记录[999]，请刷新。");
    EXPECT_EQ(BooksSnapshot(*cn_), before);
    db_.exec("insert into kdw_sfjl(id,djbh,xsid,je,sfyf,ysfjlid,hkid) values(107,'SF202610100001',12,10,'202610',0,0)");
    EXPECT_EQ(refusal("", "107"), "收费记录[SF202610100001]没有对应的收据，不能取消。");
}

// A later operation on any remainder row the charge split off blocks the
// void, naming what to cancel first, until that row is untouched again.
// The sum row's label chosen in a list is no record, unless an id chooses one.
TEST_P(FeeCancellationTest, EveryRemainderRowTheChargeSplitOffBlocksWhileItIsNotUntouched) {
    const BooksSnapshot untouched(*cn_);
    EXPECT_FALSE(cancelInTransaction("合计"));
    head_.set_djbh("合计");
    EXPECT_FALSE(voidInTransaction());
    EXPECT_EQ(messages_.count(), 0u);
    EXPECT_EQ(BooksSnapshot(*cn_), untouched);
    head_.set_djbh("SF202610080001");
    // The charge settled a second row in part (205, remainder 206); a
    // reduction (105) settled the first remainder (203) after the charge.
    db_.exec("insert into qfhzb(qfkid,qfyf,xsid,qfje,fkje,fkrq,sfjlid,yqfkid) values"
             "(205,'202610',11,90,60,'2026-10-08',101,0),(206,'202610',11,30,0,null,0,205)");
    db_.exec("insert into qfmxb(qfkid,xsid,sfxmid,qfje,fkje) values(205,11,2,90,60),(206,11,2,30,0)");
    db_.exec("insert into kdw_sfjl(id,djbh,xsid,jmje,sfyf,ysfjlid,hkid) values(105,'JM202610090001',11,50,'202610',0,0)");
    db_.exec("update qfhzb set jmje=50,jmjlid=105,fkrq='2026-10-09' where qfkid=203");
    BooksSnapshot before(*cn_);
    EXPECT_FALSE(voidInTransaction());
    ASSERT_EQ(messages_.count(), 1u);
    // The two-line message, then the operation to cancel first, named.
    EXPECT_EQ(messages_.last().text + "|" + messages_.last().title,
              "继本次收费操作后又发生与之相关的减免或收费操作！不能直接取消本次收费！\r\n\r\n"
              "请按照“后操作先取消”的顺序完成取消操作。\r\n\r\n须先取消：减免记录[JM202610090001]（所属期 202610）|警告！");
    EXPECT_EQ(messages_.last().icon, MsgIcon::Exclamation);
    EXPECT_EQ(BooksSnapshot(*cn_), before);
    // The reduction is cancelled first: its mirror booked, the remainder reopened.
    db_.exec("insert into kdw_sfjl(id,djbh,xsid,jmje,sfyf,ysfjlid,hkid) values(106,'QXJM202610090001',11,-50,'202610',"
             "105,0)");
    db_.exec("update qfhzb set jmje=0,jmjlid=0,fkrq=null where qfkid=203");
    for (const char* later : {
             // settled by a later reduction
             "update qfhzb set jmje=30,jmjlid=105,fkrq='2026-10-09' where qfkid=206",
             // paid on its item by a later charge, the row still open
             "update qfmxb set fkje=10 where qfkid=206",
         }) {
        db_.exec(later);
        before = BooksSnapshot(*cn_);
        EXPECT_FALSE(voidInTransaction()) << later;
        EXPECT_EQ(messages_.last().text.rfind(feecancel::kLaterOperationText, 0), 0u);
        EXPECT_EQ(BooksSnapshot(*cn_), before);
        db_.exec("update qfhzb set jmje=0,jmjlid=0,fkrq=null where qfkid=206");
        db_.exec("update qfmxb set fkje=0 where qfkid=206");
    }
    // Untouched again: the charge can go, with both remainders; chosen by
    // its id under the sum row's label, the receipt is not voided with it.
    ASSERT_TRUE(cancelInTransaction("合计", "101"));
    EXPECT_EQ(messages_.count(), 3u);
    EXPECT_EQ(rows("select qfkid,fkje,fkrq,sfjlid from qfhzb where xsid=11 order by qfkid"),
              (Rows{"201|0||0", "202|0||0", "205|0||0"}));
    EXPECT_EQ(rows("select count(*) from kdw_sfjl where ysfjlid=101"), (Rows{"1"}));
    EXPECT_EQ(rows("select pjState from PJML where id=7"), (Rows{""}));  // no void without PJZF
}

FO_INSTANTIATE_DIALECTS(FeeCancellationTest);

}  // namespace
}  // namespace fo::test
