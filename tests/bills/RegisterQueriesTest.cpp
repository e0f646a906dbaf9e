// The receipt register's statements: their exact texts, and what they return
// when run on a fee database in either dialect.
#include <algorithm>
#include <string>
#include <vector>

#include "bills/BillsFixture.h"

namespace fo::test {
namespace {

// The register query's fixed part, written out once; the tests below append
// the category restriction and condition they expect.
const std::string kSelectColumns =
    " a.id ,a.djbh as 编号,a.pjState as 单据状态,a.bjmc as 班级名称 ,a.xh as 学号,a.xm as 姓名,a.kprq as 开票日期 ,\r\n"
    " a.hjje As 金额,b.ysk as 预收款,b.hkje as 划扣金额, a.jeDx As 大写,a.bz As 备注, a.kpr As 开票人, a.skr As 收款人,"
    " a.zfrq As 作废日期, a.zfr As 作废人, a.zfyy As 作废原因\r\n"
    "FROM PJML as a,kdw_sfjl as b,kdw_xs as c where  a.djbh=b.djbh and a.xsid=c.id ";

using RegisterQueries = BillsTest;

TEST_P(RegisterQueries, TextsForTheBuiltInOperatorCarryNoCategoryRestriction) {
    EXPECT_EQ(head_.getPJMLsqL("a.kpr='张三'"),
              "select a.id ,a.djbh as 编号,a.pjState as 单据状态,a.bjmc as 班级名称 ,a.xh as 学号,a.xm as 姓名,"
              "a.kprq as 开票日期 ,\r\n a.hjje As 金额,b.ysk as 预收款,b.hkje as 划扣金额, a.jeDx As 大写,"
              "a.bz As 备注, a.kpr As 开票人, a.skr As 收款人, a.zfrq As 作废日期, a.zfr As 作废人, "
              "a.zfyy As 作废原因\r\nFROM PJML as a,kdw_sfjl as b,kdw_xs as c where  a.djbh=b.djbh and "
              "a.xsid=c.id  and a.kpr='张三' order by a.id desc");
    EXPECT_EQ(head_.getPJMLsqLTop100("a.kpr='张三'"),
              "select top 100" + kSelectColumns + " and a.kpr='张三' order by a.id desc");
    // Without a condition nothing dangles before the ordering.
    EXPECT_EQ(head_.getPJMLsqLTop100(""), "select top 100" + kSelectColumns + " order by a.id desc");
}

TEST_P(RegisterQueries, TextsForARestrictedOperatorCarryHisCategories) {
    actAs(kClerk);
    EXPECT_EQ(head_.getPJMLsqL("a.pjState='作废'"),
              "select" + kSelectColumns + " and  c.lb1  in(3,5) and a.pjState='作废' order by a.id desc");
    EXPECT_EQ(head_.getPJMLsqLTop100(""),
              "select top 100" + kSelectColumns + " and  c.lb1  in(3,5) order by a.id desc");
    EXPECT_EQ(head_.getPJMLsqLTop100("a.id>5"),
              "select top 100" + kSelectColumns + " and  c.lb1  in(3,5) and a.id>5 order by a.id desc");
}

TEST_P(RegisterQueries, IssuerAndStateListTexts) {
    EXPECT_EQ(head_.getPJMLkpr(), "select kpr\r\nFROM PJML  group by kpr");
    EXPECT_EQ(head_.getPJMLstate(), "select pjState\r\nFROM PJML  group by pjState");
}

// Three students in three categories, each with a charge and its receipt,
// plus receipts that the joins must drop.
class RegisterQueriesOnData : public BillsTest {
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

