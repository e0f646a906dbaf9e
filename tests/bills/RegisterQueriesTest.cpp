// The receipt register's statements: their exact texts, and what they return
// when run on a fee database in either dialect.
#include <string>
#include <vector>

#include "bills/BillsFixture.h"

namespace fo::test {
namespace {

using Texts = std::vector<std::string>;

// The register query between "select" and its condition.
const std::string kSelectColumns =
    " a.id ,a.djbh as 编号,a.pjState as 单据状态,a.bjmc as 班级名称 ,a.xh as 学号,a.xm as 姓名,a.kprq as 开票日期 ,\r\n"
    " a.hjje As 金额,b.ysk as 预收款,b.hkje as 划扣金额, a.jeDx As 大写,a.bz As 备注, a.kpr As 开票人, a.skr As 收款人,"
    " a.zfrq As 作废日期, a.zfr As 作废人, a.zfyy As 作废原因\r\n"
    "FROM PJML as a,kdw_sfjl as b,kdw_xs as c where  a.djbh=b.djbh and a.xsid=c.id ";

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

TEST_P(RegisterQueries, Texts) {
    EXPECT_EQ(head_.getPJMLsqL("a.kpr='张三'"), "select" + kSelectColumns + " and a.kpr='张三' order by a.id desc");
    // Without a condition nothing dangles before the ordering.
    EXPECT_EQ(head_.getPJMLsqLTop100(""), "select top 100" + kSelectColumns + " order by a.id desc");
    EXPECT_EQ(head_.getPJMLkpr(), "select kpr\r\nFROM PJML  group by kpr");
    EXPECT_EQ(head_.getPJMLstate(), "select pjState\r\nFROM PJML  group by pjState");

    actAs(kClerk);  // the restriction stands between the joins and the condition
    EXPECT_EQ(head_.getPJMLsqLTop100("a.id>5"),
              "select top 100" + kSelectColumns + " and  c.lb1  in(3,5) and a.id>5 order by a.id desc");
}

TEST_P(RegisterQueries, JoinReceiptsToTheirFeeRecordAndStudentNewestFirst) {
    const std::string sql = head_.getPJMLsqL("a.id>0");
    EXPECT_EQ(column(sql, "id"), (Texts{"3", "2", "1"}));
    EXPECT_EQ(column(sql, "单据状态"), (Texts{"", "作废", ""}));
    // Prepaid and transferred amounts come from the fee record of the receipt.
    EXPECT_EQ(column(sql, "预收款"), (Texts{"0", "0", "20"}));
    EXPECT_EQ(column(sql, "划扣金额"), (Texts{"0", "35.5", "0"}));
    EXPECT_EQ(column(sql, "金额"), (Texts{"80", "120.5", "300"}));

    actAs(kClerk);  // categories 3 and 5 only
    EXPECT_EQ(column(head_.getPJMLsqL("a.id>0"), "id"), (Texts{"2", "1"}));
    EXPECT_EQ(column(head_.getPJMLsqLTop100(""), "id"), (Texts{"2", "1"}));
}

FO_INSTANTIATE_DIALECTS(RegisterQueries);

}  // namespace
}  // namespace fo::test
