// Exports read back from the .xlsx package itself: what a spreadsheet
// program sees (cell types and number formats, the print set-up, the page
// header and footer), not what the writer was asked to do.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/FakeHostSystem.h"
#include "support/XlsxSheet.h"
#include "ui/Form.h"
#include "ui/controls/ListView.h"
#include "ui/UiFixture.h"
#include "ui/lists/clsLvw2012.h"
#include "ui/lists/mdl1.h"

namespace fo::test {
namespace {

// The operator the footer names.
class Clerk final : public FakeHostSystem {
public:
    Clerk() : FakeHostSystem("", Value(1)) {}
    std::string gusername() override { return "张会计&李"; }
};

std::string shown(const XlsxSheet& sheet, const char* ref) {
    const auto c = sheet.cell(ref);
    return c.type + "|" + c.value + "|" + c.format;
}

using SpreadsheetExportTest = UiTest;

TEST_F(SpreadsheetExportTest, FilesAreNamedAfterTheExportAmountsAreNumbersDatesDatesAndThePageFitsTheWidth) {
    const ScopedHost clerk(std::make_shared<Clerk>(), globals().transLinkString);
    // Typed as the engine gives them: an id key, text, amounts, a count and
    // dates; and the amounts of a list built in memory, kept as their text.
    auto rs = std::make_shared<Recordset>();
    rs->appendField("id", DataType::Integer);
    rs->appendField("编号", DataType::VarChar, 50);
    rs->appendField("金额", DataType::Currency);
    rs->appendField("出勤", DataType::Integer);
    rs->appendField("开票日期", DataType::Date);
    rs->appendField("欠费", DataType::Currency);
    rs->open();
    rs->appendRow({Value(7), Value("SF0001"), money("12.5"), Value(22), Value(*DateTime::parse("2026-09-03 10:22:33")),
                   Value("800.00")});
    rs->appendRow({Value(8), Value("SF0002"), Value(), Value(), Value(*DateTime::parse("2026-09-04")), Value("合计")});
    EXPECT_EQ(ExporToExcel_rec("开票日期:  2026-09-01至2026-09-30", *makeSet({"单据编号"}, {})), "");
    ASSERT_NE(ui.lastMessage(), nullptr);
    EXPECT_EQ(ui.lastMessage()->text, "没有记录!");
    EXPECT_TRUE(!std::filesystem::exists(ui.exportFolder()) || std::filesystem::is_empty(ui.exportFolder()));
    const std::string a = ExporToExcel_rec("票据/九月", *rs);
    const std::string b = ExporToExcel_rec("票据/九月", *rs);
    EXPECT_EQ(ui.exports(), (std::vector<std::string>{a, b}));
    EXPECT_EQ(std::filesystem::path(a).parent_path(), std::filesystem::path(ui.exportFolder()));
    EXPECT_EQ(std::filesystem::path(a).filename().string() + "|" + std::filesystem::path(b).filename().string(),
              "票据_九月.xlsx|票据_九月 (2).xlsx");

    rs->moveLast();
    const std::string path = exportSheet(SheetExport{"开票日期:  2026-09-01至2026-09-30 & more", "票据", 1}, *rs);
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(rs->absolutePosition(), 1) << "the caller's set keeps its row";
    const XlsxSheet sheet(path);
    EXPECT_EQ(sheet.header(), (std::vector<std::string>{"编号", "金额", "出勤", "开票日期", "欠费"}));
    EXPECT_EQ(sheet.rows(), 3);

    // type|value|format of each cell: an amount column holding "800.00"
    // is a number too, a caption in it stays text, a null amount is blank.
    std::vector<std::string> typed;
    for (const char* ref : {"A2", "B2", "E2", "E3", "B3", "C2", "D3"}) typed.push_back(shown(sheet, ref));
    EXPECT_EQ(typed, (std::vector<std::string>{"s|SF0001|General", "|12.5|0.00", "|800|0.00", "s|合计|General",
                                               "||0.00", "|22|General", "|46269|yyyy-mm-dd"}));
    const auto withTime = sheet.cell("D2");
    EXPECT_EQ(withTime.type + withTime.value.substr(0, 5), "46268") << "2026-09-03 as a serial day";
    EXPECT_NE(withTime.format.find("hh"), std::string::npos) << withTime.format;

    // Printed upright on A4, fitted to the width (1, the default, left out), the header row on every page.
    EXPECT_EQ(sheet.attribute("pageSetup", "orientation") + "|" + sheet.attribute("pageSetup", "paperSize") + "|" +
                  sheet.attribute("pageSetup", "fitToWidth") + "|" + sheet.attribute("pageSetup", "fitToHeight") + "|" +
                  sheet.attribute("pageSetUpPr", "fitToPage"),
              "portrait|9||0|1");
    EXPECT_NE(sheet.workbookXml().find("<definedName name=\"_xlnm.Print_Titles\" localSheetId=\"0\">'票据'!$1:$1<"),
              std::string::npos)
        << sheet.workbookXml();
    const std::string font = "&\"楷体_GB2312,常规\"";
    EXPECT_EQ(sheet.elementText("oddHeader"), "&C" + font + "开票日期:  2026-09-01至2026-09-30 && more");
    EXPECT_EQ(sheet.elementText("oddFooter"), "&L" + font + "&10制表人：张会计&&李&C" + font + "&10制表日期：" +
                                                   DateTime::today().dateText() + "&R" + font + "&10第&P页 共&N页");

    std::vector<std::string> fields;
    const std::vector<Value> row(12, Value("内容内容"));
    for (int i = 0; i < 12; ++i) fields.push_back("第" + std::to_string(i) + "列的标题");
    const std::string widePath = ExporToExcel_rec("宽", *makeSet(fields, {row}));
    EXPECT_EQ(XlsxSheet(widePath).attribute("pageSetup", "orientation"), "landscape");

    // The header row is bold 黑体 and every cell bordered.
    const std::string styles = commandOutput("unzip -p '" + widePath + "' xl/styles.xml");
    const auto heiti = styles.find("<name val=\"黑体\"/>");
    ASSERT_NE(heiti, std::string::npos) << styles;
    const auto fontStart = styles.rfind("<font>", heiti);
    ASSERT_NE(fontStart, std::string::npos);
    EXPECT_NE(styles.substr(fontStart, heiti - fontStart).find("<b/>"), std::string::npos) << "the header font is bold";
    const std::string cellsXml = XlsxSheet(widePath).sheetXml();
    std::size_t cells = 0, styled = 0;
    for (auto p = cellsXml.find("<c r="); p != std::string::npos; p = cellsXml.find("<c r=", p + 1)) {
        ++cells;
        styled += cellsXml.substr(p, cellsXml.find('>', p) - p).find(" s=\"") != std::string::npos;
    }
    EXPECT_EQ(std::pair(cells, styled), std::pair(std::size_t{24}, std::size_t{24}));
    EXPECT_NE(styles.find("<left style=\"thin\">"), std::string::npos);

    // The list helper exports the visible columns, amounts and dates typed.
    Form form("frmJmBachList");
    ListView lvw(form, "lvw1");
    clsLvw2012 helper;
    helper.strFormName = "应收明细表";
    helper.strDateFrom = "2026-09-01";
    helper.strDateTo = "2026-09-30";
    helper.blnFieldKey = true;
    helper.setLvw(lvw);
    auto owed = makeSet({"qfkid", "学号隐藏", "学号", "姓名", "欠费金额", "日期"},
                        {{Value(1), Value("S001"), Value("2026001"), Value("张三"), money("30"), Value("2026-09-03")},
                         {Value(2), Value("S002"), Value("2026002"), Value("李四"), money("12.5"), Value("")}});
    helper.initColumns(*owed, 0, "学号隐藏");
    helper.initList(*owed, lvw);
    helper.addSumRow("欠费金额");
    const std::string listed = helper.toExcel();
    ASSERT_FALSE(listed.empty());
    EXPECT_FALSE(ui.waitCursorShown());
    const XlsxSheet list(listed);
    EXPECT_EQ(list.header(), (std::vector<std::string>{"qfkid", "学号", "姓名", "欠费金额", "日期"}));
    // A student number is a name, not a quantity; the sum row is a number too.
    typed.clear();
    for (const char* ref : {"B2", "D2", "D4", "E2"}) typed.push_back(shown(list, ref));
    EXPECT_EQ(typed, (std::vector<std::string>{"s|2026001|General", "|30|0.00", "|42.5|0.00", "|46268|yyyy-mm-dd"}));
    EXPECT_NE(list.elementText("oddHeader").find("应收明细表: 日期 2026-09-01-2026-09-30"), std::string::npos);
}

}  // namespace
}  // namespace fo::test
