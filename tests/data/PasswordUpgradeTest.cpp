// Operators' passwords: hashes that check what they were made from and
// nothing else, and the upgrade of a database that kept them in clear.
#include <gtest/gtest.h>

#include "data/PasswordHash.h"
#include "data/PasswordUpgrade.h"
#include "support/TempFeeDb.h"

namespace fo {
namespace {

TEST(PasswordHash, AHashChecksItsOwnPasswordOnlyAndClearTextMatchesNothing) {
    const std::string first = password::hash("王会计的密码"), second = password::hash("王会计的密码");
    EXPECT_TRUE(password::isHash(first));
    EXPECT_NE(first, second) << "each hash has its own salt";
    EXPECT_TRUE(password::matches(first, "王会计的密码"));
    EXPECT_TRUE(password::matches(second, "王会计的密码"));
    EXPECT_FALSE(password::matches(first, "王会计的密"));
    EXPECT_FALSE(password::matches(first, ""));
    // A password kept in clear, or none, is no hash: nothing matches it.
    EXPECT_FALSE(password::matches("secret", "secret"));
    EXPECT_FALSE(password::matches("", ""));
}

TEST(PasswordUpgrade, ClearTextPasswordsBecomeHashesAndEveryOperatorChoosesANewOne) {
    test::TempFeeDb db;
    ConnectionPtr cn = db.open();
    // The operator table as earlier releases wrote it, without the audit log.
    cn->execute("drop table sys_user");
    cn->execute("drop table sys_log");
    cn->execute("create table sys_user(id int primary key, name varchar(50) not null, password varchar(50) "
                "default '', admin int not null default 0)");
    cn->execute("insert into sys_user(id,name,password,admin) values(1,'系统管理员','',1),(2,'张会计','zhang''s',0),"
                "(3,'李出纳',null,0)");
    {
        Transaction tx(*cn);
        upgradeOperatorPasswords(*cn);
        tx.commit();
    }
    RecordsetPtr rs = cn->execute("select * from sys_user order by id");
    for (std::size_t i = 0; i < rs->fieldCount(); ++i) EXPECT_NE(rs->fieldInfo(i).name, "password");
    std::vector<std::string> rows;
    for (; !rs->eof(); rs->moveNext()) {
        const std::string hash = rs->field("pwhash").toText();
        rows.push_back(rs->field("name").toText() + "|" + (hash.empty() ? "none" : "hash") + "|" +
                       rs->field("mustsetpw").toText() + "|" + rs->field("disabled").toText() + "|" +
                       rs->field("admin").toText());
        if (!hash.empty()) EXPECT_TRUE(password::matches(hash, "zhang's"));
    }
    EXPECT_EQ(rows, (std::vector<std::string>{"系统管理员|none|1|0|1", "张会计|hash|1|0|0", "李出纳|none|1|0|0"}));
    EXPECT_NO_THROW(cn->execute("select count(*) from sys_log"));

    // Run again, it changes nothing.
    const std::string hash = cn->execute("select pwhash from sys_user where id=2")->field(std::size_t{0}).toText();
    upgradeOperatorPasswords(*cn);
    EXPECT_EQ(cn->execute("select pwhash from sys_user where id=2")->field(std::size_t{0}).toText(), hash);
}

}  // namespace
}  // namespace fo
