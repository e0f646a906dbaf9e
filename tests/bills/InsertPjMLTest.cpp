// Storing a receipt: one PjML row and one PjMLmx row per item, on the
// caller's connection and inside the caller's transaction.
#include <string>
#include <vector>

#include "bills/BillsFixture.h"
#include "bills/ReceiptStatements.h"
#include "db/DbError.h"

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

class InsertPjML : public BillsTest {
protected:
    void SetUp() override {
        BillsTest::SetUp();
        cn_ = db_.open();
        bill_.set_ID("501");
        bill_.set_djbh("SF202609010001");
        bill_.set_state("");
        bill_.set_bjmc("中班一班");
        bill_.set_xsId("11");
        bill_.set_xh("2026001");
        bill_.set_xm("张小明");
        bill_.set_beizhu("九月费用");
        bill_.set_hjje("1250.5");
        bill_.set_jeDx("壹仟贰佰伍拾元伍角");
        bill_.set_kpr("系统管理员");
        bill_.set_skr("王会计");
        bill_.set_zfr("");
        bill_.set_kprq("2001-01-01");  // not used: the moment of storing is written
        bill_.set_pSql(dialectCode());
    }

    Recordset threeItems() {
        return itemRows({{"保育费", "2026年9月", Currency::fromInt(800), 22, ""},
                         {"伙食费", "2026年9月", "330.5", " 22 ", "按天计"},
                         {"书本费", "2026上", Currency::fromInt(120), Value(), Value()}});
    }

    Value pjml(const std::string& column, const std::string& id = "501") {
        return scalar(*cn_, "select " + column + " from PjML where id=" + id);
    }
    long count(const std::string& table) {
        return static_cast<long>(scalar(*cn_, "select count(*) from " + table).toInt());
    }

    ConnectionPtr cn_;
    cLsBILLhead bill_;
};

TEST_P(InsertPjML, StoresOneHeaderAndOneItemRowPerRecordRow) {
    Recordset rec = threeItems();
    rec.moveLast();  // it starts from the first row whatever the position
    ASSERT_TRUE(head_.insertPjML(*cn_, rec, bill_));
    EXPECT_EQ(messages_.count(), 0u);

    EXPECT_EQ(count("PjML"), 1);
    EXPECT_EQ(pjml("djbh").toText(), "SF202609010001");
    EXPECT_EQ(pjml("pjState").toText(), "");
    EXPECT_EQ(pjml("bjmc").toText(), "中班一班");
    EXPECT_EQ(pjml("xsid").toInt(), 11);
    EXPECT_EQ(pjml("xh").toText(), "2026001");
    EXPECT_EQ(pjml("xm").toText(), "张小明");
    EXPECT_EQ(pjml("bz").toText(), "九月费用");
    EXPECT_EQ(pjml("hjje").toCurrency(), Currency::fromRaw(12505000));
    EXPECT_EQ(pjml("jeDx").toText(), "壹仟贰佰伍拾元伍角");
    EXPECT_EQ(pjml("kpr").toText(), "系统管理员");
    EXPECT_EQ(pjml("skr").toText(), "王会计");
    EXPECT_EQ(pjml("zfr").toText(), "");
    EXPECT_TRUE(pjml("zfrq").isNull());
    // The issue date is the moment of storing, not the kprq property.
    auto issued = pjml("kprq").toDate();
    ASSERT_TRUE(issued.has_value()) << pjml("kprq").toText();
    EXPECT_GT(issued->year, 2001);

    EXPECT_EQ(firstColumn(*cn_, "select count(*) from PjMLmx where PjMLid=501"), (std::vector<std::string>{"3"}));
    RecordsetPtr items = cn_->execute("select xmmc,term,je,cqts,bz from PjMLmx order by pjmlmxid");
    EXPECT_EQ(columnTexts(*items, "xmmc"), (std::vector<std::string>{"保育费", "伙食费", "书本费"}));
    EXPECT_EQ(columnTexts(*items, "term"), (std::vector<std::string>{"2026年9月", "2026年9月", "2026上"}));
    EXPECT_EQ(columnTexts(*items, "je"), (std::vector<std::string>{"800", "330.5", "120"}));
    EXPECT_EQ(columnTexts(*items, "cqts"), (std::vector<std::string>{"22", "22", "0"}));
    EXPECT_EQ(columnTexts(*items, "bz"), (std::vector<std::string>{"", "按天计", ""}));
}

