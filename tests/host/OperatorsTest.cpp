#include <gtest/gtest.h>

#include <set>

#include "HostTestSupport.h"
#include "host/operators/Operators.h"
#include "host/ReferenceHost.h"

namespace fo {
namespace {

// Three first-level categories (3, 5, 8) with a sub-category under 3;
// clerk 2 may see categories 3 and 5, clerk 4 none at all.
class OperatorsTest : public test::FeeDbTest {
protected:
    void SetUp() override {
        exec("insert into kdw_xslx(id,parentid,mc) values(3,0,'全日制'),(5,0,'半日制'),(8,0,'托管'),(31,3,'全日制A')");
        exec("insert into kdw_xs(id,xh,xm,lb,lb1,lb2) values(1,'001','张三',3,3,31),(2,'002','李四',5,5,0),"
             "(3,'003','王五',8,8,0),(4,'004','赵六',3,3,0)");
        exec("insert into kdw_xs(id,xh,xm) values(5,'005','孙七')");  // category unset (0)
        exec("insert into kdw_xs(id,xh,xm,lb1) values(6,'006','周八',null)");
        Operators ops(*cn);
        ops.ensureBuiltIns();
        ops.add(Operator{2, "收费员甲", false});
        ops.add(Operator{4, "收费员乙", false});
        ops.add(Operator{6, "主管", true});
        ops.allowCategory(2, 5);
        ops.allowCategory(2, 3);
        ops.allowCategory(2, 3);  // granted twice, listed once
        ops.setRight(2, "JM", 2);
        ops.setRight(2, "PJZF", 0);
    }

