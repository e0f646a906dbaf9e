#include "setup/frmSchool.h"

#include "db/DbError.h"
#include "host/api/AuditTrail.h"
#include "host/api/MessageService.h"
#include "host/api/ModuleGlobals.h"
#include "host/fees/Calendar.h"
#include "host/operators/Operators.h"
#include "setup/SetupWindowSupport.h"
#include "ui/lists/TrimSpaces.h"

namespace fo {
namespace {

using namespace setupwindow;

std::string kindCaption(FeeKind kind) {
    for (const auto& [k, caption] : feeKindCaptions())
        if (k == kind) return caption;
    return {};
}

}  // namespace

frmSchool::frmSchool() : Form("frmSchool") {
    setCaption("学校设置");
    resize(11400, 7800);
    txtYear.setMaxLength(4);
    txtMonthFrom.setMaxLength(10);
    txtMonthTo.setMaxLength(10);
    txtClass.setMaxLength(50);
    txtCategory.setMaxLength(50);
    txtItem.setMaxLength(50);
    txtType.setMaxLength(50);
    txtAmount.setMaxLength(12);
    txtDays.setMaxLength(2);
    cmbKind.setStyle(ComboBox::Style::DropDownList);
    for (const auto& [kind, caption] : feeKindCaptions()) {
        cmbKind.AddItem(caption);
        cmbKind.setItemData(cmbKind.NewIndex(), static_cast<long>(kind));
    }
    lvwMonths.addColumn("k月份", "月份", 900);
    lvwMonths.addColumn("k名称", "名称", 1400);
    lvwMonths.addColumn("k起始日期", "起始日期", 1300);
    lvwMonths.addColumn("k截止日期", "截止日期", 1300);
    lvwMonths.addColumn("k学期", "学期", 1000);
    lvwMonths.addColumn("k状态", "状态", 1000);
    lvwClasses.addColumn("k编号", "编号", 800);
    lvwClasses.addColumn("k班级", "班级", 2400);
    lvwClasses.addColumn("k学生", "在园学生", 1000);
    lvwCategories.addColumn("k类别", "学生类别", 3200);
    lvwCategories.addColumn("k编号", "编号", 800);
    lvwItems.addColumn("k编号", "编号", 700);
    lvwItems.addColumn("k项目", "收费项目", 1800);
    lvwItems.addColumn("k收费方式", "收费方式", 1000);
    lvwItems.addColumn("k按天", "按天计收", 900);
    lvwItems.addColumn("k欠费", "计入欠费", 900);
    lvwTypes.addColumn("k编号", "编号", 700);
    lvwTypes.addColumn("k类型", "收费类型", 2000);
    lvwLines.addColumn("k项目", "收费项目", 1800);
    lvwLines.addColumn("k标准金额", "标准金额", 1200);
    lvwLines.addColumn("k默认天数", "默认天数", 1000);

    lvwMonths.ItemClick = [this](ListItem& item) {
        txtMonthFrom.setText(item.subItem(2));
        txtMonthTo.setText(item.subItem(3));
    };
    lvwClasses.ItemClick = [this](ListItem& item) { txtClass.setText(item.subItem(1)); };
    lvwCategories.ItemClick = [this](ListItem& item) { txtCategory.setText(item.tag()); };
    lvwItems.ItemClick = [this](ListItem& item) { lvwItems_ItemClick(item); };
    lvwTypes.ItemClick = [this](ListItem& item) {
        txtType.setText(item.subItem(1));
        fillTypeLines();
    };
    lvwLines.ItemClick = [this](ListItem& item) {
        txtAmount.setText(item.subItem(1));
        txtDays.setText(item.subItem(2));
    };
    cmdAddYear.Click = [this] { cmdAddYear_Click(); };
    cmdSaveMonth.Click = [this] { cmdSaveMonth_Click(); };
    cmdAddClass.Click = [this] {
        apply("新增班级", trimSpaces(txtClass.text()), [this](SchoolSetup& s) { s.addClass(txtClass.text()); });
    };
    cmdRenameClass.Click = [this] {
        const int id = selectedId(lvwClasses);
        if (id == 0) return refuse("请选择班级。");
        apply("班级改名", trimSpaces(txtClass.text()), [&](SchoolSetup& s) { s.renameClass(id, txtClass.text()); });
    };
    cmdRetireClass.Click = [this] {
        const int id = selectedId(lvwClasses);
        if (id == 0) return refuse("请选择班级。");
        apply("停用班级", lvwClasses.selectedItem()->subItem(1), [&](SchoolSetup& s) { s.retireClass(id); });
    };
    cmdAddCategory.Click = [this] { cmdAddCategory_Click(false); };
    cmdAddSubCategory.Click = [this] { cmdAddCategory_Click(true); };
    cmdRetireCategory.Click = [this] {
        const int id = selectedId(lvwCategories);
        if (id == 0) return refuse("请选择学生类别。");
        apply("停用学生类别", lvwCategories.selectedItem()->tag(), [&](SchoolSetup& s) { s.retireCategory(id); });
    };
    cmdAddItem.Click = [this] { cmdSaveItem_Click(true); };
    cmdSaveItem.Click = [this] { cmdSaveItem_Click(false); };
    cmdRetireItem.Click = [this] {
        const int id = selectedId(lvwItems);
        if (id == 0) return refuse("请选择收费项目。");
        apply("停用收费项目", lvwItems.selectedItem()->subItem(1), [&](SchoolSetup& s) { s.retireFeeItem(id); });
    };
    cmdAddType.Click = [this] {
        apply("新增收费类型", trimSpaces(txtType.text()), [this](SchoolSetup& s) { s.addChargeType(txtType.text()); });
    };
    cmdRetireType.Click = [this] {
        const int id = selectedId(lvwTypes);
        if (id == 0) return refuse("请选择收费类型。");
        apply("停用收费类型", lvwTypes.selectedItem()->subItem(1), [&](SchoolSetup& s) { s.retireChargeType(id); });
    };
    cmdSaveLine.Click = [this] { cmdSaveLine_Click(); };
    cmdClose.Click = [this] { unload(); };

    // Positions for the headless binding; the layout arranges them drawn.
    lvwMonths.move(120, 520, 7000, 6000);
    lvwClasses.move(120, 120, 4400, 6000);
    lvwCategories.move(120, 120, 4400, 6000);
    lvwItems.move(120, 120, 5600, 6000);
    lvwTypes.move(120, 120, 3000, 6000);
    lvwLines.move(3300, 120, 4000, 5000);
    cmdClose.move(9900, 7200, 1200, 375);

    using namespace layout;
    setLayout(column(
        {tabs({column({row({ctl(lblYear), ctl(txtYear), ctl(cmdAddYear), stretch()}), ctl(lvwMonths),
                       row({ctl(lblMonthFrom), ctl(txtMonthFrom), ctl(txtMonthTo), ctl(cmdSaveMonth), stretch()})},
                      "校历"),
               column({ctl(lvwClasses), row({ctl(lblClass), ctl(txtClass), ctl(cmdAddClass), ctl(cmdRenameClass),
                                             ctl(cmdRetireClass), stretch()})},
                      "班级"),
               column({ctl(lvwCategories), row({ctl(lblCategory), ctl(txtCategory), ctl(cmdAddCategory),
                                                ctl(cmdAddSubCategory), ctl(cmdRetireCategory), stretch()})},
                      "学生类别"),
               column({ctl(lvwItems), row({ctl(lblItem), ctl(txtItem), ctl(cmbKind), ctl(chkPerDay), ctl(chkInArrears)}),
                       row({ctl(cmdAddItem), ctl(cmdSaveItem), ctl(cmdRetireItem), stretch()})},
                      "收费项目"),
               column({row({column({ctl(lvwTypes), row({ctl(lblType), ctl(txtType)}),
                                    row({ctl(cmdAddType), ctl(cmdRetireType)})}),
                            column({ctl(lvwLines), row({ctl(lblAmount), ctl(txtAmount), ctl(lblDays), ctl(txtDays),
                                                        ctl(cmdSaveLine)})})})},
                      "收费类型")}),
         row({stretch(), ctl(cmdClose)})}));
}

void frmSchool::Form_Load() {
    try {
        HostSystem& run = gRun();
        cn_ = run.pGetCN();
        me_ = std::stoi(run.gUserid());
        if (!isAdministrator(*cn_, me_)) {
            refuse("只有管理员可以设置学校。");
            unload();
            return;
        }
        fillAll();
    } catch (const std::exception& e) {
        const auto* db = dynamic_cast<const DbError*>(&e);
        refuse(std::string("不能读取学校设置。") + (db ? "\r\n" + db->description() : std::string()));
        unload();
    }
}

void frmSchool::Form_Unload(int&) {
    if (cn_) cn_->close();
    cn_.reset();
}

void frmSchool::fillAll() {
    SchoolSetup school(*cn_);
    fillMonths();
    lvwClasses.clearItems();
    for (const SchoolClass& c : school.classes()) {
        ListItem& item = lvwClasses.addItem(keyOf(c.id), std::to_string(c.id));
        item.setSubItem(1, c.name);
        RecordsetPtr rs = cn_->execute("select count(*) from kdw_xs where del=0 and intTx=0 and bjid=" + std::to_string(c.id));
        item.setSubItem(2, rs->field(std::size_t{0}).toText());
    }
    // The tree drawn as a list: each category under its parent, indented.
    lvwCategories.clearItems();
    const std::vector<StudentCategory> categories = school.categories();
    const std::function<void(int, const std::string&)> addUnder = [&](int parent, const std::string& indent) {
        for (const StudentCategory& c : categories) {
            if (c.parentId != parent) continue;
            ListItem& item = lvwCategories.addItem(keyOf(c.id), indent + c.name);
            item.setSubItem(1, std::to_string(c.id));
            item.setTag(c.name);
            addUnder(c.id, indent + "　　");
        }
    };
    addUnder(0, "");
    lvwItems.clearItems();
    for (const FeeItem& f : school.feeItems()) {
        ListItem& item = lvwItems.addItem(keyOf(f.id), f.code);
        item.setSubItem(1, f.name);
        item.setSubItem(2, kindCaption(f.kind));
        item.setSubItem(3, f.perDay ? "是" : "");
        item.setSubItem(4, f.inArrears ? "是" : "");
    }
    const int type = selectedId(lvwTypes);
    lvwTypes.clearItems();
    for (const ChargeType& t : school.chargeTypes()) {
        ListItem& item = lvwTypes.addItem(keyOf(t.id), std::to_string(t.id));
        item.setSubItem(1, t.name);
    }
    if (ListItem* item = lvwTypes.findItem(keyOf(type))) lvwTypes.setSelectedItem(item);
    fillTypeLines();
}

void frmSchool::fillMonths() {
    Calendar calendar(cn_);
    const std::string open = calendar.currentYf();
    lvwMonths.clearItems();
    for (const AccountingMonth& m : calendar.months()) {
        ListItem& item = lvwMonths.addItem("k" + m.yf, m.yf);
        item.setSubItem(1, m.jfmc);
        item.setSubItem(2, m.fromDate);
        item.setSubItem(3, m.toDate);
        const auto term = m.fromDate.empty() ? std::nullopt : calendar.termOfDate(m.fromDate);
        item.setSubItem(4, term ? term->tag : std::string());
        item.setSubItem(5, calendar.isCarriedOver(m.yf) ? "已结转" : (m.yf == open ? "本月" : ""));
    }
}

void frmSchool::fillTypeLines() {
    lvwLines.clearItems();
    const int type = selectedId(lvwTypes);
    if (type == 0) return;
    SchoolSetup school(*cn_);
    std::vector<ChargeLine> lines;
    for (const ChargeType& t : school.chargeTypes())
        if (t.id == type) lines = t.lines;
    // Every item, with the type's amount where it has one.
    for (const FeeItem& f : school.feeItems()) {
        ListItem& item = lvwLines.addItem(keyOf(f.id), f.name);
        for (const ChargeLine& line : lines)
            if (line.itemId == f.id) {
                item.setSubItem(1, line.amount.format00());
                item.setSubItem(2, std::to_string(line.days));
            }
    }
}

void frmSchool::lvwItems_ItemClick(ListItem& item) {
    txtItem.setText(item.subItem(1));
    cmbKind.setListIndex(cmbKind.findEntry(item.subItem(2)));
    chkPerDay.setValue(item.subItem(3).empty() ? 0 : 1);
    chkInArrears.setValue(item.subItem(4).empty() ? 0 : 1);
}

bool frmSchool::apply(const std::string& operation, const std::string& subject,
                      const std::function<void(SchoolSetup&)>& change) {
    try {
        ConnectionPtr tr = gRun().pgettrcn();
        Transaction tx(*tr);
        if (!isAdministrator(*tr, me_)) throw SetupRefusal("只有管理员可以设置学校。");
        SchoolSetup school(*tr);
        change(school);
        tx.commit();
    } catch (const SetupRefusal& e) {
        refuse(e.what());
        return false;
    } catch (const DbError& e) {
        auditEvent(operation, subject, "失败");
        refuse("操作失败！\r\n" + e.description());
        return false;
    } catch (const std::exception&) {
        auditEvent(operation, subject, "失败");
        refuse("操作失败！");
        return false;
    }
    auditEvent(operation, subject, "完成");
    try {
        fillAll();
    } catch (const std::exception&) {
        refuse("不能读取学校设置。");
    }
    return true;
}

void frmSchool::cmdAddYear_Click() {
    const std::string text = trimSpaces(txtYear.text());
    int year = 0;
    try {
        year = text.size() == 4 ? std::stoi(text) : 0;
    } catch (const std::exception&) {
    }
    if (year == 0) return refuse("请输入学年的起始年份，如 2026。");
    if (apply("建立学年", text + "-" + std::to_string(year + 1) + "学年", [year](SchoolSetup& s) { s.addSchoolYear(year); }))
        msgBox("操作成功！", MsgButtons::OK, MsgIcon::Information, "提示");
}

void frmSchool::cmdSaveMonth_Click() {
    const ListItem* item = lvwMonths.selectedItem();
    if (!item) return refuse("请选择月份。");
    const std::string yf = item->text();
    apply("修改月份日期", yf, [&](SchoolSetup& s) {
        s.setMonthDates(yf, trimSpaces(txtMonthFrom.text()), trimSpaces(txtMonthTo.text()));
    });
}

void frmSchool::cmdAddCategory_Click(bool under) {
    const int parent = under ? selectedId(lvwCategories) : 0;
    if (under && parent == 0) return refuse("请选择上级类别。");
    apply("新增学生类别", trimSpaces(txtCategory.text()),
          [&](SchoolSetup& s) { s.addCategory(parent, txtCategory.text()); });
}

void frmSchool::cmdSaveItem_Click(bool adding) {
    FeeItem item;
    item.id = adding ? 0 : selectedId(lvwItems);
    if (!adding && item.id == 0) return refuse("请选择收费项目。");
    if (cmbKind.ListIndex() < 0) return refuse("请选择收费方式。");
    item.name = txtItem.text();
    item.kind = static_cast<FeeKind>(cmbKind.ItemData(cmbKind.ListIndex()));
    item.perDay = chkPerDay.value() == 1;
    item.inArrears = chkInArrears.value() == 1;
    if (!adding) item.code = lvwItems.selectedItem()->text();
    apply(adding ? "新增收费项目" : "修改收费项目", trimSpaces(item.name), [&](SchoolSetup& s) {
        if (adding) s.addFeeItem(item);
        else s.updateFeeItem(item);
    });
}

void frmSchool::cmdSaveLine_Click() {
    const int type = selectedId(lvwTypes), itemId = selectedId(lvwLines);
    if (type == 0 || itemId == 0) return refuse("请选择收费类型和收费项目。");
    const auto amount = Currency::parse(trimSpaces(txtAmount.text()));
    int days = 0;
    const std::string dayText = trimSpaces(txtDays.text());
    try {
        days = dayText.empty() ? 0 : std::stoi(dayText);
    } catch (const std::exception&) {
        days = -1;
    }
    if (!amount || days < 0) return refuse("标准金额或默认天数不对。");
    const std::string subject = lvwTypes.selectedItem()->subItem(1) + "：" + lvwLines.selectedItem()->text();
    const int keep = itemId;
    if (apply("设置标准金额", subject, [&](SchoolSetup& s) { s.setChargeLine(type, {itemId, *amount, days}); }))
        if (ListItem* item = lvwLines.findItem(keyOf(keep))) lvwLines.setSelectedItem(item);
}

}  // namespace fo
