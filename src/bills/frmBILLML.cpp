#include "bills/frmBILLML.h"

#include "data/Dialect.h"
#include "host/api/ModuleGlobals.h"
#include "students/frmCommFind.h"
#include "ui/CombinedQueryForm.h"
#include "ui/lists/TrimSpaces.h"
#include "ui/RightsCheck.h"
#include "ui/UiServices.h"
#include "ui/lists/mdl1.h"

namespace fo {
namespace {

const char* const CRLF = "\r\n";

// The list's widths before the clerk ever set one, in twips: a whole bill
// number ("SF202612060001"), date and time, and amount in words show.
int designWidth(const std::string& caption) {
    const std::pair<const char*, int> widths[] = {
        {"编号", 2200},   {"单据状态", 1000}, {"班级名称", 1400}, {"学号", 1300},     {"姓名", 1100},
        {"开票日期", 2800}, {"金额", 1200},     {"预收款", 1200},   {"划扣金额", 1200}, {"大写", 2600},
        {"备注", 1600},   {"开票人", 1100},   {"收款人", 1100},   {"作废日期", 2800}, {"作废原因", 1800}};
    for (const auto& [name, width] : widths)
        if (caption == name) return width;
    return 0;
}

}  // namespace

frmBILLML::frmBILLML() : Form("frmBILLML") {
    setCaption("票据管理");
    resize(13200, 8400);
    Frame1.move(120, 60, 4200, 600);
    lblFrom.move(240, 300, 240, 255);
    DTPfrom.move(480, 240, 1560, 300);
    lblTo.move(2160, 300, 360, 255);
    DTPto.move(2520, 240, 1560, 300);
    for (Control* c : std::initializer_list<Control*>{&lblFrom, &DTPfrom, &lblTo, &DTPto}) c->setContainer(&Frame1);
    lblState.move(4440, 300, 840, 255);
    cmbDJstate.move(5280, 240, 1080, 300);
    lblBJ.move(6480, 300, 480, 255);
    cmbBJ.move(6960, 240, 1440, 300);
    cmbBILLtype.move(8520, 240, 1320, 300);
    lblKpr.move(9960, 300, 720, 255);
    cmbKpr.move(10680, 240, 1320, 300);
    CMDfind.move(12000, 180, 1000, 375);
    ListView1.move(120, 780, 12960, 4200);
    lvwMx.move(120, 5100, 12960, 1800);
    lblZfyy.move(120, 7140, 960, 255);
    txtZfyy.move(1080, 7080, 3000, 300);
    lblPage.move(4200, 7140, 840, 255);
    cmbPageType.move(5040, 7080, 2160, 300);
    cmdPrintRe.move(7440, 7020, 1200, 375);
    cmdZF.move(8760, 7020, 1200, 375);
    Command2.move(10080, 7020, 1200, 375);
    Command3.move(11400, 7020, 1200, 375);
    cmbDJstate.setStyle(ComboBox::Style::DropDownList);
    cmbBJ.setStyle(ComboBox::Style::DropDownList);
    cmbBILLtype.setStyle(ComboBox::Style::DropDownList);
    cmbPageType.setStyle(ComboBox::Style::DropDownList);
    txtZfyy.KeyPress = [](int& k) { EnterToTab(k); };

    CMDfind.Click = [this] { CMDfind_Click(); };
    mFindWhere.Click = [this] { mFindWhere_Click(); };
    mGroupFind.Click = [this] { mGroupFindData(); };
    ListView1.ItemClick = [this](ListItem& i) { ListView1_ItemClick(i); };
    cmdPrintRe.Click = [this] { cmdPrintRe_Click(); };
    cmdZF.Click = [this] { cmdZF_Click(); };
    Command2.Click = [this] { Command2_Click(); };
    Command3.Click = [this] { Command3_Click(); };

    using namespace layout;
    setLayout(column({
        row({group("开票日期", {row({ctl(lblFrom), ctl(DTPfrom), ctl(lblTo), ctl(DTPto)})}), ctl(lblState),
             ctl(cmbDJstate), ctl(lblBJ), ctl(cmbBJ), ctl(cmbBILLtype), ctl(lblKpr), ctl(cmbKpr), ctl(CMDfind),
             stretch()}),
        splitter({ctl(ListView1), ctl(lvwMx)}, true),
        row({ctl(lblZfyy), ctl(txtZfyy), ctl(lblPage), ctl(cmbPageType), stretch(), ctl(cmdPrintRe), ctl(cmdZF),
             ctl(Command2), ctl(Command3)}),
    }));
}

frmBILLML::~frmBILLML() = default;

DbInfo& frmBILLML::dbInfo() {
    if (!dbInfo_) dbInfo_ = newDbInfo();
    return *dbInfo_;
}

HostSystem& frmBILLML::host() { return gRun ? *gRun : fo::gRun(); }

void frmBILLML::reopenConnection() {
    cn_->close();
    cn_->open();
}

bool frmBILLML::mayOpen() { return !refusedRight(host(), rights::Register, rights::View); }

void frmBILLML::Form_Load() {
    globals().transLinkString = dbInfo().LinkString();
    for (const char* t : {"全部单据", "收费单据", "退费单据"}) cmbBILLtype.AddItem(t);
    cmbBILLtype.setListIndex(0);
    // What the operator may not do is greyed out; the handlers refuse it as well.
    cmdPrintRe.setEnabled(rights::has(host(), rights::Reprint, rights::Full));
    cmdZF.setEnabled(rights::has(host(), rights::Register, rights::Post));

    gMOpen();
    const DateTime today = DateTime::today();
    DTPfrom.setValue(DateTime{today.year, today.month, 1});
    DTPto.setValue(today);
    cn_ = dbInfo().Connection();
    listCn_ = dbInfo().Connection();

    cmbKpr.AddItem("");
    for (RecordsetPtr rs = cn_->execute(bill_.getPJMLkpr()); !rs->eof(); rs->moveNext())
        cmbKpr.AddItem(rs->field("kpr").toText());
    cmbBJ.AddItem("全部");
    for (RecordsetPtr rs = cn_->execute("select bjmc from PJML group by bjmc "); !rs->eof(); rs->moveNext())
        cmbBJ.AddItem(rs->field("bjmc").toText());
    cmbBJ.setListIndex(0);
    // Nothing chosen: the list opens on the bills whose state is empty.
    for (const char* t : {"全部", "作废", ""}) cmbDJstate.AddItem(t);

    initData(true, "");

    lvwMx.clearColumns();
    lvwMx.addColumn("k0", "收费项目", 2000);
    lvwMx.addColumn("k1", "金额", 1200);
    lvwMx.addColumn("k2", "费用所属期", 2000);

    cmbPageType.Clear();
    for (const BillType& t : host().billTypeName(1)) {
        cmbPageType.AddItem(t.name);
        cmbPageType.setItemData(cmbPageType.NewIndex(), t.number);
    }
    for (int i = 0; i < cmbPageType.ListCount(); ++i)
        if (trimSpaces(cmbPageType.List(i)) == cmbPage) {
            cmbPageType.setListIndex(i);
            break;
        }
    gMclose();
}

void frmBILLML::initData(bool BlnHead, const std::string& studentIds) {
    gMOpen();
    lvwMx.clearItems();
    dropList();

    // The upper bound is the day after DTPto, so the whole last day counts.
    const bool sqlServer = isSqlServer(dbInfo().SqlKind());
    const std::string d1 = DTPfrom.dateText(), d2 = DTPto.value().addDays(1).dateText();
    std::string where = dateRange(sqlServer, "a.kprq", d1, d2);
    if (cmbDJstate.text() != "全部") where += std::string(CRLF) + " and a.pjState='" + sqlQuote(trimSpaces(cmbDJstate.text())) + "'";
    if (cmbBJ.text() != "全部") where += std::string(CRLF) + " and a.bjmc='" + sqlQuote(trimSpaces(cmbBJ.text())) + "'";
    if (cmbBILLtype.text() == "收费单据") where += std::string(CRLF) + " and left(a.djbh,2)='SF'";
    else if (cmbBILLtype.text() == "退费单据") where += std::string(CRLF) + " and left(a.djbh,2)='TF'";
    if (!cmbKpr.text().empty()) where += " and a.kpr='" + sqlQuote(cmbKpr.text()) + "'";
    if (!studentIds.empty()) where += " and b.xsid in(" + studentIds + ")";

    reopenConnection();
    lastSql_ = bill_.getPJMLsqL(where);
    // Newest first, read as the list is drawn: the clerk works with the
    // first rows while the rest arrive, and the sum row comes with the last.
    list_ = listCn_->executeStreamed(lastSql_, kFirstRows);
    setLvwHead(list_, ListView1, BlnHead, "金额");
    saveFirstGridWidths(name(), ListView1, designWidth);
    getGridWidth(name(), ListView1);
    gMclose();
}

void frmBILLML::mFindWhere_Click() {
    const std::string students = frmCommFind::ask();
    if (!students.empty()) initData(false, students);
}

void frmBILLML::mGroupFindData() {
    gMOpen();
    reopenConnection();
    const std::string sql = bill_.getPJMLsqLTop100("");
    RecordsetPtr top100 = cn_->execute(sql);
    if (top100->eof()) {
        gMclose();
        return;
    }
    // The sibling query dialog when the binding offers one, else ours. The
    // list stays as it was until the query gives rows to show: 取消 leaves it.
    std::unique_ptr<CombinedQuery> query = ui().newCombinedQuery();
    if (!query) query = std::make_unique<CombinedQueryForm::Query>();
    RecordsetPtr result;
    const bool accessDialect = !isSqlServer(host().SQL_access());
    if (query->query(cn_, sql, accessDialect, 1, result) && result) {
        lastSql_ = sql;
        lvwMx.clearItems();
        dropList();
        setLvwHead(result, ListView1, true, "金额");
        saveFirstGridWidths(name(), ListView1, designWidth);
        getGridWidth(name(), ListView1);
        list_ = result;
    }
    top100->close();
    gMclose();
}

void frmBILLML::ListView1_ItemClick(ListItem& item) {
    gMOpen();
    lvwMx.clearItems();
    const std::string id = item.key().substr(1);
    lastSql_ = "select pjmlmxid, xmmc,term,je from pJmlmx  where pjmlid=" + id + " order by pjmlmxid ";
    for (RecordsetPtr rs = cn_->execute(lastSql_); !rs->eof(); rs->moveNext()) {
        ListItem& row = lvwMx.addItem("k" + rs->field("pjmlmxid").toText(), rs->field("xmmc").toText());
        row.setSubItem(1, rs->field("je").toText());
        row.setSubItem(2, rs->field("term").toText());
    }
    // A prepayment receipt's items are prepaid amounts.
    if (lvwMx.columnCountOf() >= 2)
        lvwMx.setColumnText(2, item.text().rfind("YSK", 0) == 0 ? "预收款金额" : "收费金额");
    gMclose();
}

std::string frmBILLML::selectedState() const {
    const ListItem* sel = ListView1.selectedItem();
    if (!sel) return {};
    const int column = [&] {
        for (int i = 1; i <= ListView1.columnCountOf(); ++i)
            if (ListView1.column(i).key == "k单据状态") return i;
        return 0;
    }();
    return column ? sel->cell(column) : std::string();
}

void frmBILLML::dropList() {
    // The list's rows first: a list still being read lets go of its statement.
    ListView1.clearItems();
    list_.reset();
}

void frmBILLML::Form_Unload(int& cancel) {
    setGridWidth(name(), ListView1);
    dropList();
    for (ConnectionPtr* cn : {&cn_, &listCn_}) {
        if (*cn) (*cn)->close();
        cn->reset();
    }
    dbInfo_.reset();
}

}  // namespace fo
