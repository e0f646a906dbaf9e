// The list helpers: a list filled from a set (whole, or still being read),
// the list helper object's columns, fills and sum row, and the column widths
// both keep for the clerk. Their exports read back from the .xlsx package
// itself: what a spreadsheet program sees (cell types and number formats,
// the print set-up, the page header and footer), not what the writer was
// asked to do.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "support/FakeHostSystem.h"
#include "support/XlsxSheet.h"
#include "ui/Form.h"
#include "ui/controls/ListView.h"
#include "ui/controls/ProgressBar.h"
#include "ui/UiFixture.h"
#include "ui/lists/clsLvw2012.h"
#include "ui/lists/mdl1.h"

namespace fo::test {
namespace {

// The rows of a statement still being read, handed over a few at a time.
class ChunkedRows final : public RowSource {
public:
    explicit ChunkedRows(std::vector<std::vector<Value>> rows) : rows_(std::move(rows)) {}
    bool readMore(Recordset& to, std::size_t rows) override {
        for (std::size_t n = 0; n < std::min<std::size_t>(rows, 7) && next_ < rows_.size(); ++n) to.appendRow(rows_[next_++]);
        return next_ < rows_.size();
    }

private:
    std::vector<std::vector<Value>> rows_;
    std::size_t next_ = 0;
};

// 30 receipts, newest first, amounts that add up exactly only in fixed point.
std::vector<std::vector<Value>> receipts() {
    std::vector<std::vector<Value>> rows;
    for (int id = 30; id >= 1; --id)
        rows.push_back({Value(id), Value("SF" + std::to_string(1000 + id)), Value(Currency::fromRaw(1000 + id * 1001)),
                        id % 4 ? Value("备注") : Value()});
    return rows;
}

// The same receipts as a set still being read: five rows there, the rest to come.
RecordsetPtr receiptsBeingRead() {
    auto rs = std::make_shared<Recordset>();
    for (const char* f : {"id", "单据编号", "金额", "备注"}) rs->appendField(f);
    std::vector<std::vector<Value>> rows = receipts();
    for (int i = 0; i < 5; ++i) rs->appendRow(rows[static_cast<std::size_t>(i)]);
    rs->open();
    rs->readFrom(std::make_unique<ChunkedRows>(std::vector<std::vector<Value>>(rows.begin() + 5, rows.end())));
    return rs;
}

class ListHelpers : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        helper.strFormName = "frmJmBachList";
        helper.setLvw(lvw);
    }
    RecordsetPtr bills() {
        return makeSet({"id", "单据编号", "金额", "备注"},
                       {{Value(11), Value("SF0001"), money("12.5"), Value()},
                        {Value(12), Value("SF0002"), money("0.1"), Value("补")},
                        {Value(13), Value("TF0001"), money("0.2"), Value("")}});
    }
    RecordsetPtr arrears() {
        return makeSet({"id", "xsid", "姓名", "欠费金额"},
                       {{Value(7), Value(70), Value("张三"), money("100")},
                        {Value(8), Value(80), Value(), money("0.335")},
                        {Value(9), Value(90), Value("王五"), Value("12元")}});
    }
    // One part of every column of the list, in order: their captions, their widths.
    template <class T> std::vector<T> columns(T ColumnHeader::*part) {
        std::vector<T> out;
        for (int i = 1; i <= lvw.columnCountOf(); ++i) out.push_back(lvw.column(i).*part);
        return out;
    }
    std::string stored(const std::string& section, const std::string& key) {
        return store->getSetting("tavro", section, key, "(missing)");
    }
    Form form{"frmBILLML"};
    ListView lvw{form, "ListView1"};
    clsLvw2012 helper;
};