    std::vector<std::string> ids(const std::string& sql) {
        RecordsetPtr rs = db_.open()->execute(sql);
        return columnTexts(*rs, "id");
    }
};

TEST_P(RegisterQueriesOnData, JoinsReceiptsToTheirFeeRecordAndStudentNewestFirst) {
    RecordsetPtr rs = db_.open()->execute(head_.getPJMLsqL("a.id>0"));
    EXPECT_EQ(columnTexts(*rs, "id"), (std::vector<std::string>{"3", "2", "1"}));
    EXPECT_EQ(columnTexts(*rs, "编号"), (std::vector<std::string>{"SF003", "SF002", "SF001"}));
    EXPECT_EQ(columnTexts(*rs, "单据状态"), (std::vector<std::string>{"", "作废", ""}));
    // Prepaid and transferred amounts come from the fee record of the receipt.
    EXPECT_EQ(columnTexts(*rs, "预收款"), (std::vector<std::string>{"0", "0", "20"}));
    EXPECT_EQ(columnTexts(*rs, "划扣金额"), (std::vector<std::string>{"0", "35.5", "0"}));
    EXPECT_EQ(columnTexts(*rs, "金额"), (std::vector<std::string>{"80", "120.5", "300"}));

    EXPECT_EQ(ids(head_.getPJMLsqL("a.kpr='张三'")), (std::vector<std::string>{"3", "1"}));
}

TEST_P(RegisterQueriesOnData, TheCategoryRestrictionHidesOtherCategories) {
    actAs(kClerk);
    EXPECT_EQ(ids(head_.getPJMLsqL("a.id>0")), (std::vector<std::string>{"2", "1"}));
    EXPECT_EQ(ids(head_.getPJMLsqL("a.pjState='作废'")), (std::vector<std::string>{"2"}));
    EXPECT_EQ(ids(head_.getPJMLsqLTop100("")), (std::vector<std::string>{"2", "1"}));
}

TEST_P(RegisterQueriesOnData, IssuersAndStatesAreListedOnceEach) {
    ConnectionPtr cn = db_.open();
    auto issuers = firstColumn(*cn, head_.getPJMLkpr());
    std::sort(issuers.begin(), issuers.end());
    EXPECT_EQ(issuers, (std::vector<std::string>{"张三", "李四"}));
    auto states = firstColumn(*cn, head_.getPJMLstate());
    std::sort(states.begin(), states.end());
    EXPECT_EQ(states, (std::vector<std::string>{"", "作废"}));
}

// 120 receipts; every tenth belongs to a student of category 5, the rest to
// one of category 8.
class RegisterTop100 : public BillsTest {
protected:
    void SetUp() override {
        BillsTest::SetUp();
        db_.exec("insert into kdw_xs(id,xh,xm,lb1) values(21,'021','周五',5),(22,'022','吴六',8)");
        ConnectionPtr cn = db_.open();
        Transaction tr(*cn);
        for (int id = 1; id <= 120; ++id) {
            const std::string n = std::to_string(id), xsid = id % 10 == 0 ? "21" : "22";
            cn->execute("insert into kdw_sfjl(id,djbh,xsid) values(" + n + ",'SF" + n + "'," + xsid + ")");
            cn->execute("insert into PJML(id,djbh,xsid,hjje) values(" + n + ",'SF" + n + "'," + xsid + "," + n + ")");
        }
        tr.commit();
    }

    std::vector<std::string> ids(const std::string& sql) {
        RecordsetPtr rs = db_.open()->execute(sql);
        return columnTexts(*rs, "id");
    }
    static std::vector<std::string> descending(int from, int to, int step = 1) {
        std::vector<std::string> out;
        for (int id = from; id >= to; id -= step) out.push_back(std::to_string(id));
        return out;
    }
};

TEST_P(RegisterTop100, ReturnsTheNewestHundredInIdOrderDescending) {
    EXPECT_EQ(ids(head_.getPJMLsqLTop100("")), descending(120, 21));
    EXPECT_EQ(ids(head_.getPJMLsqLTop100("a.id<=50")), descending(50, 1));
    // The unlimited query returns them all.
    EXPECT_EQ(ids(head_.getPJMLsqL("a.id>0")).size(), 120u);
}

TEST_P(RegisterTop100, ARestrictedOperatorSeesOnlyHisCategoriesAmongTheNewest) {
    actAs(kClerk);
    EXPECT_EQ(ids(head_.getPJMLsqLTop100("")), descending(120, 10, 10));
}

FO_INSTANTIATE_DIALECTS(RegisterQueries);
FO_INSTANTIATE_DIALECTS(RegisterQueriesOnData);
FO_INSTANTIATE_DIALECTS(RegisterTop100);

}  // namespace
}  // namespace fo::test
