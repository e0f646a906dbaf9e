// The receivables list's export: a sheet that adds up to what the window
// shows whatever column a clerk sums.
#include "batch/frmJmBachList.h"

#include "ui/lists/TrimSpaces.h"
#include "ui/lists/mdl1.h"

namespace fo {
namespace {

// The arrears list as a sheet: every row carries its student, and the
// subtotals and the grand total stand in columns of their own, so the sum
// of 欠费金额, of 学生合计 and 总计 are each the window's total. (The window
// shows a student's number and name on his first row only.)
Recordset arrearsSheet(Recordset& list) {
    Recordset sheet;
    for (const char* f : {"学号", "姓名", "班级", "月份(学期)", "收费项目"}) sheet.appendField(f, DataType::VarChar, 30);
    for (const char* f : {"欠费金额", "学生合计", "总计"}) sheet.appendField(f, DataType::Currency);
    sheet.open();
    Recordset rows = list;  // a copy: the window's set keeps its position
    std::string student[4];
    for (rows.moveFirst(); !rows.eof(); rows.moveNext()) {
        const std::string key = rows.field(std::size_t{0}).toText();
        const std::string item = rows.field(5).toText();
        const Value amount = rows.field(6);
        sheet.addNew();
        if (key.rfind("0__", 0) == 0) {  // the grand total
            sheet.field("姓名") = Value(std::string("总计"));
            sheet.field("总计") = amount;
            continue;
        }
        if (!trimSpaces(rows.field(1).toText()).empty())
            for (std::size_t i = 0; i < 4; ++i) student[i] = rows.field(i + 1).toText();
        for (std::size_t i = 0; i < 2; ++i) sheet.field(i) = Value(student[i]);
        if (trimSpaces(item) == "合计") {
            sheet.field(4) = Value(item);
            sheet.field("学生合计") = amount;
            continue;
        }
        for (std::size_t i = 2; i < 4; ++i) sheet.field(i) = Value(student[i]);
        sheet.field(4) = Value(item);
        sheet.field("欠费金额") = amount;
    }
    return sheet;
}

// The cross-tab as a sheet: its rows without the window's 合计 row, which
// the export writes again as SUBTOTAL formulas.
Recordset crossTabSheet(Recordset& list) {
    Recordset sheet;
    for (std::size_t c = 1; c < list.fieldCount(); ++c) {
        const auto& info = list.fieldInfo(c);
        sheet.appendField(info.name, info.type, 30);
    }
    sheet.open();
    Recordset rows = list;
    for (rows.moveFirst(); !rows.eof(); rows.moveNext()) {
        if (rows.field(std::size_t{0}).toText().empty() && trimSpaces(rows.field(1).toText()) == "合计") continue;
        sheet.addNew();
        for (std::size_t c = 1; c < rows.fieldCount(); ++c) sheet.field(c - 1) = rows.field(c);
    }
    return sheet;
}

}  // namespace

void frmJmBachList::CMDexcel_Click() {
    if (lvw1.itemCount() == 0 || !list_) return;
    const std::string from = trimSpaces(cmbYf.text()), to = trimSpaces(cmbYFto.text());
    const std::string periods = to.empty() || to == from ? from : from + "至" + to;
    const bool arrears = list_->fieldIndex("欠费金额") >= 0;
    Recordset sheet = arrears ? arrearsSheet(*list_) : crossTabSheet(*list_);
    exportSheet(SheetExport{"学生缴费明细表：收费月份（学期）" + periods, caption() + " " + periods, 0, caption(), !arrears},
                sheet);
}

}  // namespace fo
