#include "reduction/frmjmjlML.h"

#include "data/posting/DropTransaction.h"
#include "db/DbError.h"
#include "host/api/MessageService.h"
#include "host/api/ModuleGlobals.h"
#include "reduction/JmjlStatements.h"
#include "reduction/ReductionCancellation.h"
#include "ui/RightsCheck.h"
#include "ui/lists/TrimSpaces.h"
#include "ui/frmPlanPreview.h"
#include "ui/lists/mdl1.h"

namespace fo {

frmjmjlML::frmjmjlML() : Form("frmjmjlML") {
    setCaption("减免管理");
    resize(12000, 7200);
    Label1.move(120, 150, 900, 300);
    DTPfrom.move(1020, 120, 1500, 300);
    DTPto.move(2600, 120, 1500, 300);
    Label3.move(4300, 150, 500, 300);
    cmbBJ.move(4800, 120, 1600, 300);
    cmbBJ.setStyle(ComboBox::Style::DropDownList);
    Label4.move(6600, 150, 1000, 300);
    txtXh.move(7600, 120, 1600, 300);
    CMDfind.move(9400, 90, 1000, 375);
    lvwML.move(120, 600, 8200, 5800);
    lvwMx.move(8400, 600, 3400, 5800);
    cmdCancel.move(8400, 6500, 1500, 375);
    cmdExit.move(10300, 6500, 1500, 375);

    CMDfind.Click = [this] { initData(nullptr); };
    lvwML.ItemClick = [this](ListItem& i) { lvwML_ItemClick(i); };
    cmdCancel.Click = [this] { cmdCancel_Click(); };
    cmdExit.Click = [this] {
        if (cn_) cn_->close();
        unload();
    };

    using namespace layout;
    setLayout(column({row({ctl(Label1), ctl(DTPfrom), ctl(DTPto), ctl(Label3), ctl(cmbBJ), ctl(Label4), ctl(txtXh),
                           ctl(CMDfind), stretch()}),
                      splitter({ctl(lvwML), ctl(lvwMx)}),
                      row({stretch(), ctl(cmdCancel), ctl(cmdExit)})}));
}

bool frmjmjlML::mayOpen() { return !refusedRight(gRun(), rights::Reductions, rights::View); }

void frmjmjlML::Form_Load() {
    HostSystem& run = gRun();
    cmdCancel.setEnabled(rights::has(run, rights::Reductions, rights::Post));
    const DateTime today = DateTime::today();
    DTPfrom.setValue(DateTime{today.year, today.month, 1});
    DTPto.setValue(today);
    cn_ = run.pGetCN();
    cmbBJ.Clear();
    cmbBJ.AddItem("");
    addComboRows(cmbBJ, cn_->execute("select id,mc from kdw_bj order by mc"), "mc", "id");

    jmjl::ListFilter f;
    f.categoryCondition = run.getXSLBlistInSQL("b.lb1");
    f.dateFrom = DTPfrom.value();
    f.dateTo = DTPto.value();
    f.onLoad = true;
    lastQuery_ = jmjl::recordsQuery(isSqlServer(run.SQL_access()), f);
    RecordsetPtr rs = cn_->execute(lastQuery_);
    lvwML.clearColumns();
    for (std::size_t i = 1; rs && i < rs->fieldCount(); ++i) {
        const std::string& name = rs->fieldInfo(i).name;
        lvwML.addColumn("k" + name, name, 1200);
    }
    if (rs) fill(*rs);
    run.LvwGetColumnWidth(lvwML, "", name());
    lvwMx.addColumn("k项目", "项目", 1800);
    lvwMx.addColumn("k减免金额", "减免金额", 1200, Alignment::Right);
}

void frmjmjlML::Form_Unload(int&) {
    gRun().LvwSaveColumnWidth(lvwML, "", name());
    if (cn_) cn_->close();
    cn_.reset();
}

void frmjmjlML::initData(RecordsetPtr rs) {
    if (!rs) {
        HostSystem& run = gRun();
        jmjl::ListFilter f;
        f.categoryCondition = run.getXSLBlistInSQL("b.lb1");
        f.dateFrom = DTPfrom.value();
        f.dateTo = DTPto.value();
        if (!trimSpaces(cmbBJ.text()).empty() && cmbBJ.ListIndex() >= 0)
            f.classId = std::to_string(cmbBJ.ItemData(cmbBJ.ListIndex()));
        f.student = trimSpaces(txtXh.text());
        lastQuery_ = jmjl::recordsQuery(isSqlServer(run.SQL_access()), f);
        rs = cn_->execute(lastQuery_);
    }
    if (rs) fill(*rs);
}

void frmjmjlML::fill(Recordset& rs) {
    lvwML.clearItems();
    lvwMx.clearItems();
    for (; !rs.eof(); rs.moveNext()) {
        ListItem& line = lvwML.addItem("k" + rs.field(std::size_t{0}).toText(), rs.field(std::size_t{1}).toText());
        for (std::size_t i = 2; i < rs.fieldCount(); ++i) {
            const Value v = rs.field(i);
            line.setSubItem(static_cast<int>(i - 1), v.isNull() ? std::string() : v.toText());
        }
    }
}

void frmjmjlML::lvwML_ItemClick(ListItem& item) {
    lvwMx.clearItems();
    RecordsetPtr rs = cn_->execute(jmjl::recordItemsQuery(item.key().substr(1)));
    for (int n = 1; rs && !rs->eof(); rs->moveNext(), ++n) {
        ListItem& line = lvwMx.addItem("k" + std::to_string(n), rs->field("mc").toText());
        line.setSubItem(1, rs->field("jmje").toText());
    }
}

void frmjmjlML::cmdCancel_Click() {
    if (refusedRight(gRun(), rights::Reductions, rights::Post)) return;
    ListItem* selected = lvwML.selectedItem();
    if (!selected) return;
    const std::string id = selected->key().substr(1);
    // What the cancellation will write, from the books as they stand: the
    // clerk sees it first, and the cancellation writes exactly that.
    plan::Plan seen;
    try {
        gMOpen();
        plan::Draws preview;
        seen = jmjl::cancellationPlan(*cn_, gRun(), id, newDbInfo()->UserName(), preview);
        gMclose();
    } catch (const std::exception& e) {
        gMclose();
        const DbError* db = dynamic_cast<const DbError*>(&e);
        msgBox(std::string("操作失败！") + jmjl::CRLF + (db ? db->description() : std::string(e.what())),
               MsgButtons::OK, MsgIcon::Exclamation, "警告！");
        return;
    }
    frmPlanPreview::Request request;
    request.caption = "取消减免预览";
    request.heading = "取消减免 " + selected->text() + "（" + selected->cell(lvwML.columnIndexByText("姓名")) +
                      "）将做以下变动：";
    request.confirmCaption = "确认取消";
    request.offerLater = true;
    switch (frmPlanPreview::show(request, seen)) {
        case frmPlanPreview::Confirm: break;
        case frmPlanPreview::OpenLater: return showRecord(frmPlanPreview::laterReduction(seen));
        case frmPlanPreview::Refresh: return initData(nullptr);
        default: return;
    }
    if (msgBox(jmjl::cancelConfirmation(), MsgButtons::YesNo, MsgIcon::Critical, "警告！") != MsgAnswer::Yes) return;
    bool ok = false;
    CancelMonthJM(id, ok, &seen);
}

void frmjmjlML::showRecord(const std::string& id) {
    if (id.empty()) return;
    HostSystem& run = gRun();
    jmjl::ListFilter f;
    f.categoryCondition = run.getXSLBlistInSQL("b.lb1");
    f.recordId = id;
    lastQuery_ = jmjl::recordsQuery(isSqlServer(run.SQL_access()), f);
    initData(cn_->execute(lastQuery_));
    if (lvwML.findItem("k" + id)) lvwML.userItemClick("k" + id);
}

// A refused cancellation: the message, then nothing of it stays.
void frmjmjlML::refuse(ConnectionPtr& trCn, const std::string& message) {
    msgBox(message, MsgButtons::OK, MsgIcon::Exclamation, "警告！");
    dropTransaction(trCn);
    gMclose();
}

void frmjmjlML::CancelMonthJM(const std::string& id, bool& ok, const plan::Plan* seen) {
    ok = false;
    HostSystem& run = gRun();
    gMOpen();
    ConnectionPtr trCn;
    try {
        auto dbInfo = newDbInfo();
        const std::string operatorName = dbInfo->UserName();
        const std::string billNo = dbInfo->NextBillNo("QXJM");
        trCn = run.pgettrcn();
        gMOpen();
        trCn->beginTrans();
        auditPosting(*trCn, "取消减免", billNo, listedAmount(lvwML, "k" + id, "减免金额"));
        // Planned on the transaction, under the books' write lock: what the
        // plan reads is what the statements will find. It draws one number,
        // the one the log was told.
        plan::Draws draws([&](const std::string& table) { return dbInfo->NextId(table, 1); },
                          [&](const std::string&) { return billNo; });
        const plan::Plan p = jmjl::cancellationPlan(*trCn, run, id, operatorName, draws);
        if (p.refused()) return refuse(trCn, p.refusals.front().reason);
        if (seen)
            if (const auto changed = plan::differences(*seen, p); !changed.empty())
                return refuse(trCn, plan::changedSincePreview(changed));
        plan::execute(*trCn, p);
        trCn->commitTrans();
        trCn->close();
        trCn.reset();
    } catch (const std::exception& e) {
        // Any failing statement takes the whole cancellation back.
        dropTransaction(trCn);
        gMclose();
        gMclose();
        const DbError* db = dynamic_cast<const DbError*>(&e);
        msgBox(std::string("操作失败！") + jmjl::CRLF + (db ? db->description() : std::string(e.what())),
               MsgButtons::OK, MsgIcon::Exclamation, "警告！");
        return;
    }
    lvwMx.clearItems();
    gMclose();
    gMclose();
    ok = true;
    msgBox("操作成功！");
    if (ListItem* selected = lvwML.selectedItem(); selected && selected->key() == "k" + id)
        lvwML.removeItem(selected->index());
}

}  // namespace fo