    std::set<std::int64_t> ids(const std::string& sql) {
        std::set<std::int64_t> out;
        for (auto rs = cn->execute(sql); !rs->eof(); rs->moveNext()) out.insert(rs->field(0).toInt());
        return out;
    }
    // The students he sees through the condition and through the statement
    // of ids; both must agree.
    std::set<std::int64_t> visibleStudents(ReferenceHost& host) {
        auto byCondition = ids("select c.id from kdw_xs c where c.del=0" + host.getXSLBlistInSQL(" c.lb1 "));
        EXPECT_EQ(ids("select id from kdw_xs where del=0 and id in(" + host.userXSLBListInSQL() + ")"), byCondition);
        return byCondition;
    }
};

// The built-in operator sees every category, also students without one;
// a clerk only his own first-level categories; one without any, nobody.
TEST_P(OperatorsTest, EachSeesHisCategoriesWithHisRightsAnAdministratorIsAlwaysLeftAndTheBuiltInOneIsMadeOnce) {
    struct Case {
        int user;
        const char* name;
        const char* categories;
        std::set<std::int64_t> students;
    };
    const Case cases[] = {{Operators::BuiltInId, "系统管理员", "3,5,8", {1, 2, 3, 4, 5, 6}},
                          {2, "收费员甲", "3,5", {1, 2, 4}},
                          {4, "收费员乙", "", {}}};
    for (const Case& c : cases) {
        ReferenceHost host(dbPath, dialect(), c.user);
        // First-level categories only.
        EXPECT_EQ(host.gUserid() + "|" + host.gusername() + "|" + host.userXSLBLIST(),
                  std::to_string(c.user) + "|" + c.name + "|" + c.categories);
        EXPECT_EQ(visibleStudents(host), c.students) << c.name;
    }
    EXPECT_EQ(ReferenceHost(dbPath, dialect(), 2).getXSLBlistInSQL("b.lb1"), " and b.lb1 in(3,5)");

    // Right levels: a clerk's as granted, an administrator's all.
    ReferenceHost clerk(dbPath, dialect(), 2);
    EXPECT_EQ(clerk.GetQx("JM", Value(), true), 2);
    EXPECT_EQ(clerk.GetQx("PJZF", Value(), true), 0);
    EXPECT_EQ(clerk.GetQx("never-granted", Value(), true), 0);
    // A later grant replaces the earlier one.
    Operators(*cn).setRight(2, "JM", 1);
    EXPECT_EQ(clerk.GetQx("JM", Value(), true), 1);

    ReferenceHost chief(dbPath, dialect(), 6);  // an administrator, with no rows of his own
    EXPECT_EQ(chief.GetQx("JM", Value(), true), 3);
    EXPECT_EQ(chief.GetQx("PJZF", Value(), true), 3);
    // Administrator rights do not widen his categories: only the built-in
    // operator sees all of them.
    EXPECT_EQ(chief.getXSLBlistInSQL("lb1"), " and lb1 in(-1)");

    ReferenceHost builtIn(dbPath, dialect());
    EXPECT_EQ(builtIn.GetQx("anything", Value(), true), 3);

    // A right code with a quote is only text.
    Operators(*cn).setRight(2, "it's", 2);
    EXPECT_EQ(clerk.GetQx("it's", Value(), true), 2);

    Operators ops(*cn);
    EXPECT_THROW(ops.addNew(" 收费员甲 ", false), OperatorRefusal);  // the name is taken
    EXPECT_THROW(ops.addNew("  ", false), OperatorRefusal);
    const int added = ops.addNew(" 收费员丙 ", false);
    EXPECT_EQ(added, 7);
    EXPECT_EQ(ops.find(added)->name, "收费员丙");
    EXPECT_FALSE(ops.find(added)->hasPassword);
    EXPECT_TRUE(ops.find(added)->mustSetPassword);
    EXPECT_THROW(ops.rename(added, "主管"), OperatorRefusal);

    // Two administrators can sign in (1 and 6): one may go, the last may not.
    ops.setDisabled(6, true);
    EXPECT_THROW(ops.setDisabled(1, true), OperatorRefusal);
    EXPECT_THROW(ops.setAdmin(1, false), OperatorRefusal);
    ops.setAdmin(2, true);
    ops.setDisabled(1, true);
    EXPECT_TRUE(ops.find(1)->disabled);

    // Whoever wrote a record stays; one who never posted goes with his rights.
    exec("insert into kdw_sfjl(id,djbh,xsid,operid) values(1,'JM202612060001',1,4)");
    EXPECT_TRUE(ops.hasPostings(4));
    EXPECT_THROW(ops.remove(4), OperatorRefusal);
    EXPECT_THROW(ops.remove(1), OperatorRefusal);
    ops.setRight(added, Operators::ReprintRight, 3);
    ops.setCategories(added, {5, 8});
    EXPECT_EQ(ops.categoryIds(added), "5,8");
    ops.remove(added);
    EXPECT_FALSE(ops.find(added));
    EXPECT_EQ(scalar("select count(*) from sys_user_right where userid=" + std::to_string(added)), "0");
    EXPECT_EQ(scalar("select count(*) from sys_user_xslb where userid=" + std::to_string(added)), "0");

    // A new database gets its administrator once; an office whose built-in
    // row was deleted does not get a passwordless one back.
    exec("delete from sys_user");
    ReferenceHost first(dbPath, dialect());
    ReferenceHost second(dbPath, dialect());
    EXPECT_EQ(scalar("select count(*) from sys_user where id=1"), "1");
    EXPECT_EQ(scalar("select admin from sys_user where id=1"), "1");
    exec("insert into sys_user(id,name) values(2,'收费员甲')");
    exec("delete from sys_user where id=1");
    EXPECT_THROW(ReferenceHost(dbPath, dialect()), std::runtime_error);
    exec("delete from sys_user");
    exec("insert into sys_log(logtime,userid,operation,outcome) values('2026-12-01 08:00:00',1,'登录','成功')");
    EXPECT_THROW(ReferenceHost(dbPath, dialect()), std::runtime_error);
    EXPECT_EQ(scalar("select count(*) from sys_user"), "0");
    EXPECT_THROW(ReferenceHost(dbPath, dialect(), 99), std::runtime_error);
    EXPECT_THROW(ReferenceHost(dir.file("missing.db"), dialect()), std::runtime_error);
}

FO_INSTANTIATE_DIALECTS(OperatorsTest);

}  // namespace
}  // namespace fo
