// What the receipt register's queries return on a fee database in either
// dialect: the joins, the order and the operator's categories.
#include <string>
#include <vector>

#include "bills/BillsFixture.h"

namespace fo::test {
namespace {

using Texts = std::vector<std::string>;

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

}  // namespace
}  // namespace fo::test