TEST_P(InsertPjML, TextWithQuotesAndLongChineseRemarksRoundTripsUnchanged) {
    std::string longRemark;
    for (int i = 0; i < 125; ++i) longRemark += "减免说明";  // 500 characters
    bill_.set_xm("O'Brien 小'明");
    bill_.set_beizhu(longRemark);
    bill_.set_kpr("it''s");
    bill_.set_djbh("SF'1");
    Recordset rec = itemRows({{"午餐'加餐", "九月'上", 5, 1, "含'引号''两个"}});
    ASSERT_TRUE(head_.insertPjML(*cn_, rec, bill_));

    EXPECT_EQ(pjml("xm").toText(), "O'Brien 小'明");
    EXPECT_EQ(pjml("bz").toText(), longRemark);
    EXPECT_EQ(pjml("kpr").toText(), "it''s");
    EXPECT_EQ(pjml("djbh").toText(), "SF'1");
    RecordsetPtr items = cn_->execute("select xmmc,term,bz from PjMLmx where PjMLid=501");
    EXPECT_EQ(columnTexts(*items, "xmmc"), (std::vector<std::string>{"午餐'加餐"}));
    EXPECT_EQ(columnTexts(*items, "term"), (std::vector<std::string>{"九月'上"}));
    EXPECT_EQ(columnTexts(*items, "bz"), (std::vector<std::string>{"含'引号''两个"}));
}

TEST_P(InsertPjML, NeverEndsTheCallersTransaction) {
    Recordset rec = threeItems();
    cn_->beginTrans();
    ASSERT_TRUE(head_.insertPjML(*cn_, rec, bill_));
    EXPECT_TRUE(cn_->inTransaction());
    cn_->rollbackTrans();
    EXPECT_EQ(count("PjML"), 0);
    EXPECT_EQ(count("PjMLmx"), 0);
}

TEST_P(InsertPjML, ADuplicateIdShowsOneWarningAndReturnsFalse) {
    Recordset rec = threeItems();
    ASSERT_TRUE(head_.insertPjML(*cn_, rec, bill_));
    bill_.set_djbh("SF202609010002");
    EXPECT_FALSE(head_.insertPjML(*cn_, rec, bill_));

    ASSERT_EQ(messages_.count(), 1u);
    EXPECT_EQ(messages_.last().title, "警告");
    EXPECT_EQ(messages_.last().icon, MsgIcon::Information);
    EXPECT_EQ(messages_.last().buttons, MsgButtons::OK);
    // The engine's own description is what the clerk reads.
    try {
        cn_->execute(receipt::headerInsert(bill_, "null"));
        ADD_FAILURE() << "the duplicate insert ran";
    } catch (const DbError& e) {
        EXPECT_EQ(messages_.last().text, e.description());
    }
    // The failing header stopped the items.
    EXPECT_EQ(count("PjMLmx"), 3);
    EXPECT_EQ(pjml("djbh").toText(), "SF202609010001");
}

TEST_P(InsertPjML, AFailureMidwayLeavesNothingOnceTheCallerRollsBack) {
    Recordset rec = itemRows({{"保育费", "2026年9月", 800, 22, ""},
                              {"伙食费", "2026年9月", 330, 22, ""},
                              {"书本费", "2026上", "一百二十", 0, ""}});
    cn_->beginTrans();
    EXPECT_FALSE(head_.insertPjML(*cn_, rec, bill_));
    ASSERT_EQ(messages_.count(), 1u);
    EXPECT_EQ(messages_.last().title, "警告");
    EXPECT_NE(messages_.last().text.find("一百二十"), std::string::npos) << messages_.last().text;
    // What ran before the failure is still there for the caller to undo.
    EXPECT_EQ(count("PjML"), 1);
    EXPECT_EQ(count("PjMLmx"), 2);
    cn_->rollbackTrans();
    EXPECT_EQ(count("PjML"), 0);
    EXPECT_EQ(count("PjMLmx"), 0);
}

