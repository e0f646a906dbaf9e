#include "ui/CombinedQueryForm.h"

#include "db/Connection.h"
#include "db/values/Currency.h"
#include "db/DbError.h"
#include "db/sql/SqlQuoting.h"
#include "db/sql/SqlSelect.h"
#include "host/api/MessageService.h"
#include "ui/FormInstance.h"

namespace fo {
namespace {

// A value as a condition compares it: a number bare, a text quoted, its
// ASCII letters in capitals. Every text column compares ignoring case but
// the document numbers, which the program writes in capitals: so "sf2026…"
// finds its receipt as "SF2026…" does.
std::string literal(const std::string& v) {
    if (!v.empty() && Currency::parse(v)) return v;
    std::string upper = v;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return quotedLiteral(upper);
}

}  // namespace

const std::vector<std::string>& CombinedQueryForm::operators() {
    static const std::vector<std::string> ops{"=", "<>", ">", ">=", "<", "<=", "包含"};
    return ops;
}

CombinedQueryForm::CombinedQueryForm() : Form("CombinedQueryForm") {
    setCaption("组合查询");
    resize(7200, 5400);
    lblField.move(240, 300, 600, 255);
    cmbField.move(840, 240, 1800, 300);
    lblOp.move(2760, 300, 600, 255);
    cmbOp.move(3360, 240, 960, 300);
    lblValue.move(4440, 300, 360, 255);
    txtValue.move(4800, 240, 2040, 300);
    cmdAdd.move(240, 720, 1200, 375);
    cmdRemove.move(1560, 720, 1200, 375);
    lstWhere.move(240, 1200, 6600, 2880);
    cmdOK.move(4320, 4260, 1200, 375);
    cmdCancel.move(5640, 4260, 1200, 375);
    cmbField.setStyle(ComboBox::Style::DropDownList);
    cmbOp.setStyle(ComboBox::Style::DropDownList);
    for (const std::string& op : operators()) cmbOp.AddItem(op);
    cmbOp.setListIndex(0);
    cmdOK.setDefault(true);
    cmdCancel.setCancel(true);

    cmdAdd.Click = [this] { cmdAdd_Click(); };
    cmdRemove.Click = [this] { cmdRemove_Click(); };
    cmdOK.Click = [this] { cmdOK_Click(); };
    cmdCancel.Click = [this] { unload(); };

    using namespace layout;
    setLayout(column({
        row({ctl(lblField), ctl(cmbField), ctl(lblOp), ctl(cmbOp), ctl(lblValue), ctl(txtValue)}),
        row({ctl(cmdAdd), ctl(cmdRemove), stretch()}),
        ctl(lstWhere),
        row({stretch(), ctl(cmdOK), ctl(cmdCancel)}),
    }));
}

void CombinedQueryForm::setStatement(ConnectionPtr cn, const std::string& sql) {
    cn_ = std::move(cn);
    sql_ = sql;
    columns_ = selectedColumns(sql);
    source_ = cn_->execute(sql);
    result_.reset();
    conditions_.clear();
    showConditions();
    cmbField.Clear();
    for (std::size_t i = 0; source_ && i < source_->fieldCount(); ++i) cmbField.AddItem(source_->fieldInfo(i).name);
    if (cmbField.ListCount() > 0) cmbField.setListIndex(0);
}

std::string CombinedQueryForm::condition() const {
    std::string where;
    for (const Condition& c : conditions_) where += (where.empty() ? "" : " and ") + c.sql;
    return where;
}

void CombinedQueryForm::cmdAdd_Click() {
    const std::string field = cmbField.text(), op = cmbOp.text(), value = txtValue.text();
    if (field.empty() || op.empty()) return;
    const auto found = columns_.find(field);
    const std::string column = found != columns_.end() ? found->second : field;
    const std::string sql = op == "包含" ? column + " like " + literal("%" + value + "%")
                                         : column + " " + op + " " + literal(value);
    conditions_.push_back({field + " " + op + " " + value, sql});
    showConditions();
    txtValue.setText("");
}

void CombinedQueryForm::cmdRemove_Click() {
    const int i = lstWhere.ListIndex();
    if (i < 0 || i >= static_cast<int>(conditions_.size())) return;
    conditions_.erase(conditions_.begin() + i);
    showConditions();
}

void CombinedQueryForm::showConditions() {
    lstWhere.Clear();
    for (const Condition& c : conditions_) lstWhere.AddItem(c.shown);
}

void CombinedQueryForm::cmdOK_Click() {
    if (!cn_) return;
    try {
        result_ = conditions_.empty() ? source_ : cn_->execute(withCondition(sql_, condition()));
    } catch (const DbError& e) {
        msgBox(e.what(), MsgButtons::OK, MsgIcon::Exclamation, "警告！");
        return;
    }
    unload();
}

bool CombinedQueryForm::Query::query(const ConnectionPtr& cn, const std::string& sql, bool accessDialect,
                                     int mode, RecordsetPtr& result) {
    auto dialog = formInstance<CombinedQueryForm>();
    dialog->setStatement(cn, sql);
    dialog->showModal();
    result = dialog->result();
    return result != nullptr;
}

}  // namespace fo
