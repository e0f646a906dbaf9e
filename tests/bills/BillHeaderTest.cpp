// The bill header object: its hand-over of the host object, the number
// literals of its statements, the register's queries and storing a receipt.
#include <memory>
#include <stdexcept>

#include "bills/BillsFixture.h"
#include "bills/SqlNumber.h"
#include "support/FakeHostSystem.h"

namespace fo::test {
namespace {

using Texts = std::vector<std::string>;

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

    Texts column(const std::string& sql, const std::string& name) {
        RecordsetPtr rs = db_.open()->execute(sql);
        return columnTexts(*rs, name);
    }
};

TEST_P(RegisterQueries, JoinReceiptsToTheirFeeRecordAndStudentNewestFirst) {
    const std::string sql = head_.getPJMLsqL("a.id>0");
    EXPECT_EQ(column(sql, "id"), (Texts{"3", "2", "1"}));
    EXPECT_EQ(column(sql, "单据状态"), (Texts{"", "作废", ""}));
    // Prepaid and transferred amounts come from the fee record of the receipt.
    EXPECT_EQ(column(sql, "预收款"), (Texts{"0", "0", "20"}));
    EXPECT_EQ(column(sql, "划扣金额"), (Texts{"0", "35.5", "0"}));
    EXPECT_EQ(column(sql, "金额"), (Texts{"80", "120.5", "300"}));

    actAs(kClerk);  // categories 3 and 5 only; the restriction stands before the condition
    EXPECT_EQ(column(head_.getPJMLsqL("a.id>0"), "id"), (Texts{"2", "1"}));
    EXPECT_EQ(column(head_.getPJMLsqLTop100(""), "id"), (Texts{"2", "1"}));
}

FO_INSTANTIATE_DIALECTS(RegisterQueries);

struct Item {
    Value xmmc, term, je, cqts, bz;
};

// The item rows as the host hands them over: an in-memory set.
Recordset itemRows(const std::vector<Item>& items) {
    Recordset rec;
    for (const char* name : {"xmmc", "term", "je", "cqts", "bz"}) rec.appendField(name);
    rec.open();
    for (const Item& item : items) {
        rec.addNew();
        rec.field("xmmc") = item.xmmc;
        rec.field("term") = item.term;
        rec.field("je") = item.je;
        rec.field("cqts") = item.cqts;
        rec.field("bz") = item.bz;
    }
    return rec;
}

cLsBILLhead sampleBill() {
    cLsBILLhead bill;
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
    void SetUp() override {
        BillsTest::SetUp();
        cn_ = db_.open();
        bill_.set_pSql(dialectCode());
    }

    Recordset threeItems() {
        return itemRows({{"保育费", "2026年9月", Currency::fromInt(800), 22, ""},
                         {"伙食'费", "2026年9月", "330.5", " 22 ", "按'天计"},
                         {"书本费", "2026上", Currency::fromInt(120), Value(), Value()}});
    }
    long count(const std::string& table) { return scalar(*cn_, "select count(*) from " + table).toInt(); }

    ConnectionPtr cn_;
    cLsBILLhead bill_ = sampleBill();
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
    EXPECT_EQ(joinedRows(*cn_, "select id,djbh,pjState,bjmc,xsid,xh,xm,bz,hjje,jeDx,kpr,skr,zfr,zfrq from PjML"),
              (Rows{"501|SF'01||中班一班|11|2026001|O'Brien 小'明|九月费用|1250.5|壹仟贰佰伍拾元伍角|it''s|王会计||"}));
    // The issue date is the moment of storing, not the kprq property.
    auto issued = scalar(*cn_, "select kprq from PjML").toDate();
    ASSERT_TRUE(issued.has_value());
    EXPECT_GT(issued->year, 2001);
    EXPECT_EQ(joinedRows(*cn_, "select PjMLid,xmmc,term,je,cqts,bz from PjMLmx order by pjmlmxid"),
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

}  // namespace
}  // namespace fo::test
