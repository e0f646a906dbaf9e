#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "data/FeeSchema.h"
#include "support/Query.h"
#include "support/TempDir.h"
#include "support/TempFeeDb.h"

namespace fo {
namespace {

using test::TempFeeDb;

TEST(FeeSchema, ViewGivesEveryStudentAsHisOwnPayerWithClassAndChargeTypeNames) {
    TempFeeDb db;
    auto cn = db.open();
    cn->execute("insert into kdw_bj(id,mc) values(3,'大一班')");
    cn->execute("insert into kdw_sflx(id,mc,sfxmid,je) values(7,'全托',1,300)");
    cn->execute("insert into kdw_sflx(id,mc,sfxmid,je) values(7,'全托',2,50)");
    cn->execute(
        "insert into kdw_xs(id,xh,xm,jm,sex,bjid,sflxid,lb1,fqxm,mqxm,ysk,rxsj) values"
        "(11,'2024001','王小明','wxm','男',3,7,4,'王大','李红',12.5,'2024-09-01')");

    // One row although the charge type has two items.
    auto rs = cn->execute(
        "select id,学号,付款人代码,姓名,班级,父亲姓名,母亲姓名,收费类型,预收款,简码,入学时间,"
        "sflxid,bjid,lb1,del,inttx,性别 from vxsxx where 付款人代码=学号");
    ASSERT_EQ(rs->recordCount(), 1);
    std::vector<std::string> row;
    for (std::size_t i = 0; i < rs->fieldCount(); ++i) row.push_back(rs->field(i).toText());
    EXPECT_EQ(row, (std::vector<std::string>{"11", "2024001", "2024001", "王小明", "大一班", "王大", "李红", "全托",
                                             "12.5", "wxm", "2024-09-01", "7", "3", "4", "0", "0", "男"}));
}

TEST(FeeDatabase, SchemaOnAnOpenTransactionJoinsItAndRollsBackWithIt) {
    test::TempDir dir;
    auto cn = createDatabase(sqliteConnectionString(dir.file("fee.db")));
    cn->beginTrans();
    createFeeSchema(*cn);
    EXPECT_TRUE(cn->inTransaction());
    cn->rollbackTrans();
    EXPECT_ANY_THROW(cn->execute("select id from kdw_sfjl"));
}

}  // namespace
}  // namespace fo
