#include <gtest/gtest.h>

#include "db/DbError.h"
#include "db/Recordset.h"
#include "support/ErrorOf.h"

#include <vector>

using fo::DataType;
using fo::DbError;
using fo::Recordset;
using fo::Value;
using fo::test::errorOf;
namespace dberr = fo::dberr;

namespace {

// 学号 / 姓名 / 金额, three rows.
Recordset students() {
    Recordset rs;
    rs.appendField("学号", DataType::VarChar, 20);
    rs.appendField("姓名", DataType::VarChar, 20);
    rs.appendField("Amount", DataType::Currency);
    rs.appendRow({Value("001"), Value("张三"), Value(*fo::Currency::parse("12.5"))});
    rs.appendRow({Value("002"), Value("李四"), Value()});
    rs.appendRow({Value("003"), Value("王五"), Value(*fo::Currency::parse("-1"))});
    rs.open();
    return rs;
}

TEST(Recordset, OpenedSetStandsOnItsFirstRowWalksToEofFindsFieldsByNameAndClosedRefusesReads) {
    Recordset rs = students();
    EXPECT_FALSE(rs.eof());
    EXPECT_FALSE(rs.bof());
    EXPECT_EQ(rs.recordCount(), 3);
    std::string seen;
    for (; !rs.eof(); rs.moveNext()) seen += rs.field("学号").toText() + ",";
    EXPECT_EQ(seen, "001,002,003,");
    EXPECT_EQ(rs.absolutePosition(), -1);
    EXPECT_EQ(errorOf([&] { rs.field(0); }).code(), dberr::NoCurrentRow);
    EXPECT_EQ(errorOf([&] { rs.moveNext(); }).code(), dberr::NoCurrentRow);
    rs.moveFirst();
    EXPECT_EQ(rs.field(1).toText(), "张三");
    rs.moveLast();
    EXPECT_EQ(rs.field(1).toText(), "王五");
    EXPECT_EQ(rs.absolutePosition(), 2);
    // Fields by name, in any case, or by index.
    EXPECT_EQ(rs.fieldIndex("amount"), 2);
    EXPECT_EQ(rs.fieldIndex("AMOUNT"), 2);
    EXPECT_EQ(rs.fieldIndex("姓名"), 1);
    EXPECT_EQ(rs.fieldIndex("班级"), -1);
    EXPECT_EQ(rs.fieldInfo(0).name, "学号");
    EXPECT_EQ(rs.fieldInfo(2).type, DataType::Currency);
    EXPECT_EQ(rs.field("aMoUnT").toText(), "-1");  // on the last row
    const DbError unknown = errorOf([&] { rs.field("班级"); });
    EXPECT_EQ(unknown.code(), dberr::NoSuchField);
    EXPECT_NE(unknown.description().find("班级"), std::string::npos) << unknown.description();
    EXPECT_EQ(errorOf([&] { rs.field(3); }).code(), dberr::NoSuchField);
    // A closed set refuses reads.
    rs.close();
    EXPECT_EQ(rs.state(), Recordset::Closed);
    EXPECT_EQ(errorOf([&] { rs.eof(); }).code(), dberr::NotOpen);
    EXPECT_EQ(errorOf([&] { rs.recordCount(); }).code(), dberr::NotOpen);
    EXPECT_EQ(errorOf([&] { rs.field(0); }).code(), dberr::NotOpen);
}

// Built in memory: empty, it is at both ends; AddNew makes the new row
// current, appendRow leaves the cursor where it is.
TEST(Recordset, BuiltInMemoryWithAddNewAndAppendRow) {
    Recordset rs;
    rs.appendField("id", DataType::Integer);
    rs.appendField("mc", DataType::VarChar, 50);
    rs.open();
    EXPECT_TRUE(rs.eof());
    EXPECT_TRUE(rs.bof());
    EXPECT_EQ(rs.recordCount(), 0);
    EXPECT_EQ(errorOf([&] { rs.field("id"); }).code(), dberr::NoCurrentRow);
    rs.appendRow({Value(6), Value()});
    EXPECT_TRUE(rs.eof());
    rs.moveFirst();
    rs.appendRow({Value(9), Value()});
    EXPECT_EQ(rs.field(0).toInt(), 6);
    rs.addNew();
    EXPECT_TRUE(rs.field("mc").isNull());
    rs.field("id") = Value(7);
    rs.field("mc") = Value("一次性");
    rs.addNew();
    rs.field(0) = Value(8);
    EXPECT_EQ(rs.recordCount(), 4);
    EXPECT_EQ(rs.field("id").toInt(), 8);
    rs.moveFirst();
    rs.moveNext();
    rs.moveNext();
    EXPECT_EQ(rs.field("mc").toText(), "一次性");
    EXPECT_THROW(rs.appendField("late"), std::logic_error);
    EXPECT_THROW(rs.appendRow({Value(1)}), std::logic_error);
}

TEST(Recordset, RowsKeptPackedGiveBackEveryKindOfValueAndKeepEdits) {
    Recordset rs;
    for (const char* f : {"n", "je", "d", "t", "rq", "nul"}) rs.appendField(f);
    const std::vector<Value> odd{Value(std::int64_t{-9223372036854775807LL - 1}), Value(fo::Currency::fromRaw(-123456789012345LL)),
                                 Value(-0.1), Value(std::string("a\0b'张三", 8)), Value(fo::DateTime{1899, 12, 30, 23, 59, 58}),
                                 Value()};
    rs.appendRow(odd);
    rs.appendRow({Value(0), Value(fo::Currency{}), Value(1e300), Value(""), Value(fo::DateTime{2026, 12, 6}), Value(7)});
    rs.open();
    for (std::size_t f = 0; f < odd.size(); ++f) {
        EXPECT_EQ(rs.field(f), odd[f]) << f;
        EXPECT_EQ(rs.field(f).kind(), odd[f].kind()) << f;
    }
    EXPECT_EQ(rs.field("t").toText().size(), 8u) << "text keeps its bytes, a NUL included";
    EXPECT_TRUE(rs.field("nul").isNull());
    // An edit through field() is kept when the cursor moves on; a copy
    // made before another edit keeps what it saw.
    rs.field("t") = Value("改");
    rs.moveNext();
    EXPECT_EQ(rs.field("rq").toDate()->day, 6);
    rs.moveFirst();
    EXPECT_EQ(rs.field("t").toText(), "改");
    Recordset copy = rs;
    rs.field("t") = Value("再改");
    rs.moveNext();
    copy.moveFirst();
    EXPECT_EQ(copy.field("t").toText(), "改");
    EXPECT_EQ(rs.row(0)[3].toText(), "再改");
    EXPECT_EQ(rs.valueAt(1, 2), Value(1e300));
}

}  // namespace
