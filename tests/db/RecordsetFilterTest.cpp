#include <gtest/gtest.h>

#include "db/DbError.h"
#include "db/Recordset.h"
#include "support/ErrorOf.h"

using fo::DataType;
using fo::Recordset;
using fo::Value;

namespace {

class RecordsetFilter : public ::testing::Test {
protected:
    void SetUp() override {
        rs_.appendField("学号", DataType::VarChar);
        rs_.appendField("姓名", DataType::VarChar);
        rs_.appendField("简码", DataType::VarChar);
        rs_.appendField("qfje", DataType::Currency);
        rs_.appendField("rxsj", DataType::Date);
        row("2012001", "张三", "ZS", "100", "2024-09-01");
        row("2013002", "李四", "ls", "0", "2025-09-01");
        row("2012103", "张小明", "zxm", "12.5", "2023-09-01");
        row("2014004", "O'Neil", "on", "", "2024-03-01");
        rs_.open();
    }
    void row(const char* xh, const char* xm, const char* jm, const char* qf, const char* rx) {
        rs_.appendRow({Value(xh), Value(xm), Value(jm), *qf ? Value(*fo::Currency::parse(qf)) : Value(),
                       Value(*fo::DateTime::parse(rx))});
    }
    // Student numbers visible through `filter`, in order.
    std::string visible(const std::string& filter) {
        rs_.setFilter(filter);
        std::string out;
        for (rs_.moveFirst(); !rs_.eof(); rs_.moveNext()) out += rs_.field("学号").toText().substr(4) + " ";
        return out;
    }
    Recordset rs_;
};

TEST_F(RecordsetFilter, LikesAndComparisonsOnNumbersTextAndDatesJoinedByAndOr) {
    const std::string search = "学号 like '%12%' or 姓名 like '%张%' or 简码 like '%zs%'";
    EXPECT_EQ(visible(search), "001 103 ");
    EXPECT_EQ(rs_.recordCount(), 2);
    EXPECT_EQ(rs_.filter(), search);
    EXPECT_EQ(visible("简码 like '%L%'"), "002 ");  // ASCII letters match in any case
    EXPECT_EQ(visible("姓名 like '张_'"), "001 ");  // _ is one character, not one byte
    EXPECT_EQ(visible("姓名 like '张__'"), "103 ");
    EXPECT_EQ(visible("学号 like '2012%'"), "001 103 ");
    EXPECT_EQ(visible(""), "001 002 103 004 ");
    EXPECT_EQ(rs_.recordCount(), 4);
    // Comparisons on numbers, text and dates.
    EXPECT_EQ(visible("qfje > 0"), "001 103 ");
    EXPECT_EQ(visible("qfje >= 12.5"), "001 103 ");
    EXPECT_EQ(visible("qfje < 12.5"), "002 ");
    EXPECT_EQ(visible("qfje <= '12.5'"), "002 103 ");
    EXPECT_EQ(visible("qfje <> 100"), "002 103 ");  // null matches no comparison
    EXPECT_EQ(visible("qfje = null"), "004 ");
    EXPECT_EQ(visible("学号 = '2013002'"), "002 ");
    EXPECT_EQ(visible("学号 = 2013002"), "002 ");
    EXPECT_EQ(visible("姓名 = 'O''Neil'"), "004 ");
    EXPECT_EQ(visible("rxsj >= '2024-03-01'"), "001 002 004 ");
    EXPECT_EQ(visible("rxsj < #2024-01-01#"), "103 ");
    // And binds tighter than or; parentheses group.
    EXPECT_EQ(visible("学号 like '2012%' and qfje > 50 or 简码 = 'ls'"), "001 002 ");
    EXPECT_EQ(visible("学号 like '2012%' and (qfje > 50 or 简码 = 'zxm')"), "001 103 ");
    EXPECT_EQ(visible("[学号] like '%4' OR [简码] = 'ON'"), "004 ");
}

// A filter stands on its first visible row; a bad one throws.
TEST_F(RecordsetFilter, MovesToTheFirstVisibleRowOrThrowsOnABadExpression) {
    for (const char* bad : {"学号 like", "班级 = 1", "(学号 = '1'", "学号 '1'", "学号 = 'open", "qfje > 1 and",
                            "学号 = '1' xor 姓名 = '2'"})
        EXPECT_EQ(fo::test::errorOf([&] { rs_.setFilter(bad); }).code(), fo::dberr::BadFilter) << bad;
    rs_.moveLast();
    rs_.setFilter("姓名 like '李%'");
    ASSERT_FALSE(rs_.eof());
    EXPECT_EQ(rs_.field("简码").toText(), "ls");
    rs_.setFilter("姓名 = 'nobody'");
    EXPECT_TRUE(rs_.eof());
    EXPECT_EQ(rs_.recordCount(), 0);
    EXPECT_EQ(rs_.totalRows(), 4u);
}

}  // namespace
