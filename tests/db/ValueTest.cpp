// The values the books hold: money as fixed point, dates, the values of a
// result set's fields, and result sets built and filtered in memory.
#include <gtest/gtest.h>

#include <stdexcept>
#include <tuple>
#include <vector>

#include "db/DbError.h"
#include "db/Recordset.h"
#include "db/values/Currency.h"
#include "db/values/DateTime.h"
#include "db/values/Value.h"
#include "support/ErrorOf.h"

namespace fo {
namespace {

using test::errorOf;

Currency money(const char* text) { return *Currency::parse(text); }
DateTime date(const char* text) { return *DateTime::parse(text); }

TEST(Currency, FromDoubleTakesTheNearestFourDecimalValue) {
    for (const auto& [value, raw] : std::vector<std::pair<double, std::int64_t>>{
             {0.1, 1000}, {0.1 + 0.2, 3000}, {2.345, 23450}, {1.23455, 12346}, {-1.23455, -12346}, {-5.55e-17, 0}})
        EXPECT_EQ(Currency::fromDouble(value).raw(), raw) << value;
    EXPECT_THROW(Currency::fromDouble(1.0 / 0.0), std::domain_error);
}

// A fifth decimal rounds half away from zero.
TEST(Currency, ParseAcceptsOnlyPlainDecimalText) {
    for (const auto& [text, raw] : std::vector<std::pair<const char*, std::int64_t>>{
             {"-12.5", -125000}, {"0.00", 0}, {"+3", 30000}, {".5", 5000}, {"7.", 70000}, {"1.00005", 10001},
             {"-1.00005", -10001}, {"1.000049999", 10000}})
        EXPECT_EQ(money(text).raw(), raw) << text;
    for (const char* bad : {"", "-", ".", "1e3", "1.2.3", "12元", "abc", "1 2", "99999999999999999999"})
        EXPECT_FALSE(Currency::parse(bad).has_value()) << bad;
}

TEST(Currency, ProductsAndQuotientsRoundHalfAwayFromZero) {
    EXPECT_EQ((money("0.0001") * money("0.5")).raw(), 1);   // 0.00005 -> 0.0001
    EXPECT_EQ((money("-0.0001") * money("0.5")).raw(), -1);
    EXPECT_EQ((money("12.34") * money("3")).raw(), 370200);
    for (const auto& [dividend, divisor, raw] : std::vector<std::tuple<const char*, const char*, std::int64_t>>{
             {"10", "3", 33333}, {"2", "3", 6667}, {"-2", "3", -6667}, {"1", "-8", -1250}})
        EXPECT_EQ((money(dividend) / money(divisor)).raw(), raw) << dividend << "/" << divisor;
    EXPECT_THROW(money("1") / Currency(), std::domain_error);
}

TEST(Currency, RoundHalfEvenAndHalfAwayDifferOnlyOnExactHalves) {
    // value, decimals, half even, half away
    for (const auto& [value, decimals, even, away] : std::vector<std::tuple<const char*, int, const char*, const char*>>{
             {"2.345", 2, "2.34", "2.35"}, {"2.355", 2, "2.36", "2.36"}, {"-2.345", 2, "-2.34", "-2.35"},
             {"2.3451", 2, "2.35", "2.35"}, {"0.5", 0, "0", "1"}, {"1.5", 0, "2", "2"}, {"1.23456", 4, "1.2346", "1.2346"}}) {
        EXPECT_EQ(money(value).roundHalfEven(decimals), money(even)) << value;
        EXPECT_EQ(money(value).roundHalfAway(decimals), money(away)) << value;
    }
}

// Two decimals rounded half away, and the plain text without trailing zeros.
TEST(Currency, Format00ShowsTwoDecimalsRoundedHalfAwayAndPlainTextDropsTrailingZeros) {
    for (const auto& [value, twoDecimals, plain] : std::vector<std::tuple<const char*, const char*, const char*>>{
             {"2.345", "2.35", "2.345"}, {"-0.005", "-0.01", "-0.005"}, {"-0.004", "0.00", "-0.004"}, {"0", "0.00", "0"},
             {"1234567.8", "1234567.80", "1234567.8"}, {"-12", "-12.00", "-12"}, {"0.07", "0.07", "0.07"},
             {"50", "50.00", "50"}, {"12.50", "12.50", "12.5"}, {"-0.25", "-0.25", "-0.25"}, {"0.0005", "0.00", "0.0005"}}) {
        EXPECT_EQ(money(value).format00(), twoDecimals) << value;
        EXPECT_EQ(money(value).plainText(), plain) << value;
    }
    EXPECT_EQ(Currency().plainText(), "0");
}

TEST(LeadingNumber, ReadsTheNumericStartOfTypedText) {
    for (const auto& [typed, number] : std::vector<std::pair<const char*, const char*>>{
             {"12.5元", "12.5"}, {"abc", "0"}, {"", "0"}, {" -3.2x", "-3.2"}, {"1.2.3", "1.2"}, {"-.5", "-0.5"},
             {"+7", "7"}, {"0.123456", "0.1235"}, {"-", "0"}, {"x12", "0"}})
        EXPECT_EQ(fo::leadingNumber(typed), money(number)) << typed;
}

TEST(Value, ConvertsToCurrencyDoublesDatesAndWholeNumbers) {
    EXPECT_EQ((std::vector<Currency>{Value(0.1 + 0.2).toCurrency(), Value(std::int64_t{42}).toCurrency(),
                                     Value("12.5元").toCurrency(), Value().toCurrency(),
                                     Value(date("2026-01-01")).toCurrency()}),
              (std::vector<Currency>{money("0.3"), money("42"), money("12.5"), Currency(), Currency()}));
    EXPECT_DOUBLE_EQ(Value(" 1.25kg").toDouble(), 1.25);
    EXPECT_DOUBLE_EQ(Value(money("-0.75")).toDouble(), -0.75);
    EXPECT_EQ(Value("2026-05-06 07:08").toDate(), (DateTime{2026, 5, 6, 7, 8, 0}));
    EXPECT_FALSE(Value("2026-02-30").toDate() || Value(20260506).toDate());
    // To whole numbers, half to even.
    for (const auto& [value, whole] : std::vector<std::pair<Value, std::int64_t>>{
             {Value(2.5), 2}, {Value(3.5), 4}, {Value(-2.5), -2}, {Value(money("0.5")), 0}, {Value(money("1.5")), 2},
             {Value(money("1.5001")), 2}, {Value("7.5天"), 8}, {Value(), 0}})
        EXPECT_EQ(value.toInt(), whole) << value.toText();
}

TEST(Value, TextForms) {
    EXPECT_EQ((std::vector<std::string>{Value().toText(), Value(42).toText(), Value(money("12.50")).toText(),
                                        Value(0.1).toText(), Value(date("2026-01-02")).toText(),
                                        Value(date("2026-01-02 03:04:05")).toText(), fo::format00(Value(2.345)),
                                        fo::format00(Value("abc")), fo::plainAmount(Value(50)),
                                        fo::plainAmount(Value(" 12.50"))}),
              (std::vector<std::string>{"", "42", "12.5", "0.1", "2026-01-02", "2026-01-02 03:04:05", "2.35", "0.00",
                                        "50", "12.5"}));
}

TEST(Value, EqualityComparesNumbersByValueAcrossKinds) {
    EXPECT_EQ(Value(std::size_t{2}).kind(), Value::Kind::Integer);
    // Text is not a number, and null is neither.
    for (const auto& [a, b, equal] : std::vector<std::tuple<Value, Value, bool>>{
             {Value(3), Value(money("3")), true}, {Value(money("0.1")), Value(0.1), true}, {Value(2), Value(2.0), true},
             {Value(2LL), Value(2), true}, {Value(money("3.0001")), Value(3), false}, {Value("3"), Value(3), false},
             {Value("张三"), Value(std::string("张三")), true}, {Value("a"), Value("A"), false},
             {Value(), Value::null(), true}, {Value(), Value(0), false}, {Value(), Value(""), false}})
        EXPECT_EQ(a == b, equal) << a.toText() << " against " << b.toText();
}

// Every form a date is typed or stored in, with its texts: the default one
// shows the time only when there is one.
TEST(DateTime, ParsesDatesWithOptionalTimesAndShowsTheirTexts) {
    EXPECT_EQ(date("2026-03-07"), (DateTime{2026, 3, 7}));
    for (const auto& [text, dateTime] : std::vector<std::pair<const char*, const char*>>{
             {"2026-03-07 08:05", "2026-03-07 08:05:00"}, {"2026-03-07 18:05:09", "2026-03-07 18:05:09"},
             {"2026-03-07T18:05:09", "2026-03-07 18:05:09"}, {"2026/3/7 8:05:09", "2026-03-07 08:05:09"},
             {"2026-03-07 18:05:09.250", "2026-03-07 18:05:09"}, {"2026-01-02", "2026-01-02 00:00:00"},
             {"2026-03-07 8:05:09", "2026-03-07 08:05:09"}, {"2026-3-07 18:05:09", "2026-03-07 18:05:09"}})
        EXPECT_EQ(date(text).dateTimeText(), dateTime) << text;
    for (const auto& [text, day] : std::vector<std::pair<const char*, const char*>>{
             {"2026/3/7", "2026-03-07"}, {"0987-01-02", "0987-01-02"}, {" 2026-03-07", "2026-03-07"}})
        EXPECT_EQ(date(text).dateText(), day) << text;
    EXPECT_EQ(date("2026-01-02").defaultText(), "2026-01-02");
    EXPECT_EQ(date("2026-01-02 00:00:01").defaultText(), "2026-01-02 00:00:01");
}

TEST(DateTime, RejectsInvalidDatesAndText) {
    for (const char* bad : {"2026-02-30", "2025-02-29", "2026-13-01", "2026-00-10", "2026-04-31", "26-03-07",
                            "2026-03-07x", "2026-03/07", "2026-03-07 24:00:00", "2026-03-07 10:60", "", "abc",
                            "2026-03-07 10", "0000-01-01", "2026-03-07 23:59:60", "2026-03-07 10:00:0x",
                            "2026-03-07 10-00-00", "2026-1a-07", "2026-03-07 1a:00:00"})
        EXPECT_FALSE(DateTime::parse(bad).has_value()) << bad;
    EXPECT_TRUE(DateTime::parse("2024-02-29").has_value());
}

// Every day of two centuries, at a time that walks through the clock, reads
// back from its stored text as itself.
TEST(DateTime, StoredTextsReadBackAsThemselves) {
    DateTime t{1900, 1, 1};
    for (int i = 0; i < 73000; ++i, t = t.addDays(1)) {
        t.hour = i % 24, t.minute = (i * 7) % 60, t.second = (i * 13) % 60;
        ASSERT_EQ(DateTime::parse(t.dateTimeText()), t) << t.dateTimeText();
        DateTime day = t;
        day.hour = day.minute = day.second = 0;
        ASSERT_EQ(DateTime::parse(t.dateText()), day) << t.dateText();
    }
}

TEST(DateTime, CalendarArithmetic) {
    for (const auto& [from, days, to] : std::vector<std::tuple<const char*, int, const char*>>{
             {"2026-02-28", 1, "2026-03-01"}, {"2024-02-28", 1, "2024-02-29"}, {"2026-01-01", -1, "2025-12-31"},
             {"2026-03-01", 365, "2027-03-01"}, {"2026-03-01 10:20:30", 2, "2026-03-03 10:20:30"}})
        EXPECT_EQ(date(from).addDays(days).defaultText(), to) << from;
    EXPECT_EQ(std::vector<int>({date("2024-02-01").daysInMonth(), date("2100-02-01").daysInMonth(),
                                date("2026-04-01").daysInMonth()}),
              std::vector<int>({29, 28, 30}));
    EXPECT_EQ(std::vector<bool>({DateTime::isLeapYear(2000), DateTime::isLeapYear(1900), DateTime::isLeapYear(2028)}),
              std::vector<bool>({true, false, true}));
}

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
    EXPECT_FALSE(rs.eof() || rs.bof());
    EXPECT_EQ(rs.recordCount(), 3);
    std::string seen;
    for (; !rs.eof(); rs.moveNext()) seen += rs.field("学号").toText() + ",";
    EXPECT_EQ(seen, "001,002,003,");
    EXPECT_EQ(rs.absolutePosition(), -1);
    EXPECT_EQ(std::vector<int>({errorOf([&] { rs.field(0); }).code(), errorOf([&] { rs.moveNext(); }).code()}),
              std::vector<int>({dberr::NoCurrentRow, dberr::NoCurrentRow}));
    rs.moveFirst();
    const std::string first = rs.field(1).toText();
    rs.moveLast();
    EXPECT_EQ(first + "|" + rs.field(1).toText() + "|" + std::to_string(rs.absolutePosition()), "张三|王五|2");
    EXPECT_EQ(std::vector<int>({rs.fieldIndex("amount"), rs.fieldIndex("AMOUNT"), rs.fieldIndex("姓名"),
                                rs.fieldIndex("班级")}),
              std::vector<int>({2, 2, 1, -1}));
    EXPECT_TRUE(rs.fieldInfo(0).name == "学号" && rs.fieldInfo(2).type == DataType::Currency);
    EXPECT_EQ(rs.field("aMoUnT").toText(), "-1");  // on the last row
    const DbError unknown = errorOf([&] { rs.field("班级"); });
    EXPECT_EQ(unknown.code(), dberr::NoSuchField);
    EXPECT_NE(unknown.description().find("班级"), std::string::npos) << unknown.description();
    EXPECT_EQ(errorOf([&] { rs.field(3); }).code(), dberr::NoSuchField);
    rs.close();
    EXPECT_EQ(rs.state(), Recordset::Closed);
    EXPECT_EQ(std::vector<int>({errorOf([&] { rs.eof(); }).code(), errorOf([&] { rs.recordCount(); }).code(),
                                errorOf([&] { rs.field(0); }).code()}),
              std::vector<int>(3, dberr::NotOpen));
}

// Built in memory: empty, it is at both ends; AddNew makes the new row
// current, appendRow leaves the cursor where it is.
TEST(Recordset, BuiltInMemoryWithAddNewAndAppendRow) {
    Recordset rs;
    rs.appendField("id", DataType::Integer);
    rs.appendField("mc", DataType::VarChar, 50);
    rs.open();
    EXPECT_TRUE(rs.eof() && rs.bof());
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
    EXPECT_EQ(copy.field("t").toText() + "|" + rs.row(0)[3].toText(), "改|再改");
    EXPECT_EQ(rs.valueAt(1, 2), Value(1e300));
}

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

TEST_F(RecordsetFilter, LikesAndComparisonsOnNumbersTextAndDatesJoinedByAndOrMovesToTheFirstVisibleRowOrThrows) {
    const std::string search = "学号 like '%12%' or 姓名 like '%张%' or 简码 like '%zs%'";
    EXPECT_EQ(visible(search), "001 103 ");
    EXPECT_EQ(rs_.recordCount(), 2);
    EXPECT_EQ(rs_.filter(), search);
    EXPECT_EQ(visible(""), "001 002 103 004 ");
    EXPECT_EQ(rs_.recordCount(), 4);
    // ASCII letters match in any case; _ is one character, not one byte; null
    // matches no comparison; and binds tighter than or, parentheses group.
    for (const auto& [filter, shown] : std::vector<std::pair<const char*, const char*>>{
             {"简码 like '%L%'", "002 "}, {"姓名 like '张_'", "001 "}, {"姓名 like '张__'", "103 "},
             {"学号 like '2012%'", "001 103 "}, {"qfje > 0", "001 103 "}, {"qfje >= 12.5", "001 103 "},
             {"qfje < 12.5", "002 "}, {"qfje <= '12.5'", "002 103 "}, {"qfje <> 100", "002 103 "},
             {"qfje = null", "004 "}, {"学号 = '2013002'", "002 "}, {"学号 = 2013002", "002 "},
             {"姓名 = 'O''Neil'", "004 "}, {"rxsj >= '2024-03-01'", "001 002 004 "}, {"rxsj < #2024-01-01#", "103 "},
             {"学号 like '2012%' and qfje > 50 or 简码 = 'ls'", "001 002 "},
             {"学号 like '2012%' and (qfje > 50 or 简码 = 'zxm')", "001 103 "}, {"[学号] like '%4' OR [简码] = 'ON'", "004 "}})
        EXPECT_EQ(visible(filter), shown) << filter;

    // A filter stands on its first visible row; a bad one throws.
    for (const char* bad : {"学号 like", "班级 = 1", "(学号 = '1'", "学号 '1'", "学号 = 'open", "qfje > 1 and",
                            "学号 = '1' xor 姓名 = '2'"})
        EXPECT_EQ(errorOf([&] { rs_.setFilter(bad); }).code(), dberr::BadFilter) << bad;
    rs_.moveLast();
    rs_.setFilter("姓名 like '李%'");
    ASSERT_FALSE(rs_.eof());
    EXPECT_EQ(rs_.field("简码").toText(), "ls");
    rs_.setFilter("姓名 = 'nobody'");
    EXPECT_TRUE(rs_.eof() && rs_.recordCount() == 0 && rs_.totalRows() == 4u);
}


}  // namespace
}  // namespace fo
