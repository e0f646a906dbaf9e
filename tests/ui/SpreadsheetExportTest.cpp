#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "ui/Form.h"
#include "ui/ListView.h"
#include "ui/RecordsetBuilder.h"
#include "ui/UiFixture.h"
#include "ui/clsLvw2012.h"
#include "ui/mdl1.h"

namespace fo::test {
namespace {

// One member of the .xlsx package, as text.
std::string zipEntry(const std::string& file, const std::string& entry) {
    const std::string cmd = "unzip -p '" + file + "' '" + entry + "' 2>/dev/null";
    std::string out;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char buf[4096];
        std::size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        pclose(p);
    }
    return out;
}

int filesIn(const std::string& folder) {
    if (!std::filesystem::exists(folder)) return 0;
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(folder)) n += e.is_regular_file() ? 1 : 0;
    return n;
}

class SpreadsheetExportTest : public UiTest {
protected:
    RecordsetPtr bills() {
        return makeSet({"单据编号", "金额", "开票日期"},
                       {{Value("SF0001"), money("12.5"), Value(*DateTime::parse("2026-09-03"))},
                        {Value("SF0002"), Value(), Value("未开")}});
    }
};

TEST_F(SpreadsheetExportTest, AnEmptySetSaysSoAndWritesNothing) {
    auto empty = makeSet({"单据编号"}, {});
    EXPECT_EQ(ExporToExcel_rec("开票日期:  2026-09-01至2026-09-30", *empty), "");
    ASSERT_NE(ui.lastMessage(), nullptr);
    EXPECT_EQ(ui.lastMessage()->text, "没有记录!");
    EXPECT_EQ(filesIn(ui.exportFolder()), 0);
    EXPECT_TRUE(ui.exports().empty());
}

TEST_F(SpreadsheetExportTest, PageHeaderCarriesTheTitleAndFootersTheFixedTextsInTheKaitiFont) {
    auto rs = bills();
    const std::string path = ExporToExcel_rec("开票日期:  2026-09-01至2026-09-30 & more", *rs);
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(ui.exports(), std::vector<std::string>{path});
    EXPECT_EQ(std::filesystem::path(path).parent_path(), std::filesystem::path(ui.exportFolder()));
    const std::string sheet = zipEntry(path, "xl/worksheets/sheet1.xml");
    const std::string font = "&amp;\"楷体_GB2312,常规\"";
    EXPECT_NE(sheet.find("<oddHeader>&amp;C" + font + "开票日期:  2026-09-01至2026-09-30 &amp;&amp; more</oddHeader>"),
              std::string::npos)
        << sheet;
    EXPECT_NE(sheet.find("<oddFooter>&amp;L" + font + "&amp;10制表人：&amp;C" + font + "&amp;10制表日期：&amp;R" + font +
                         "&amp;10第&amp;P页 共&amp;N页</oddFooter>"),
              std::string::npos)
        << sheet;
}

TEST_F(SpreadsheetExportTest, FieldNamesFillRowOneInBoldHeitiAndEveryRowHasBorders) {
    auto rs = bills();
    const std::string path = ExporToExcel_rec("票据", *rs);
    ASSERT_FALSE(path.empty());
    const std::string styles = zipEntry(path, "xl/styles.xml");
    const auto heiti = styles.find("<name val=\"黑体\"/>");
    ASSERT_NE(heiti, std::string::npos) << styles;
    const auto fontStart = styles.rfind("<font>", heiti);
    ASSERT_NE(fontStart, std::string::npos);
    EXPECT_NE(styles.substr(fontStart, heiti - fontStart).find("<b/>"), std::string::npos) << "the header font is bold";
    EXPECT_NE(styles.find("<left style=\"thin\">"), std::string::npos);

    const std::string strings = zipEntry(path, "xl/sharedStrings.xml");
    for (const char* s : {"单据编号", "金额", "开票日期", "SF0002", "未开"})
        EXPECT_NE(strings.find(s), std::string::npos) << s;
    const std::string sheet = zipEntry(path, "xl/worksheets/sheet1.xml");
    EXPECT_NE(sheet.find("<row r=\"3\""), std::string::npos) << "one row per record after the header";
    EXPECT_NE(sheet.find("<v>12.5</v>"), std::string::npos) << "amounts stay numbers";
    // Every cell of the three rows carries a style (header or bordered body).
    std::size_t cells = 0, styled = 0;
    for (auto p = sheet.find("<c r="); p != std::string::npos; p = sheet.find("<c r=", p + 1)) {
        ++cells;
        const auto end = sheet.find('>', p);
        if (sheet.substr(p, end - p).find(" s=\"") != std::string::npos) ++styled;
    }
    EXPECT_EQ(cells, 9u);
    EXPECT_EQ(styled, cells);
}

TEST_F(SpreadsheetExportTest, ASecondExportWithTheSameTitleGetsItsOwnFile) {
    auto rs = bills();
    const std::string a = ExporToExcel_rec("票据/九月", *rs);
    const std::string b = ExporToExcel_rec("票据/九月", *rs);
    EXPECT_NE(a, b);
    EXPECT_EQ(std::filesystem::path(a).filename().string(), "票据_九月.xlsx");
    EXPECT_EQ(std::filesystem::path(b).filename().string(), "票据_九月 (2).xlsx");
}

TEST_F(SpreadsheetExportTest, ListHelperExportLeavesHiddenColumnsOutAndNamesTheWindowAndDates) {
    Form form("frmJmBachList");
    ListView lvw(form, "lvw1");
    clsLvw2012 helper;
    helper.strFormName = "应收明细表";
    helper.strDateFrom = "2026-09-01";
    helper.strDateTo = "2026-09-30";
    helper.blnFieldKey = true;
    helper.setLvw(lvw);
    auto rs = makeSet({"qfkid", "学号隐藏", "姓名", "欠费金额"},
                      {{Value(1), Value("S001"), Value("张三"), money("30")}});
    helper.initColumns(*rs, 0, "学号隐藏");
    helper.initList(*rs, lvw);
    const std::string path = helper.toExcel();
    ASSERT_FALSE(path.empty());
    EXPECT_FALSE(ui.waitCursorShown());
    const std::string strings = zipEntry(path, "xl/sharedStrings.xml");
    EXPECT_EQ(strings.find("学号隐藏"), std::string::npos);
    EXPECT_EQ(strings.find("S001"), std::string::npos);
    EXPECT_NE(strings.find("姓名"), std::string::npos);
    EXPECT_NE(strings.find("张三"), std::string::npos);
    EXPECT_NE(zipEntry(path, "xl/worksheets/sheet1.xml").find("应收明细表: 日期 2026-09-01-2026-09-30"), std::string::npos);
}

}  // namespace
}  // namespace fo::test
