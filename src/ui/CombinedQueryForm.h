#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "db/Recordset.h"
#include "ui/controls/ComboBox.h"
#include "ui/controls/CommandButton.h"
#include "ui/Form.h"
#include "ui/controls/Label.h"
#include "ui/controls/ListBox.h"
#include "ui/SiblingServices.h"
#include "ui/controls/TextBox.h"

namespace fo {

// The combined-query dialog ("组合查询"): the clerk adds conditions
// (column, operator, value) over the columns of the statement he was given;
// all of them must hold. The conditions are written on the statement
// itself, on the expressions its columns stand for, so they reach every row
// of the books the statement reads (a row limit it has applies to the rows
// that meet them); they use only what both dialects write alike (=, <>,
// <, >, like), so the dialog needs no dialect of its own.
//
// It lives with the window controls rather than with any one window so
// that every binding can offer it as its combined-query object.
class CombinedQueryForm : public Form {
public:
    CombinedQueryForm();

    Label lblField{*this, "lblField", "字段"};
    ComboBox cmbField{*this, "cmbField"};
    Label lblOp{*this, "lblOp", "条件"};
    ComboBox cmbOp{*this, "cmbOp"};
    Label lblValue{*this, "lblValue", "值"};
    TextBox txtValue{*this, "txtValue"};
    CommandButton cmdAdd{*this, "cmdAdd", "添加条件"};
    ListBox lstWhere{*this, "lstWhere"};
    CommandButton cmdRemove{*this, "cmdRemove", "删除条件"};
    CommandButton cmdOK{*this, "cmdOK", "确定"};
    CommandButton cmdCancel{*this, "cmdCancel", "取消"};

    // The operators offered; "包含" matches a part of the text.
    static const std::vector<std::string>& operators();

    // The statement to narrow, on `cn`: it runs once, and its fields become
    // the columns offered.
    void setStatement(ConnectionPtr cn, const std::string& sql);
    // The conditions added so far, as one SQL condition ("" when none).
    std::string condition() const;
    // After 确定: the matching rows in a set of their own; else null.
    const RecordsetPtr& result() const { return result_; }

    // The combined-query object: shows the module-wide dialog over the
    // rows of `sql` on `cn`. `accessDialect` and `mode` are accepted as the
    // callers pass them; the conditions work the same in both dialects.
    class Query final : public CombinedQuery {
    public:
        bool query(const ConnectionPtr& cn, const std::string& sql, bool accessDialect, int mode,
                   RecordsetPtr& result) override;
    };

private:
    void cmdAdd_Click();
    void cmdRemove_Click();
    void cmdOK_Click();
    void showConditions();

    ConnectionPtr cn_;
    std::string sql_;
    std::map<std::string, std::string> columns_;  // a column's name -> its expression
    RecordsetPtr source_, result_;
    struct Condition {
        std::string shown, sql;
    };
    std::vector<Condition> conditions_;
};

}  // namespace fo