TEST_P(InsertPjML, NumbersThatAreNotNumbersStopBeforeAnyStatementRuns) {
    struct Case {
        const char* property;
        void (cLsBILLhead::*set)(std::string);
        const char* value;
    };
    const Case cases[] = {{"hjje", &cLsBILLhead::set_hjje, "12元"},
                          {"hjje", &cLsBILLhead::set_hjje, ""},
                          {"ID", &cLsBILLhead::set_ID, "501,0"},
                          {"xsId", &cLsBILLhead::set_xsId, "11) or (1=1"}};
    for (const Case& c : cases) {
        cLsBILLhead bill = bill_;
        (bill.*c.set)(c.value);
        Recordset rec = threeItems();
        messages_.clear();
        EXPECT_FALSE(head_.insertPjML(*cn_, rec, bill)) << c.property << "=" << c.value;
        ASSERT_EQ(messages_.count(), 1u);
        EXPECT_EQ(messages_.last().title, "警告");
        EXPECT_NE(messages_.last().text.find(c.property), std::string::npos) << messages_.last().text;
    }
    EXPECT_EQ(count("PjML"), 0);
    EXPECT_EQ(count("PjMLmx"), 0);
}

TEST_P(InsertPjML, ARecordSetWithoutAnItemFieldFails) {
    Recordset rec;
    for (const char* name : {"xmmc", "term", "je", "bz"}) rec.appendField(name);  // no cqts
    rec.open();
    rec.addNew();
    rec.field("xmmc") = "保育费";
    EXPECT_FALSE(head_.insertPjML(*cn_, rec, bill_));
    ASSERT_EQ(messages_.count(), 1u);
    EXPECT_EQ(messages_.last().title, "警告");
}

FO_INSTANTIATE_DIALECTS(InsertPjML);

// The composed statements themselves, with the SQL Server issue date.
TEST(ReceiptStatements, HeaderAndItemTextsAreComposedPieceByPiece) {
    cLsBILLhead bill;
    bill.set_ID(" 7 ");
    bill.set_djbh("SF01");
    bill.set_state("");
    bill.set_bjmc("小班");
    bill.set_xsId("3");
    bill.set_xh("003");
    bill.set_xm("O'Neil");
    bill.set_beizhu("备注");
    bill.set_hjje("+10.50");
    bill.set_jeDx("拾元伍角");
    bill.set_kpr("甲");
    bill.set_skr("乙");
    bill.set_zfr("");
    EXPECT_EQ(receipt::headerInsert(bill, "getdate()"),
              "insert into PjML(\r\nid ,djbh,pjState,\r\nbjmc ,xsid ,xh ,xm,\r\nkprq ,bz ,hjje,\r\n"
              "jeDx ,kpr ,skr ,\r\nzfrq , zfr)values(7,'SF01','','小班',3,'003'\r\n"
              ",'O''Neil',getdate(),'备注',10.50,'拾元伍角','甲'\r\n,'乙',null,'')");

    Recordset rec = itemRows({{"保育费", "9月", "", Value(), "a'b"}});
    EXPECT_EQ(receipt::itemInsert("7", rec),
              "insert into PjMLmx(PjMLid,xmmc,term,je,cqts,bz)values(7,'保育费','9月',0,0,'a''b')");
}

TEST(ReceiptStatements, TheIssueDateFollowsTheBillsOwnDialectCode) {
    EXPECT_EQ(receipt::issueDateExpression(1), "getdate()");
    for (int code : {0, 2, -1}) {
        const std::string text = receipt::issueDateExpression(code);
        ASSERT_GE(text.size(), 12u) << text;
        EXPECT_EQ(text.front(), '\'');
        EXPECT_EQ(text.back(), '\'');
        EXPECT_TRUE(DateTime::parse(text.substr(1, text.size() - 2)).has_value()) << text;
    }
}

}  // namespace
}  // namespace fo::test
