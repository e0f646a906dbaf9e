// The two queries of the receivables list: the arrears of many students per
// period and item with subtotals and a grand total (from which reductions
// are posted), and the cross-tab of uncollected fee records of one period.
#include <algorithm>
#include <map>

#include "batch/BatchStatements.h"
#include "batch/frmJmBachList.h"
#include "data/Dialect.h"
#include "host/api/MessageService.h"
#include "host/api/ModuleGlobals.h"
#include "reduction/ReductionChecks.h"
#include "ui/controls/KeyCodes.h"
#include "ui/lists/TrimSpaces.h"
#include "ui/UiServices.h"
#include "ui/lists/mdl1.h"

namespace fo {
namespace {

// A read that neither joins nor waits on a posting: a connection of its own
// on the module's transaction link string.
RecordsetPtr readApart(const std::string& sql) {
    ConnectionPtr cn = openConnection(moduleLinkString());
    RecordsetPtr rs = cn->execute(sql);
    cn->close();
    return rs;
}

std::string firstAmount(const RecordsetPtr& rs) {
    return rs && !rs->eof() ? format00(rs->field(std::size_t{0})) : format00(Value());
}

// One row of the arrears list.
void appendRow(Recordset& list, const std::string& key, const std::string (&cells)[4], const std::string& item,
               const std::string& amount) {
    list.addNew();
    list.field(std::size_t{0}) = Value(key);
    for (std::size_t i = 0; i < 4; ++i) list.field(i + 1) = Value(cells[i]);
    list.field(5) = Value(item);
    list.field(6) = Value(amount);
}

}  // namespace

bool frmJmBachList::takeSelectedItems() {
    itemIds_.clear();
    for (int i = 0; i < LSTsfxm.ListCount(); ++i)
        if (LSTsfxm.Selected(i)) itemIds_ += (itemIds_.empty() ? "" : ",") + std::to_string(LSTsfxm.ItemData(i));
    if (!itemIds_.empty()) return true;
    msgBox("请选择收费项目！", MsgButtons::OK, MsgIcon::None, "警告！");
    return false;
}

void frmJmBachList::CMDfindDataNew(const std::string& strWhere) {
    lastWhere_ = strWhere;
    lastWasCrossTab_ = false;
    txtWrite.setVisible(false);
    itemIds_.clear();
    if (trimSpaces(cmbYFto.text()) < trimSpaces(cmbYf.text())) {
        msgBox("结束月份不能小于开始月份!", MsgButtons::OK, MsgIcon::Information, "警告！");
        return;
    }
    if (strWhere.empty() && trimSpaces(cmbBJ.text()).empty() && trimSpaces(txtBh.text()).empty()) {
        const std::string question = std::string("未选择[班级]、[学号]、[学生类别]等条件！查询速度可能会比较慢 ") +
                                     batch::CRLF + batch::CRLF + "是否继续？";
        if (msgBox(question, MsgButtons::YesNo, MsgIcon::Question, "警告！") == MsgAnswer::No) return;
    }
    if (!takeSelectedItems()) return;
    gMOpen();
    lvw1.setVisible(false);
    lvwMx.clearItems();

    HostSystem& run = gRun();
    ProgressBar1.setVisible(true);
    ProgressBar1.setValue(1);
    const std::string category = run.getXSLBlistInSQL(" t.lb1 ");
    const long students = readApart(batch::visibleStudentCount(run.getXSLBlistInSQL(" lb1 ")))->field(std::size_t{0}).toInt();
    const int first = cmbYf.ListIndex(), last = cmbYFto.ListIndex();
    const long periods = std::max(last - first + 1, 1);
    const long items = static_cast<long>(std::count(itemIds_.begin(), itemIds_.end(), ',')) + 1;
    // Rows can be no more than every student owing every item in every
    // period, plus one subtotal per student and the grand total.
    ProgressBar1.setMin(0);
    ProgressBar1.setMax(students * (periods * items + 1) + 4);

    lvw1.clearItems();
    lvwMx.setVisible(false);
    lvwMx.clearColumns();
    lvwMx.addColumn("k标题", "标题", 1000);
    lvwMx.addColumn("k内容", "内容", 2000);
    if (lvw1.columnIndexByText("本次减免金额") != ColReduce) arrearsColumns();  // after a cross-tab

    list_ = std::make_shared<Recordset>();
    list_->appendField("xsid", DataType::VarChar, 100);
    for (const char* f : {"学号", "姓名", "班级", "月份(学期)", "收费项目"}) list_->appendField(f, DataType::VarChar, 30);
    list_->appendField("欠费金额", DataType::Currency);
    list_->open();
    ProgressBar1.setValue(2);

    std::string periodIds;
    for (int i = std::max(first, 0); first >= 0 && i <= last; ++i)
        periodIds += (periodIds.empty() ? "" : ",") + std::to_string(cmbYf.ItemData(i));
    const std::string classId = cmbBJ.ListIndex() >= 0 && !trimSpaces(cmbBJ.text()).empty()
                                    ? std::to_string(cmbBJ.ItemData(cmbBJ.ListIndex()))
                                    : "";
    ConnectionPtr cn = db().cn();
    if (crediting()) listCreditable(*cn, category, periodIds, classId, strWhere);
    else listArrears(cn, category, periodIds, classId, strWhere);
    if (list_->recordCount() > 0) list_->moveFirst();
    lvw_.initData2012(*list_, lvw1);
    lvw1.setColumnText(ColOwed, crediting() ? "可转入预收款" : "欠费金额");
    // The first column counts the rows; the key keeps the row's identity.
    for (int i = 1; i <= lvw1.itemCount(); ++i) lvw1.item(i).setText(std::to_string(i));
    ProgressBar1.setValue(ProgressBar1.max());
    ProgressBar1.setVisible(false);
    lvw1.setVisible(true);
    lvwMx.setVisible(true);
    gMclose();
}

void frmJmBachList::appendListRow(const std::string& key, const std::string (&cells)[4], const std::string& item,
                                  const std::string& amount) {
    appendRow(*list_, key, cells, item, amount);
}

void frmJmBachList::listArrears(const ConnectionPtr& cn, const std::string& category, const std::string& periodIds,
                                const std::string& classId, const std::string& strWhere) {
    HostSystem& run = gRun();
    run.getQFmxbNew(workTable_, cn, periodIds, itemIds_, trimSpaces(txtBh.text()), classId, strWhere);
    const std::string& T = workTable_;
    // Each subtotal reads one student's rows: an index keeps that from
    // reading the whole table once per student. Only a help, so a work
    // table that cannot take one is read without.
    try {
        // (Named after the table alone: the index goes to the table's schema.)
        cn->execute("create index ix_" + T.substr(T.rfind('.') + 1) + "_xsid on " + T + "(xsid)");
    } catch (const std::exception&) {
    }

    RecordsetPtr rs = cn->execute(batch::arrearsQuery(T, category));
    long n = 0;
    std::string student, period, className;
    auto subtotal = [&](const std::string& sql, const std::string& xsid) {
        const std::string sum = firstAmount(cn->execute(sql));
        ++n;
        const std::string empty[4];
        appendRow(*list_, xsid + "__" + std::to_string(n) + "_0", empty, "合计", sum);
    };
    for (; rs && !rs->eof(); rs->moveNext()) {
        ProgressBar1.setValue(std::min(ProgressBar1.value() + 1, ProgressBar1.max()));
        ui().doEvents();
        ++n;
        const std::string xsid = rs->field(std::size_t{0}).toText(), sfyf = rs->field("SFYF").toText(),
                          bjmc = rs->field("bjmc").toText();
        const std::string key = xsid + "_" + sfyf + "_" + std::to_string(n) + "_" + rs->field("XMID").toText() + "_" +
                                rs->field("JFLX").toText();
        const std::string item = rs->field("收费项目").toText(), amount = jmjl::owedText(rs->field("金额").toCurrency());
        if (xsid == student && sfyf == period && bjmc == className) {
            const std::string empty[4];
            appendRow(*list_, key, empty, item, amount);
            continue;
        }
        if (!student.empty() && xsid != student) subtotal(batch::studentSubtotal(T, category, student), student);
        student = xsid;
        className = bjmc;
        period = sfyf;
        const std::string cells[4] = {rs->field("xh").toText(), rs->field("xm").toText(), bjmc, rs->field("SFYF").toText()};
        appendRow(*list_, key, cells, item, amount);
    }
    if (!student.empty()) subtotal(batch::lastStudentSubtotal(T, category, student), student);

    RecordsetPtr total = readApart(batch::grandTotal(isSqlServer(run.SQL_access()), T, category));
    if (total && !total->eof()) {
        const std::string cells[4] = {total->field(std::size_t{1}).toText(), total->field(std::size_t{2}).toText(),
                                      total->field(std::size_t{3}).toText(), total->field(std::size_t{4}).toText()};
        appendRow(*list_, "0__" + std::to_string(n + 1) + "_0", cells, "", format00(total->field(6)));
    }
    if (isSqlServer(run.SQL_access())) {
        cn->execute("drop table " + T);
    } else {
        cn->execute("delete from " + T);
        cn->close();
        cn->open();
    }
}

void frmJmBachList::CMDfindNew() {
    lastWasCrossTab_ = true;
    if (!takeSelectedItems()) return;
    gMOpen();
    lvw1.setVisible(false);
    lvw1.clearColumns();
    lvw1.clearItems();
    lvwMx.clearColumns();
    lvwMx.addColumn("k标题", "标题", 1000);
    lvwMx.addColumn("k内容", "内容", 2000);

    HostSystem& run = gRun();
    list_ = std::make_shared<Recordset>();
    list_->appendField("xsid", DataType::VarChar, 10);
    for (const char* f : {"月份(学期)", "班级", "学号", "姓名"}) list_->appendField(f, DataType::VarChar, 30);
    std::vector<std::string> itemFields;
    ConnectionPtr cn = db().cn();
    for (RecordsetPtr rs = cn->execute(batch::crossTabItems(itemIds_)); rs && !rs->eof(); rs->moveNext()) {
        itemFields.push_back(rs->field("mc").toText());
        list_->appendField(itemFields.back(), DataType::Currency);
    }
    list_->appendField("合计", DataType::Currency);
    list_->open();

    batch::CrossTabFilter filter;
    filter.period = trimSpaces(cmbYf.text()).empty() || cmbYf.ListIndex() < 0
                        ? ""
                        : std::to_string(cmbYf.ItemData(cmbYf.ListIndex()));
    filter.student = trimSpaces(txtBh.text());
    filter.className = trimSpaces(cmbBJ.text());
    const std::string category = run.getXSLBlistInSQL(" t.lb1 ");

    // Every amount goes to its item's column; 合计 is the row's total.
    auto addAmount = [&](const std::string& itemName, const Value& amount) {
        if (list_->fieldIndex(itemName) < 0) return;
        list_->field(itemName) = Value(format00(amount));
        const Currency sum = list_->field("合计").toCurrency() + amount.toCurrency();
        list_->field("合计") = Value(sum.format00());
    };
    std::string student, period, className;
    bool any = false;
    for (RecordsetPtr rs = readApart(batch::crossTabRecords(category, filter, itemIds_)); rs && !rs->eof(); rs->moveNext()) {
        const std::string xsid = rs->field("xsid").toText(), sfyf = rs->field("SFYF").toText(),
                          bjmc = rs->field("bjmc").toText();
        if (!any || xsid != student || sfyf != period || bjmc != className) {
            any = true;
            student = xsid, period = sfyf, className = bjmc;
            list_->addNew();
            list_->field("xsid") = Value(xsid);
            list_->field("月份(学期)") = Value(sfyf);
            list_->field("班级") = Value(bjmc);
            list_->field("学号") = rs->field("xh");
            list_->field("姓名") = rs->field("xm");
        }
        addAmount(rs->field("收费项目").toText(), rs->field("金额"));
    }
    for (RecordsetPtr rs = cn->execute(batch::crossTabStudentsWithout(run.getXSLBlistInSQL(" a.lb1 "), filter));
         rs && !rs->eof(); rs->moveNext()) {
        list_->addNew();
        list_->field("xsid") = Value(rs->field("ID").toText());
        list_->field("月份(学期)") = Value(cmbYf.text());
        list_->field("学号") = rs->field("学号");
        list_->field("姓名") = rs->field("姓名");
        list_->field("班级") = rs->field("班级");
    }
    list_->addNew();
    list_->field("月份(学期)") = Value("合计");
    for (RecordsetPtr rs = readApart(batch::crossTabTotal(category, filter, itemIds_)); rs && !rs->eof(); rs->moveNext())
        addAmount(rs->field("收费项目").toText(), rs->field("金额"));

    lvw1.addColumn("k序号", "序号", 800);
    for (std::size_t f = 1; f < list_->fieldCount(); ++f) {
        const std::string& caption = list_->fieldInfo(f).name;
        lvw1.addColumn("k" + caption, caption, 1000);
    }
    const long rows = list_->recordCount();
    long number = 0;
    for (list_->moveFirst(); !list_->eof(); list_->moveNext()) {
        ++number;
        const bool totalRow = number == rows;
        ListItem& item = lvw1.addItem("k" + std::to_string(number), totalRow ? "" : std::to_string(number));
        for (std::size_t f = 1; f < list_->fieldCount(); ++f) {
            item.setSubItem(static_cast<int>(f), list_->field(f).toText());
            if (totalRow) item.setCellForeColor(static_cast<int>(f), color::Red);
        }
    }
    if (rows > 0) list_->moveFirst();
    restoreLayout();
    lvw1.setVisible(true);
    gMclose();
}

}  // namespace fo