TEST_F(ListHelpers, SetsFillListsWholeOrStillBeingReadAndTheHelperObjectNumbersKeysSelectsAndSumsTheRows) {
    EXPECT_TRUE(setLvwHead(bills(), lvw, true, ""));
    ASSERT_EQ(lvw.columnCountOf(), 3);
    EXPECT_EQ(lvw.column(1).text + "|" + lvw.column(2).key, "单据编号|k金额");
    ASSERT_EQ(lvw.itemCount(), 3) << "no sum row without a sum caption";
    EXPECT_EQ(lvw.item(1).key() + "|" + lvw.item(1).text() + "|" + lvw.item(1).subItem(1) + "|" + lvw.item(1).subItem(2),
              "k11|SF0001|12.5|") << "a null shows empty";
    // An empty set keeps the columns without BlnHead and still gets its zero sum row.
    setLvwHead(makeSet({"id", "单据编号", "金额", "备注"}, {}), lvw, false, "金额");
    ASSERT_EQ(std::pair(lvw.columnCountOf(), lvw.itemCount()), std::pair(3, 1));
    EXPECT_EQ(lvw.item(1).text() + "|" + lvw.item(1).subItem(1), "合计|0.00");

    // A list still being read: clicks, keys and selection work on the rows
    // read so far; what needs every row reads the rest, which shows row for
    // row what the whole set shows.
    ListView whole{form, "whole"};
    setLvwHead(makeSet({"id", "单据编号", "金额", "备注"}, receipts()), whole, true, "金额");
    std::vector<std::string> clicked;
    lvw.ItemClick = [&](ListItem& it) { clicked.push_back(it.key() + "|" + it.text() + "|" + std::to_string(it.index())); };
    setLvwHead(receiptsBeingRead(), lvw, true, "金额");
    ASSERT_EQ(lvw.shownCount(), 5) << "only the rows read are drawn, and no sum row yet";
    EXPECT_EQ(lvw.rowKey(5), "k26");
    ASSERT_TRUE(lvw.userRowClick(3));
    EXPECT_EQ(lvw.selectedItem()->key(), "k28");
    // A key among the rows read is found without reading on.
    EXPECT_EQ(listedAmount(lvw, "k27", "金额"), Currency::parse("2.80"));
    EXPECT_FALSE(lvw.rowsComplete());
    EXPECT_TRUE(lvw.readMoreRows());
    EXPECT_EQ(lvw.shownCount(), 12);
    EXPECT_EQ(lvw.rowCell(12, 2), "2.00") << "receipt 19: 0.1 + 19 x 0.1001, shown with two decimals";
    // One further down is found after the rest is read; selection moves to it.
    ASSERT_TRUE(lvw.userItemClick("k2"));
    EXPECT_TRUE(lvw.rowsComplete());
    EXPECT_EQ(clicked, (std::vector<std::string>{"k28|SF1028|3", "k2|SF1002|29"}));
    EXPECT_EQ(std::pair(lvw.item(3).selected(), lvw.item(29).selected()), std::pair(false, true));
    EXPECT_EQ(lvw.findItem("k31"), nullptr);
    ASSERT_EQ(lvw.itemCount(), 31);
    for (int r = 1; r <= 31; ++r) {
        ASSERT_EQ(lvw.rowKey(r), whole.item(r).key()) << r;
        for (int c = 1; c <= 3; ++c) ASSERT_EQ(lvw.rowCell(r, c), whole.item(r).cell(c)) << r << "," << c;
    }
    const ListItem& sum = lvw.item(31);
    EXPECT_EQ(sum.key() + "|" + sum.subItem(1), "k0|49.55") << "30 x 0.1 + 0.1001 x 465 = 49.5465, added exactly";
    EXPECT_EQ(std::pair(sum.foreColor(), lvw.item(1).foreColor()), std::pair(color::Red, color::Black));
    EXPECT_EQ(lvw.column(2).alignment, Alignment::Right);

    // An edited row shows its edit; an item added comes after the sum row.
    lvw.item(4).setSubItem(2, "改过");
    EXPECT_EQ(lvw.rowCell(4, 3), "改过");
    lvw.addItem("k99", "追加");
    EXPECT_EQ(std::pair(lvw.item(32).index(), lvw.findItem("k99")->text()), std::pair(32, std::string("追加")));
    EXPECT_THROW(lvw.addItem("k5", "重复"), std::invalid_argument);
    EXPECT_THROW(lvw.removeItem(2), std::logic_error);
    lvw.removeItem(32);
    EXPECT_EQ(lvw.itemCount(), 31);
    // A refill drops the rows and their items.
    setLvwHead(bills(), lvw, false, "金额");
    EXPECT_EQ(std::pair(lvw.itemCount(), lvw.selectedItem()), std::pair(4, static_cast<ListItem*>(nullptr)));

    auto rs = arrears();
    helper.initColumns(*rs, 0, "");
    EXPECT_EQ(columns(&ColumnHeader::text), (std::vector<std::string>{"序号", "id", "xsid", "姓名", "欠费金额"}));
    EXPECT_EQ(std::pair(lvw.column(1).key, lvw.visible()), std::pair(std::string("k序号"), true));
    helper.initList(*rs, lvw);
    ASSERT_EQ(lvw.itemCount(), 3);
    EXPECT_EQ(lvw.item(2).key() + "|" + lvw.item(2).text() + "|" + lvw.item(2).subItem(1) + "|" + lvw.item(2).subItem(3),
              "k2|2|8|");
    // A fill closes the set only when asked; a refill replaces the rows.
    helper.initData(lvw, *rs, true, false);
    EXPECT_EQ(rs->state(), Recordset::Open);
    helper.blnCloseRecAfterInit = true;
    helper.initData2012(*rs, lvw);
    EXPECT_EQ(std::pair(rs->state(), lvw.itemCount()), std::pair(int{Recordset::Closed}, 3));

    // With field key the first field keys the rows; hidden captions get width zero.
    helper.blnFieldKey = true;
    rs = arrears();
    helper.initColumns(*rs, 1, "xsid,欠费金额");
    EXPECT_EQ(columns(&ColumnHeader::text), (std::vector<std::string>{"xsid", "姓名", "欠费金额"}));
    EXPECT_EQ(columns(&ColumnHeader::width), (std::vector<int>{0, 1500, 0}));
    helper.initList(*rs, lvw);
    EXPECT_EQ(lvw.item(1).key() + "|" + lvw.item(1).text() + "|" + lvw.item(1).subItem(1) + "|" + lvw.item(1).subItem(2),
              "k7|7|70|张三");

    helper.initListKeyIDNoProgress(*arrears(), lvw, "8");
    ASSERT_NE(lvw.selectedItem(), nullptr);
    EXPECT_EQ(lvw.selectedItem()->key(), "k8");

    Form progress("frmProgress");
    ProgressBar bar(progress, "ProgressBar1");
    helper.initListKeyID(*arrears(), lvw, "9", progress);
    EXPECT_EQ(std::pair(bar.max(), bar.value()), std::pair(3L, 4L));
    EXPECT_EQ(std::pair(lvw.selectedItem()->key(), lvw.visible()), std::pair(std::string("k9"), true));
    progress.unload();

    rs = arrears();
    helper.initColumns(*rs, 0, "");
    helper.initList(*rs, lvw);
    helper.addSumRow("欠费金额,xsid");
    ASSERT_EQ(lvw.itemCount(), 4);
    const ListItem& sumRow = lvw.item(4);
    EXPECT_EQ(sumRow.key() + "|" + sumRow.text(), "k0|合计");
    std::vector<std::string> owed;  // text is read as a number
    for (int r = 1; r <= 4; ++r) owed.push_back(helper.getLvwColumnValueFromIndx("欠费金额", r));
    EXPECT_EQ(owed, (std::vector<std::string>{"100.00", "0.34", "12.00", "112.34"}));
    EXPECT_EQ(helper.getLvwColumnValueFromIndx("xsid", 4), "240.00");
    EXPECT_NE(sumRow.cellForeColor(3), sumRow.cellForeColor(2)) << "the summed cells stand out";
    EXPECT_EQ(std::pair(lvw.column(4).alignment, lvw.column(3).alignment), std::pair(Alignment::Right, Alignment::Left));
    // Cells are read and written by caption.
    EXPECT_THROW(helper.getLvwColumnValueSEL("姓名"), std::logic_error);
    lvw.setSelectedItem(&lvw.item(3));
    EXPECT_EQ(helper.getLvwColumnValueSEL("姓名"), "王五");
    helper.SetLvwColumnValueFromIndx("id", 2, "首列");
    helper.SetLvwColumnValueFromIndx("姓名", 2, "李四");
    EXPECT_EQ(lvw.item(2).text() + "|" + lvw.item(2).subItem(2), "首列|李四");
    helper.SetLvwColumnColorFromIndx("姓名", 2, 0xFF0000);
    EXPECT_EQ(lvw.item(2).cellForeColor(2), 0xFF0000);
    EXPECT_THROW(helper.getLvwColumnValueFromIndx("没有", 1), std::logic_error);
}

