#include "ui/frmPlanPreview.h"

#include <memory>
#include <set>

#include "db/Recordset.h"
#include "host/api/HostSystem.h"
#include "host/api/ModuleGlobals.h"
#include "ui/PlanRowNames.h"
#include "ui/FormInstance.h"
#include "ui/controls/KeyCodes.h"
#include "ui/lists/mdl1.h"

namespace fo {
namespace {

bool isAmount(const Value& v) { return v.kind() == Value::Kind::Currency || v.kind() == Value::Kind::Double; }

std::string cellText(const Value& v) { return isAmount(v) ? v.toCurrency().format00() : v.toText(); }

}  // namespace

frmPlanPreview::frmPlanPreview() : Form("frmPlanPreview") {
    setCaption("预览");
    resize(13200, 8400);
    lblHeading.move(120, 120, 12800, 300);
    lvwLines.move(120, 480, 12800, 3000);
    lvwPlan.move(120, 3600, 12800, 3000);
    lblRefusal.move(120, 6700, 12800, 600);
    lblRefusal.setForeColor(color::Red);
    lblTotals.move(120, 7500, 5000, 300);
    cmdExport.move(6400, 7440, 1400, 375);
    cmdOpenLater.move(7900, 7440, 1600, 375);
    cmdRefresh.move(7900, 7440, 1600, 375);
    cmdOK.move(9600, 7440, 1600, 375);
    cmdBack.move(11300, 7440, 1400, 375);

    cmdOK.Click = [this] { close(Confirm); };
    cmdBack.Click = [this] { close(Back); };
    cmdOpenLater.Click = [this] { close(OpenLater); };
    cmdRefresh.Click = [this] { close(Refresh); };
    cmdExport.Click = [this] { cmdExport_Click(); };

    using namespace layout;
    setLayout(column({ctl(lblHeading), splitter({ctl(lvwLines), ctl(lvwPlan)}, true), ctl(lblRefusal),
                      row({ctl(lblTotals), stretch(), ctl(cmdExport), ctl(cmdOpenLater), ctl(cmdRefresh), ctl(cmdOK), ctl(cmdBack)})}));
}

int frmPlanPreview::show(const Request& request, const plan::Plan& plan) {
    auto w = formInstance<frmPlanPreview>();
    w->request_ = request;
    w->plan_ = plan;
    w->showModal();
    return w->answer;
}

std::string frmPlanPreview::laterReduction(const plan::Plan& plan) {
    for (const plan::Refusal& r : plan.refusals)
        if (!r.laterId.empty() && r.laterDjbh.rfind("JM", 0) == 0) return r.laterId;
    return {};
}

void frmPlanPreview::Form_Load() {
    answer = Back;
    // The opener may have shown the hourglass while it planned.
    gMclose();
    setCaption(request_.caption);
    lblHeading.setCaption(request_.heading);
    fillLines();
    fillChanges();

    // A reason several of a batch's groups meet is said once.
    std::string refusals;
    std::set<std::string> said;
    for (const plan::Refusal& r : plan_.refusals)
        if (said.insert(r.reason).second) refusals += (refusals.empty() ? "" : "\r\n") + r.reason;
    lblRefusal.setCaption(refusals.empty() ? std::string() : "不能记账：" + refusals);
    lblRefusal.setVisible(!refusals.empty());
    lblTotals.setCaption((request_.totals.empty() ? std::string() : request_.totals + "；") + "变动 " +
                         std::to_string(plan_.changes.size()) + " 行");
    cmdOK.setCaption(request_.confirmCaption.empty() ? "确认" : request_.confirmCaption);
    cmdOK.setEnabled(!plan_.refused());
    cmdOpenLater.setVisible(request_.offerLater && !laterReduction(plan_).empty());
    cmdRefresh.setVisible(refusals.find("请刷新") != std::string::npos);
}

void frmPlanPreview::fillLines() {
    lvwLines.clearItems();
    lvwLines.clearColumns();
    const plan::Summary& s = plan_.summary;
    lvwLines.setVisible(!s.captions.empty());
    if (s.captions.empty()) return;
    for (std::size_t c = 0; c < s.captions.size(); ++c) {
        const bool amount = !s.lines.empty() && c < s.lines.front().cells.size() && isAmount(s.lines.front().cells[c]);
        lvwLines.addColumn("k" + s.captions[c], s.captions[c], amount ? 1100 : 1300,
                           amount ? Alignment::Right : Alignment::Left);
    }
    lvwLines.addColumn("k说明", "说明", 4000);
    int n = 0;
    for (const plan::Line& line : s.lines) {
        ListItem& item = lvwLines.addItem("k" + std::to_string(++n), line.cells.empty() ? "" : cellText(line.cells[0]));
        for (std::size_t c = 1; c < line.cells.size(); ++c) item.setSubItem(static_cast<int>(c), cellText(line.cells[c]));
        item.setSubItem(static_cast<int>(s.captions.size()), line.refusal);
        if (!line.refusal.empty()) item.setForeColor(color::Red);
    }
}

void frmPlanPreview::fillChanges() {
    // Rows are named as the clerk knows them, read from the books; without
    // a host to read them from, by their keys.
    ConnectionPtr books;
    try {
        if (globals().host) books = gRun().pGetCN();
    } catch (const std::exception&) {
    }
    std::unique_ptr<PlanRowNames> names = books ? std::make_unique<PlanRowNames>(*books, plan_) : nullptr;
    lvwPlan.clearItems();
    lvwPlan.clearColumns();
    lvwPlan.addColumn("k操作", "操作", 700);
    lvwPlan.addColumn("k内容", "内容", 1200);
    lvwPlan.addColumn("k说明", "说明", 3600);
    lvwPlan.addColumn("k变动", "变动", 5200);
    lvwPlan.addColumn("k记录", "记录", 3400);
    int n = 0;
    for (const plan::RowChange& c : plan_.changes) {
        ListItem& item = lvwPlan.addItem("k" + std::to_string(++n), plan::kindText(c.kind));
        item.setSubItem(1, plan::tableCaption(c.table));
        item.setSubItem(2, c.reason);
        item.setSubItem(3, plan::cellsText(c, true));
        item.setSubItem(4, names ? names->of(c) : plan::keyText(c));
    }
}

void frmPlanPreview::cmdExport_Click() {
    // All the window shows: a batch's lines first, then every row the
    // posting changes, then the refusals, each on a sheet of its own.
    const std::size_t captions = plan_.summary.captions.size();
    Recordset lines;
    for (int c = 1; c <= lvwLines.columnCountOf(); ++c) lines.appendField(lvwLines.column(c).text);
    lines.open();
    for (const plan::Line& line : plan_.summary.lines) {
        lines.addNew();
        for (std::size_t c = 0; c < line.cells.size() && c < captions; ++c) lines.field(c) = line.cells[c];
        lines.field(captions) = Value(line.refusal);
    }
    Recordset changes;
    for (int c = 1; c <= lvwPlan.columnCountOf(); ++c) changes.appendField(lvwPlan.column(c).text);
    changes.open();
    for (int r = 1; r <= lvwPlan.itemCount(); ++r) {
        changes.addNew();
        for (int c = 1; c <= lvwPlan.columnCountOf(); ++c) changes.field(static_cast<std::size_t>(c - 1)) = Value(lvwPlan.item(r).cell(c));
    }
    Recordset refusals;
    refusals.appendField("不能记账", DataType::VarChar, 200);
    refusals.open();
    std::set<std::string> said;
    for (const plan::Refusal& r : plan_.refusals)
        if (said.insert(r.reason).second) {
            refusals.addNew();
            refusals.field(std::size_t{0}) = Value(r.reason);
        }
    const SheetExport sheet{caption() + "：" + request_.heading, caption(), 0, caption()};
    if (captions > 0) exportSheets(sheet, lines, {{"变动", &changes}, {"不能记账", &refusals}});
    else if (changes.recordCount() > 0 || refusals.recordCount() == 0) exportSheets(sheet, changes, {{"不能记账", &refusals}});
    else exportSheets(sheet, refusals, {});  // a refusal that changes nothing is all there is
}

void frmPlanPreview::close(int result) {
    answer = result;
    unload();
}

}  // namespace fo
