// The school kept by the program: calendar, classes, items, types and
// students, on a fresh fee database (and on the server run).
#include <gtest/gtest.h>
#include <iconv.h>

#include "HostTestSupport.h"
#include "host/fees/Calendar.h"
#include "host/fees/Dues.h"
#include "host/school/PinyinInitials.h"
#include "host/school/RosterFile.h"
#include "host/school/SchoolSetup.h"
#include "host/school/StudentImport.h"
#include "host/school/StudentRoster.h"

namespace fo {
namespace {

class SchoolSetupTest : public ::testing::Test, public test::FeeDb {
protected:
    SchoolSetup school{*cn};
    StudentRoster roster{*cn, 1};

    Student pupil(const std::string& number, const std::string& name, int classId, int typeId) {
        Student s;
        s.number = number;
        s.name = name;
        s.classId = classId;
        s.chargeTypeId = typeId;
        s.entryDate = "2026-09-01";
        return s;
    }
    std::string refusalOf(const std::function<void()>& change) {
        try {
            change();
        } catch (const SetupRefusal& e) {
            return e.what();
        }
        return "";
    }
};

// What a student still counts on stays; retired things leave the lists
// only, and a retired item is owed by nobody from then on.
TEST_F(SchoolSetupTest, RetiredNotDeletedWhileInUseTheYearGivesItsMonthsOnceAndAStudentsMovesAreKeptByDate) {
    const int small = school.addClass("小班一班"), big = school.addClass("大班一班");
    EXPECT_EQ(refusalOf([&] { school.addClass(" 小班一班 "); }), "班级“小班一班”已经有了。");
    const int care = school.addFeeItem({0, "", "保育费", FeeKind::Monthly, false, true});
    const int meals = school.addFeeItem({0, "", "伙食费", FeeKind::Monthly, true, true});
    const int full = school.addChargeType("全日制");
    school.setChargeLine(full, {care, Currency::fromInt(800), 0});
    school.setChargeLine(full, {meals, Currency::fromInt(15), 22});
    school.setChargeLine(full, {care, Currency::fromInt(850), 0});  // the same line, changed
    ASSERT_EQ(school.chargeTypes().size(), 1u);
    ASSERT_EQ(school.chargeTypes()[0].lines.size(), 2u);
    EXPECT_EQ(school.chargeTypes()[0].lines[0].amount, Currency::fromInt(850));
    EXPECT_EQ(school.chargeTypes()[0].lines[1].days, 22);

    const int id = roster.add(pupil("20260001", "王子涵", small, full));
    EXPECT_EQ(refusalOf([&] { school.retireClass(small); }), "这个班级还有在园或休学的学生，不能停用。");
    EXPECT_EQ(refusalOf([&] { school.retireChargeType(full); }), "这个收费类型还有在园或休学的学生，不能停用。");
    // Once a student names the item, its kind stays.
    exec("insert into qfmxb(qfkid,xsid,sfxmid,qfje) values(1," + std::to_string(id) + "," + std::to_string(care) + ",850)");
    EXPECT_NE(refusalOf([&] { school.updateFeeItem({care, "", "保育费", FeeKind::Termly, false, true}); }), "");

    school.addSchoolYear(2026);
    const auto due = [&](int item) { return itemDues(*cn, std::to_string(id), std::to_string(item), "202609").due; };
    EXPECT_EQ(due(meals), Currency::fromInt(330));  // 15 a day, 22 days
    school.retireFeeItem(meals);
    EXPECT_EQ(due(meals), Currency());
    EXPECT_EQ(due(care), Currency::fromInt(850));
    EXPECT_EQ(school.feeItems().size(), 1u);
    EXPECT_EQ(school.chargeTypes()[0].lines.size(), 1u);
    EXPECT_EQ(scalar("select count(*) from kdw_sfxm where del=1"), "1");
    roster.move(id, big, full, "2026-10-08");
    school.retireClass(small);
    EXPECT_EQ(school.classes().size(), 1u);
    EXPECT_EQ(scalar("select mc from kdw_bj where id=" + std::to_string(small)), "小班一班");
    // A new class may take the retired one's name.
    EXPECT_NO_THROW(school.addClass("小班一班"));

    // The school year gave its months, terms and year once; the open month follows.
    Calendar calendar(cn);
    ASSERT_EQ(calendar.months().size(), 12u);
    EXPECT_EQ(calendar.months().back().toDate, "2027-08-31");
    EXPECT_EQ(calendar.month("202702")->toDate, "2027-02-28");
    EXPECT_EQ(calendar.termOfDate("2027-01-31")->tag + "|" + calendar.termOfDate("2027-02-01")->tag + "|" +
                  calendar.yearOfDate("2027-08-31")->tag,
              "2026上|2026下|2026年");
    EXPECT_EQ(calendar.currentYf(), "202609");
    exec("insert into hisxsinfo(xsid,jzyf) values(0,'202609')");
    EXPECT_EQ(calendar.currentYf(), "202610");
    EXPECT_NE(refusalOf([&] { school.addSchoolYear(2026); }), "");
    EXPECT_EQ(scalar("select count(*) from ajzrq"), "12");
    EXPECT_EQ(refusalOf([&] { school.setMonthDates("202609", "2026-09-01", "2026-09-25"); }), "这个月份已经结转，不能修改。");
    EXPECT_EQ(refusalOf([&] { school.setMonthDates("202610", "2026-09-28", "2026-10-31"); }), "起止日期和别的月份重叠。");
    school.setMonthDates("202611", "2026-11-01", "2026-11-27");
    EXPECT_EQ(calendar.monthOfDate("2026-11-29"), std::nullopt);

    // (Why a student is refused, the roster's import below shows row by row.)
    const int c = school.addClass("中班一班"), t = school.addChargeType("半日制"), t2 = school.addChargeType("晚托班");
    const int moved = roster.add(pupil("20260007", "李思雨", c, t));
    EXPECT_EQ(roster.find(moved)->shortCode, "LSY");
    // An edit keeps his class and type; only a move changes them.
    Student edited = *roster.find(moved);
    edited.shortCode = "LSY2";
    edited.classId = 0;
    edited.discounts = {{meals, 80}};  // a retired item
    EXPECT_EQ(refusalOf([&] { roster.update(edited); }), "折扣不对。");
    edited.discounts = {};
    roster.update(edited);
    EXPECT_EQ(std::pair(roster.find(moved)->shortCode, roster.find(moved)->classId), std::pair(std::string("LSY2"), c));

    roster.move(moved, c, t2, "2026-11-01");
    EXPECT_EQ(refusalOf([&] { roster.move(moved, c, t, "2026-10-15"); }), "调动日期早于他上一次调动。");
    exec("insert into hisxsinfo(xsid,jzyf) values(0,'202611')");
    EXPECT_EQ(refusalOf([&] { roster.move(moved, c, t, "2026-11-20"); }), "调动日期所在的月份已经结转。");
    const std::vector<std::vector<std::string>> moves = {{"2026-09-01", "中班一班", "半日制"},
                                                         {"2026-11-01", "中班一班", "晚托班"}};
    EXPECT_EQ(roster.moves(moved), moves);
    EXPECT_EQ(roster.find(moved)->chargeTypeId, t2);
    roster.retire(moved);
    EXPECT_EQ(roster.list(true).size(), 1u);  // 王子涵 only
    EXPECT_EQ(scalar("select xm from kdw_xs where id=" + std::to_string(moved)), "李思雨");
}

// The bytes an older Windows program writes for `utf8`.
std::string inGb18030(const std::string& utf8) {
    iconv_t cd = iconv_open("GB18030", "UTF-8");
    std::string out(utf8.size() * 2, '\0');
    char* in = const_cast<char*>(utf8.data());
    char* to = out.data();
    std::size_t inLeft = utf8.size(), outLeft = out.size();
    iconv(cd, &in, &inLeft, &to, &outLeft);
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

// A roster in GB18030, its rows each accepted or refused with the reason
// before anything is written; then the accepted ones in one go, unless the
// books changed since the clerk saw them.
TEST_F(SchoolSetupTest, ARosterShowsEachRowsReasonFirstAndWritesTheAcceptedOnlyAsShown) {
    const int c = school.addClass("小班一班"), t = school.addChargeType("全日制");
    const int top = school.addCategory(0, "在园幼儿"), under = school.addCategory(top, "全日制");
    roster.add(pupil("20260001", "王一", c, t));
    const std::string csv = inGb18030(
        "姓名,学号,班级,收费类型,出生日期,入园日期,一级类别,二级类别,父亲电话\r\n"
        "\"张, 小明\",20260002,小班一班,全日制,2023/5/6,2026-09-01,在园幼儿,全日制,\"139\"\"0001\"\r\n"
        "李二,20260001,小班一班,全日制,,,,,\r\n"
        "赵三,20260003,大班一班,全日制,,,,,\r\n"
        "孙四,20260004,小班一班,晚托班,,,,,\r\n"
        "周五,20260005,小班一班,全日制,2023-02-30,,,,\r\n"
        ",20260006,小班一班,全日制,,,,,\r\n"
        ",,,,,,,,\r\n"
        "吴六,20260002,小班一班,全日制,,,在园幼儿,半日制,\r\n"
        "郑七,20260007,小班一班,全日制,,2026-10-08,,,\r\n");
    const auto table = readCsvText(csv);
    const ImportPlan plan = planStudentImport(*cn, table);
    std::vector<std::string> seen;
    for (const ImportRow& row : plan.rows) seen.push_back(std::to_string(row.line) + " " + row.refusal);
    const std::vector<std::string> expected = {"2 ", "3 学号20260001已经用过", "4 没有这个班级", "5 没有这个收费类型",
                                               "6 出生日期“2023-02-30”不是日期", "7 没有姓名",
                                               "9 没有这个学生类别", "10 "};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(scalar("select count(*) from kdw_xs"), "1");  // a plan writes nothing

    // Another number taken meanwhile: the plan no longer holds.
    roster.add(pupil("20260007", "别人", c, t));
    EXPECT_NE(refusalOf([&] { postStudentImport(*cn, 1, table, plan); }), "");
    EXPECT_EQ(scalar("select count(*) from kdw_xs"), "2");
    const ImportPlan again = planStudentImport(*cn, table);
    EXPECT_EQ(again.accepted(), 1u);
    EXPECT_EQ(postStudentImport(*cn, 1, table, again), 1u);
    const Student added = roster.list(false).at(1);
    EXPECT_EQ(added.name + "|" + added.shortCode + "|" + added.birthDate + "|" +
                  std::to_string(added.categoryId) + "|" + added.fatherPhone,
              "张, 小明|ZXM|2023-05-06|" + std::to_string(under) + "|139\"0001");
    EXPECT_EQ(roster.moves(added.id).size(), 1u);
    // A file without the columns it needs is refused whole.
    EXPECT_EQ(planStudentImport(*cn, readCsvText("学号,姓名\n1,王\n")).refusal, "第一行没有“班级”列。");
}

TEST(PinyinInitials, SurnamesTheEdgesOfEveryRunListedHanziAndLettersAndDigits) {
    EXPECT_EQ(pinyinInitials("王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗"), "WLZLCYHZWZXSMZHGHGLL");
    // The last hanzi of each initial's run and the first of the next.
    EXPECT_EQ(pinyinInitials("啊澳芭怖擦错搭堕蛾贰发咐噶过哈祸击骏喀阔垃络妈穆拿诺哦沤啪瀑期群然弱撒所塌唾挖误昔迅压孕匝座"),
              "AABBCCDDEEFFGGHHJJKKLLMMNNOOPPQQRRSSTTWWXXYYZZ");
    EXPECT_EQ(pinyinInitials("梓萱 琪"), "ZXQ");
    EXPECT_EQ(pinyinInitials("Tom 李3号"), "TOML3H");
}

}  // namespace
}  // namespace fo