TEST_F(ListHelpers, WidthsAreStoredAndRestoredByTheModuleRoutineFirstWidthsOnlyWhereNoneWasAndByTheListHelper) {
    // Three columns, as a window's list has them before widths are restored.
    for (const char* c : {"单据编号", "金额", "备注"}) lvw.addColumn(std::string("k") + c, c, 777);
    store->saveSetting("tavro", "frmBILLMLListView1", "k3", "2500");
    getGridWidth("frmBILLML", lvw);
    EXPECT_EQ(columns(&ColumnHeader::width), (std::vector<int>{1000, 1000, 2500})) << "the first two never saved";
    lvw.setColumnWidth(0, 1800);
    lvw.setColumnWidth(1, -5);
    lvw.setColumnWidth(2, 0);
    setGridWidth("frmBILLML", lvw);
    EXPECT_EQ(stored("frmBILLMLListView1", "k1") + "|" + stored("frmBILLMLListView1", "k2") + "|" +
                  stored("frmBILLMLListView1", "k3"),
              "1800|1000|0") << "a negative width is stored as 1000";
    getGridWidth("frmBILLML", lvw);
    EXPECT_EQ(lvw.column(3).width, 1000) << "a column saved at 0 comes back at 1000";

    // First widths go only where the clerk never saved one (another list's).
    store->saveSetting("tavro", "frmFirstListView1", "k2", "900");
    saveFirstGridWidths("frmFirst", lvw, [](const std::string& caption) {
        return caption == "单据编号" ? 2200 : caption == "金额" ? 1200 : 0;
    });
    getGridWidth("frmFirst", lvw);
    // A first width, the clerk's width, and no first width: restored as a missing one.
    EXPECT_EQ(columns(&ColumnHeader::width), (std::vector<int>{2200, 900, 1000}));
    EXPECT_EQ(stored("frmFirstListView1", "k3"), "(missing)");

    lvw.setColumnWidth(0, -1);
    helper.gSetLvwColumnWidth(lvw, "sec");
    EXPECT_EQ(stored("sec", "k1"), "0");
    store->saveSetting("tavro", "sec", "k2", "abc");
    store->saveSetting("tavro", "sec", "k3", "2222");
    helper.gGetLvwColumnWidth(lvw, "sec");
    EXPECT_EQ(columns(&ColumnHeader::width), (std::vector<int>{1500, 1500, 2222}));

    // A bound list's widths live under the window's and the list's name.
    {
        clsLvw2012 bound;
        bound.strFormName = "frmJmBachList";
        bound.setLvw(lvw);
        lvw.setColumnWidth(2, 3210);
    }
    EXPECT_EQ(stored("frmJmBachListListView1", "k3"), "3210");
    lvw.setColumnWidth(2, 1);
    helper.getColWidth();  // bound to the same window's list
    EXPECT_EQ(lvw.column(3).width, 3210);
}

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

TEST_F(ListHelpers, FilesAreNamedAfterTheExportAmountsAreNumbersDatesDatesAndThePageFitsTheWidth) {
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
    helper.strFormName = "应收明细表";
    helper.strDateFrom = "2026-09-01";
    helper.strDateTo = "2026-09-30";
    helper.blnFieldKey = true;
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
