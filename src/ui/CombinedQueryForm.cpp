#include "ui/CombinedQueryForm.h"

#include "db/Connection.h"
#include "db/values/Currency.h"
#include "db/DbError.h"
#include "db/sql/SqlQuoting.h"
#include "host/api/MessageService.h"
#include "ui/FormInstance.h"

namespace fo {
namespace {

// A value as the filter reads it: a number bare, a text quoted.
std::string literal(const std::string& v) {
    if (!v.empty() && Currency::parse(v)) return v;
    return quotedLiteral(v);
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

void CombinedQueryForm::setSource(RecordsetPtr rows) {
    source_ = std::move(rows);
    result_.reset();
    conditions_.clear();
    showConditions();
    cmbField.Clear();
    for (std::size_t i = 0; source_ && i < source_->fieldCount(); ++i) cmbField.AddItem(source_->fieldInfo(i).name);
    if (cmbField.ListCount() > 0) cmbField.setListIndex(0);
}

std::string CombinedQueryForm::filterExpression() const {
    std::string f;
    for (const Condition& c : conditions_) f += (f.empty() ? "" : " and ") + c.filter;
    return f;
}

void CombinedQueryForm::cmdAdd_Click() {
    const std::string field = cmbField.text(), op = cmbOp.text(), value = txtValue.text();
    if (field.empty() || op.empty()) return;
    const std::string column = "[" + field + "]";
    const std::string filter = op == "包含" ? column + " like " + literal("%" + value + "%")
                                            : column + " " + op + " " + literal(value);
    conditions_.push_back({field + " " + op + " " + value, filter});
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
    if (!source_) return;
    auto matching = std::make_shared<Recordset>();
    for (std::size_t i = 0; i < source_->fieldCount(); ++i) {
        const FieldInfo& f = source_->fieldInfo(i);
        matching->appendField(f.name, f.type, f.size);
    }
    matching->open();
    try {
        source_->setFilter(filterExpression());
    } catch (const DbError& e) {
        msgBox(e.what(), MsgButtons::OK, MsgIcon::Exclamation, "警告！");
        return;
    }
    for (; !source_->eof(); source_->moveNext()) {
        std::vector<Value> row;
        for (std::size_t i = 0; i < source_->fieldCount(); ++i) row.push_back(source_->field(i));
        matching->appendRow(std::move(row));
    }
    source_->setFilter("");
    if (matching->recordCount() > 0) matching->moveFirst();
    result_ = matching;
    unload();
}

bool CombinedQueryForm::Query::query(const ConnectionPtr& cn, const std::string& sql, bool accessDialect,
                                     int mode, RecordsetPtr& result) {
    auto dialog = formInstance<CombinedQueryForm>();
    dialog->setSource(cn->execute(sql));
    dialog->showModal();
    result = dialog->result();
    return result != nullptr;
}

}  // namespace fo
