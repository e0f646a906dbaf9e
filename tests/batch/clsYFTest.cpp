#include <memory>
#include <stdexcept>

#include <gtest/gtest.h>

#include "batch/clsYF.h"
#include "support/Dialects.h"
#include "support/FakeHostSystem.h"
#include "support/RecordingMessages.h"
#include "support/TempFeeDb.h"
#include "ui/Form.h"

namespace fo {
namespace {

using Texts = std::vector<std::string>;

// Periods with and without dates, inserted out of tag order.
class clsYFTest : public test::DialectTest {
protected:
    void SetUp() override {
        db_.exec("insert into ajzrq(yf,fromdate,todate,jfmc) values('202403','2024-03-01','2024-03-31','2024年03月'),"
                 "('202401','2024-01-01','2024-01-31','2024年01月'),('202402',null,null,null)");
        db_.exec("insert into termdate(yffromDate,yftoDate,termTag) values('2024-02-15','2024-07-10','2024上'),"
                 "(null,null,'2023下')");
        db_.exec("insert into kdw_year(dateFrom,dateTo,yearTag) values('2024-01-01','2024-12-31','2024'),(null,null,'2023')");
    }
    Texts nine() const {
        return {yf_.strYfTag(), yf_.strTermTag(), yf_.strYearTag(), yf_.strYfFromDate(), yf_.strYfTodate(),
                yf_.strTermFromDate(), yf_.strTermToDate(), yf_.strYearFromDate(), yf_.strYearToDate()};
    }

    test::TempFeeDb db_;
    test::ScopedHost host_{std::make_shared<test::FakeHostSystem>(db_.connectionString(), Value(GetParam())),
                           db_.connectionString()};
    test::RecordingMessages messages_;
    clsYF yf_;
};

TEST_P(clsYFTest, ResolvingFillsOnlyTheFieldsOfItsKindAndReportsPeriodsNotSetUp) {
    yf_.initdateYF("202403");
    EXPECT_EQ(nine(), (Texts{"202403", "", "", "2024-03-01", "2024-03-31", "", "", "", ""}));
    yf_.initDateTerm("2024上");
    EXPECT_EQ(nine(), (Texts{"", "2024上", "", "", "", "2024-02-15", "2024-07-10", "", ""}));
    yf_.initDateYear("2024");
    EXPECT_EQ(nine(), (Texts{"", "", "2024", "", "", "", "", "2024-01-01", "2024-12-31"}));
    yf_.initdateYF("209901");  // unknown month: everything empty, nothing shown
    EXPECT_EQ(nine(), Texts(9));
    EXPECT_EQ(messages_.count(), 0u);

    // Periods not set up are reported as each kind requires.
    yf_.initdateYF("202402", false);  // silent when not asked
    yf_.initdateYF("202402");
    yf_.initDateTerm("2023下", false);  // reported even when not asked
    EXPECT_EQ(nine(), (Texts{"", "2023下", "", "", "", "", "", "", ""}));
    yf_.initDateYear("2023", false);
    yf_.initDateTerm("2099上", false);  // unknown: only when asked
    yf_.initDateYear("2099");
    ASSERT_EQ(messages_.count(), 4u);
    const auto& shown = messages_.shown();
    EXPECT_EQ(shown[0].text, "月份【202402】尚未设置记账日期段！请在【基础信息-记账日期设置】菜单中设定好！");
    EXPECT_EQ(shown[0].icon, MsgIcon::Information);
    EXPECT_EQ(shown[0].title, "警告!");
    EXPECT_EQ((Texts{shown[1].text, shown[2].text, shown[3].text}),
              (Texts{"学期[2023下]设置错误！", "年份[2023]设置错误！", "年份[2099]设置错误！"}));
    for (std::size_t i = 1; i < 4; ++i) EXPECT_TRUE(shown[i].icon == MsgIcon::None && shown[i].title.empty());
}

TEST_P(clsYFTest, ListsReplaceTheComboEntriesWithEveryTagInOrder) {
    EXPECT_THROW(yf_.initCombYfList(), std::logic_error);
    Form form("frmPeriods");
    ComboBox combo(form, "cmbYF");
    combo.AddItem("stale");
    yf_.set_comboYfList(&combo);
    auto entries = [&] {
        Texts texts;
        for (const auto& e : combo.entries()) texts.push_back(e.text);
        return texts;
    };
    yf_.initCombYfList();
    // A month reads as the office names it (an unnamed one by its key); the
    // chosen entry's tag is the key, never the shown name.
    EXPECT_EQ(entries(), (Texts{"2024年01月", "202402", "2024年03月"}));
    EXPECT_EQ(yf_.chosenTag(), "");
    combo.setListIndex(2);
    EXPECT_EQ(yf_.chosenTag(), "202403");
    yf_.initCombTermList();
    EXPECT_EQ(entries(), (Texts{"2023下", "2024上"}));
    combo.setListIndex(1);
    EXPECT_EQ(yf_.chosenTag(), "2024上");
    yf_.initCombYearList();
    EXPECT_EQ(entries(), (Texts{"2023", "2024"}));
}

FO_INSTANTIATE_DIALECTS(clsYFTest);

}  // namespace
}  // namespace fo
