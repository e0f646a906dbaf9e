// Storing a receipt: one PjML row and one PjMLmx row per item, on the
// caller's connection and inside the caller's transaction.
#include <string>
#include <vector>

#include "bills/BillsFixture.h"

namespace fo::test {
namespace {

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

TEST_P(InsertPjML, StoresOneHeaderAndOneItemRowPerRecordRowWithTextsAsTyped) {
    Recordset rec = threeItems();
    rec.moveLast();  // it starts from the first row whatever the position
    ASSERT_TRUE(head_.insertPjML(*cn_, rec, bill_));
    EXPECT_EQ(messages_.count(), 0u);

    EXPECT_EQ(joinedRows(*cn_, "select id,djbh,pjState,bjmc,xsid,xh,xm,bz,hjje,jeDx,kpr,skr,zfr,zfrq from PjML"),
              (Rows{"501|SF'01||中班一班|11|2026001|O'Brien 小'明|九月费用|1250.5|壹仟贰佰伍拾元伍角|it''s|王会计||"}));
    // The issue date is the moment of storing, not the kprq property.
    auto issued = scalar(*cn_, "select kprq from PjML").toDate();
    ASSERT_TRUE(issued.has_value());
    EXPECT_GT(issued->year, 2001);

    EXPECT_EQ(joinedRows(*cn_, "select PjMLid,xmmc,term,je,cqts,bz from PjMLmx order by pjmlmxid"),
              (Rows{"501|保育费|2026年9月|800|22|", "501|伙食'费|2026年9月|330.5|22|按'天计", "501|书本费|2026上|120|0|"}));
}

TEST_P(InsertPjML, AFailureShowsTheErrorAndLeavesTheCallersTransactionToRollBackAndBadNumbersStoreNothing) {
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

    // A duplicate id fails on the header and stops the items.
    rec = threeItems();
    ASSERT_TRUE(head_.insertPjML(*cn_, rec, bill_));
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
    EXPECT_EQ(messages_.last().text, "收据[SF'01]没有收费项目，不能保存。");
    EXPECT_EQ(messages_.last().title, "警告");
    EXPECT_EQ(count("PjML") + count("PjMLmx"), 0);
}

FO_INSTANTIATE_DIALECTS(InsertPjML);

}  // namespace
}  // namespace fo::test
