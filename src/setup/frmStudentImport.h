#pragma once
#include <functional>
#include <string>
#include <vector>

#include "host/school/StudentImport.h"
#include "ui/Form.h"
#include "ui/controls/CommandButton.h"
#include "ui/controls/Label.h"
#include "ui/controls/ListView.h"
#include "ui/controls/TextBox.h"

namespace fo {

// The import of a roster spreadsheet, opened from 学生档案: the file, typed
// or chosen with 浏览…, stays in sight while the administrator reads what
// becomes of each of its rows (taken, or refused and why); only then may he
// import the accepted rows. The posting is the opener's (`post`), which
// checks the right and audits; a changed file name drops what was read.
class frmStudentImport : public Form {
public:
    using Table = std::vector<std::vector<std::string>>;
    // Writes the accepted rows of `plan`; false when it wrote nothing.
    using Posting = std::function<bool(const std::string& path, const Table& table, const ImportPlan& plan,
                                       std::size_t& added)>;

    frmStudentImport();

    Label lblFile{*this, "lblFile", "名单文件："};
    TextBox txtFile{*this, "txtFile"};
    CommandButton cmdBrowse{*this, "cmdBrowse", "浏览…"};
    CommandButton cmdRead{*this, "cmdRead", "预览"};
    Label lblSummary{*this, "lblSummary"};
    ListView lvwRows{*this, "lvwRows"};
    CommandButton cmdImport{*this, "cmdImport", "导入"};
    CommandButton cmdClose{*this, "cmdClose", "关闭"};

    Posting post;             // set by the opener
    std::size_t added = 0;    // how many students the import added

protected:
    void Form_Load() override;

private:
    void forget();
    void cmdBrowse_Click();
    void cmdRead_Click();
    void cmdImport_Click();

    std::string path_;
    Table table_;
    ImportPlan plan_;
};

}  // namespace fo
