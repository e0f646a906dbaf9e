#include "setup/frmStudents.h"

#include "db/DbError.h"
#include "db/values/DateTime.h"
#include "host/api/AuditTrail.h"
#include "host/api/MessageService.h"
#include "host/api/ModuleGlobals.h"
#include "host/operators/Operators.h"
#include "host/school/PinyinInitials.h"
#include "host/school/SchoolSetup.h"
#include "host/school/StudentImport.h"
#include "setup/SetupWindowSupport.h"
#include "setup/frmStudentImport.h"
#include "ui/FormInstance.h"
#include "ui/UiServices.h"
#include "ui/lists/TrimSpaces.h"
#include "ui/lists/mdl1.h"

namespace fo {
namespace {

using namespace setupwindow;

// The id a combo's chosen entry carries; 0 when none is chosen.
int chosenId(const ComboBox& box) { return box.ListIndex() < 0 ? 0 : static_cast<int>(box.ItemData(box.ListIndex())); }

void choose(ComboBox& box, int id) {
    box.setListIndex(-1);
    for (int i = 0; i < box.ListCount(); ++i)
        if (box.ItemData(i) == id) box.setListIndex(i);
}

std::string nameOf(const ComboBox& box, int id) {
    for (int i = 0; i < box.ListCount(); ++i)
        if (box.ItemData(i) == id) return box.List(i);
    return {};
}

}  // namespace

frmStudents::frmStudents() : Form("frmStudents") {
    setCaption("学生档案");
    resize(13200, 8400);
    for (ComboBox* box : {&cmbSex, &cmbClass, &cmbType, &cmbCategory, &cmbStatus})
        box->setStyle(ComboBox::Style::DropDownList);
    for (const char* sex : {"男", "女"}) cmbSex.AddItem(sex);
    for (std::size_t i = 0; i < studentStatusCaptions().size(); ++i) {
        cmbStatus.AddItem(studentStatusCaptions()[i]);
        cmbStatus.setItemData(cmbStatus.NewIndex(), static_cast<long>(i));
    }
    for (TextBox* box : {&txtNumber, &txtName, &txtCode, &txtFather, &txtMother}) box->setMaxLength(50);
    for (TextBox* box : {&txtBirth, &txtEntry, &txtMoveDate}) box->setMaxLength(10);
    for (TextBox* box : {&txtFatherPhone, &txtMotherPhone}) box->setMaxLength(30);
    txtDiscount.setMaxLength(3);
    lvwStudents.addColumn("k学号", "学号", 1100);
    lvwStudents.addColumn("k姓名", "姓名", 900);
    lvwStudents.addColumn("k简码", "简码", 700);
    lvwStudents.addColumn("k班级", "班级", 1000);
    lvwStudents.addColumn("k收费类型", "收费类型", 1000);
    lvwStudents.addColumn("k状态", "状态", 600);
    lvwDiscounts.addColumn("k项目", "收费项目", 1500);
    lvwDiscounts.addColumn("k折扣", "折扣%", 800);
    lvwMoves.addColumn("k日期", "调动日期", 1200);
    lvwMoves.addColumn("k班级", "班级", 1200);
    lvwMoves.addColumn("k收费类型", "收费类型", 1200);

    lvwStudents.move(120, 520, 5600, 7000);
    lvwDiscounts.move(6000, 4800, 2400, 2000);
    lvwMoves.move(8600, 4800, 3600, 2000);

    chkGone.Click = [this] { fillStudents(selectedId()); };
    lvwStudents.ItemClick = [this](ListItem& item) { showStudent(idOfKey(item.key())); };
    lvwDiscounts.ItemClick = [this](ListItem& item) { txtDiscount.setText(item.subItem(1)); };
    // The short code follows the name until the clerk types one himself.
    txtName.Change = [this] {
        if (selectedId() == 0) txtCode.setText(pinyinInitials(txtName.text()));
    };
    cmdDiscount.Click = [this] { cmdDiscount_Click(); };
    cmdMove.Click = [this] { cmdMove_Click(); };
    cmdNew.Click = [this] {
        lvwStudents.setSelectedItem(nullptr);
        clearFields();
    };
    cmdAdd.Click = [this] { cmdAdd_Click(); };
    cmdSave.Click = [this] { cmdSave_Click(); };
    cmdRetire.Click = [this] { cmdRetire_Click(); };
    cmdImport.Click = [this] { cmdImport_Click(); };
    cmdExport.Click = [this] { cmdExport_Click(); };
    cmdClose.Click = [this] { unload(); };

    using namespace layout;
    setLayout(splitter(
        {column({row({ctl(chkGone), stretch(), ctl(cmdImport), ctl(cmdExport)}), ctl(lvwStudents)}),
         column({row({ctl(lblNumber), ctl(txtNumber), ctl(lblName), ctl(txtName), ctl(lblCode), ctl(txtCode)}),
                 row({ctl(lblSex), ctl(cmbSex), ctl(lblBirth), ctl(txtBirth), ctl(lblEntry), ctl(txtEntry)}),
                 row({ctl(lblClass), ctl(cmbClass), ctl(lblType), ctl(cmbType)}),
                 row({ctl(lblCategory), ctl(cmbCategory), ctl(lblStatus), ctl(cmbStatus)}),
                 row({ctl(lblFather), ctl(txtFather), ctl(txtFatherPhone)}),
                 row({ctl(lblMother), ctl(txtMother), ctl(txtMotherPhone)}),
                 row({column({ctl(lblDiscounts), ctl(lvwDiscounts), row({ctl(txtDiscount), ctl(cmdDiscount)})}),
                      column({row({ctl(lblMoveDate), ctl(txtMoveDate), ctl(cmdMove)}), ctl(lvwMoves)})}),
                 stretch(),
                 row({ctl(cmdNew), ctl(cmdAdd), ctl(cmdSave), ctl(cmdRetire), stretch(), ctl(cmdClose)})})}));
}

void frmStudents::Form_Load() {
    try {
        HostSystem& run = gRun();
        cn_ = run.pGetCN();
        me_ = std::stoi(run.gUserid());
        if (!isAdministrator(*cn_, me_)) {
            refuse("只有管理员可以管理学生档案。");
            unload();
            return;
        }
        fillLists();
        fillStudents(0);
        clearFields();
    } catch (const std::exception& e) {
        const auto* db = dynamic_cast<const DbError*>(&e);
        refuse(std::string("不能读取学生档案。") + (db ? "\r\n" + db->description() : std::string()));
        unload();
    }
}

void frmStudents::Form_Unload(int&) {
    if (cn_) cn_->close();
    cn_.reset();
}

void frmStudents::fillLists() {
    SchoolSetup school(*cn_);
    const auto fill = [](ComboBox& box, int id, const std::string& name) {
        box.AddItem(name);
        box.setItemData(box.NewIndex(), id);
    };
    cmbClass.Clear();
    for (const SchoolClass& c : school.classes()) fill(cmbClass, c.id, c.name);
    cmbType.Clear();
    for (const ChargeType& t : school.chargeTypes()) fill(cmbType, t.id, t.name);
    cmbCategory.Clear();
    fill(cmbCategory, 0, "（不分类）");
    const std::vector<StudentCategory> categories = school.categories();
    const std::function<void(int, const std::string&)> addUnder = [&](int parent, const std::string& path) {
        for (const StudentCategory& c : categories)
            if (c.parentId == parent) {
                fill(cmbCategory, c.id, path + c.name);
                addUnder(c.id, path + c.name + "/");
            }
    };
    addUnder(0, "");
    lvwDiscounts.clearItems();
    for (const FeeItem& f : school.feeItems()) lvwDiscounts.addItem(keyOf(f.id), f.name).setSubItem(1, "100");
}

void frmStudents::fillStudents(int selectId) {
    lvwStudents.clearItems();
    for (const Student& s : StudentRoster(*cn_, me_).list(chkGone.value() == 1)) {
        ListItem& item = lvwStudents.addItem(keyOf(s.id), s.number);
        item.setSubItem(1, s.name);
        item.setSubItem(2, s.shortCode);
        item.setSubItem(3, nameOf(cmbClass, s.classId));
        item.setSubItem(4, nameOf(cmbType, s.chargeTypeId));
        item.setSubItem(5, studentStatusCaptions()[static_cast<std::size_t>(s.status)]);
    }
    if (ListItem* item = lvwStudents.findItem(keyOf(selectId))) {
        lvwStudents.setSelectedItem(item);
        showStudent(selectId);
    }
}

int frmStudents::selectedId() const {
    const ListItem* item = lvwStudents.selectedItem();
    return item ? idOfKey(item->key()) : 0;
}

void frmStudents::clearFields() {
    for (TextBox* box : {&txtNumber, &txtName, &txtCode, &txtBirth, &txtFather, &txtFatherPhone, &txtMother,
                         &txtMotherPhone, &txtDiscount})
        box->setText({});
    txtEntry.setText(DateTime::today().dateText());
    txtMoveDate.setText(DateTime::today().dateText());
    for (ComboBox* box : {&cmbSex, &cmbClass, &cmbType}) box->setListIndex(-1);
    choose(cmbCategory, 0);
    choose(cmbStatus, 0);
    for (int i = 1; i <= lvwDiscounts.itemCount(); ++i) lvwDiscounts.item(i).setSubItem(1, "100");
    lvwMoves.clearItems();
}

void frmStudents::showStudent(int id) {
    StudentRoster roster(*cn_, me_);
    const auto s = roster.find(id);
    if (!s) return;
    txtNumber.setText(s->number);
    txtName.setText(s->name);
    txtCode.setText(s->shortCode);
    cmbSex.setListIndex(cmbSex.findEntry(s->sex));
    txtBirth.setText(s->birthDate);
    txtEntry.setText(s->entryDate);
    choose(cmbClass, s->classId);
    choose(cmbType, s->chargeTypeId);
    choose(cmbCategory, s->categoryId);
    choose(cmbStatus, static_cast<int>(s->status));
    txtFather.setText(s->father);
    txtFatherPhone.setText(s->fatherPhone);
    txtMother.setText(s->mother);
    txtMotherPhone.setText(s->motherPhone);
    for (int i = 1; i <= lvwDiscounts.itemCount(); ++i) {
        ListItem& item = lvwDiscounts.item(i);
        item.setSubItem(1, "100");
        for (const auto& [itemId, percent] : s->discounts)
            if (keyOf(itemId) == item.key()) item.setSubItem(1, std::to_string(percent));
    }
    lvwMoves.clearItems();
    int n = 0;
    for (const auto& move : roster.moves(id)) {
        ListItem& item = lvwMoves.addItem("k" + std::to_string(++n), move[0]);
        item.setSubItem(1, move[1]);
        item.setSubItem(2, move[2]);
    }
}

Student frmStudents::typedStudent() const {
    Student s;
    s.id = selectedId();
    s.number = trimSpaces(txtNumber.text());
    s.name = trimSpaces(txtName.text());
    s.shortCode = trimSpaces(txtCode.text());
    s.sex = cmbSex.ListIndex() < 0 ? std::string() : cmbSex.List(cmbSex.ListIndex());
    s.birthDate = trimSpaces(txtBirth.text());
    s.entryDate = trimSpaces(txtEntry.text());
    s.classId = chosenId(cmbClass);
    s.chargeTypeId = chosenId(cmbType);
    s.categoryId = chosenId(cmbCategory);
    s.status = static_cast<StudentStatus>(chosenId(cmbStatus));
    s.father = txtFather.text();
    s.fatherPhone = txtFatherPhone.text();
    s.mother = txtMother.text();
    s.motherPhone = txtMotherPhone.text();
    for (int i = 1; i <= lvwDiscounts.itemCount(); ++i) {
        const ListItem& item = lvwDiscounts.item(i);
        const int percent = std::stoi(item.subItem(1));
        if (percent != 100) s.discounts.emplace_back(idOfKey(item.key()), percent);
    }
    return s;
}

bool frmStudents::apply(const std::string& operation, const std::string& subject,
                        const std::function<void(StudentRoster&, Connection&)>& change) {
    try {
        ConnectionPtr tr = gRun().pgettrcn();
        Transaction tx(*tr);
        if (!isAdministrator(*tr, me_)) throw SetupRefusal("只有管理员可以管理学生档案。");
        StudentRoster roster(*tr, me_);
        change(roster, *tr);
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
    return true;
}

void frmStudents::cmdAdd_Click() {
    Student s = typedStudent();
    s.id = 0;
    int id = 0;
    if (!apply("新增学生", s.number + " " + s.name, [&](StudentRoster& r, Connection&) { id = r.add(s); })) return;
    fillStudents(id);
}

void frmStudents::cmdSave_Click() {
    const Student s = typedStudent();
    if (s.id == 0) return refuse("请选择学生。");
    if (!apply("修改学生档案", s.number + " " + s.name, [&](StudentRoster& r, Connection&) { r.update(s); })) return;
    fillStudents(s.id);
    msgBox("保存成功！", MsgButtons::OK, MsgIcon::Information, "提示");
}

void frmStudents::cmdMove_Click() {
    const Student s = typedStudent();
    if (s.id == 0) return refuse("请选择学生。");
    const std::string day = trimSpaces(txtMoveDate.text());
    const std::string subject = s.number + " " + s.name + " " + day + " " + nameOf(cmbClass, s.classId) + "/" +
                                nameOf(cmbType, s.chargeTypeId);
    if (!apply("学生调班", subject, [&](StudentRoster& r, Connection&) { r.move(s.id, s.classId, s.chargeTypeId, day); })) return;
    fillStudents(s.id);
}

void frmStudents::cmdRetire_Click() {
    const Student s = typedStudent();
    if (s.id == 0) return refuse("请选择学生。");
    if (msgBox("确定停用学生“" + s.name + "”吗？停用后他不再出现在任何名单中，他的收费记录仍然保留。",
               MsgButtons::YesNo, MsgIcon::Question, "警告") != MsgAnswer::Yes)
        return;
    if (!apply("停用学生", s.number + " " + s.name, [&](StudentRoster& r, Connection&) { r.retire(s.id); })) return;
    fillStudents(0);
    clearFields();
}

void frmStudents::cmdDiscount_Click() {
    ListItem* item = lvwDiscounts.selectedItem();
    if (!item) return refuse("请选择收费项目。");
    const std::string text = trimSpaces(txtDiscount.text());
    int percent = -1;
    try {
        percent = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos ? std::stoi(text) : -1;
    } catch (const std::exception&) {
    }
    if (percent < 0 || percent > 100) return refuse("折扣是 0 到 100 之间的整数。");
    item->setSubItem(1, std::to_string(percent));
}

void frmStudents::cmdImport_Click() {
    auto dialog = formInstance<frmStudentImport>();
    dialog->post = [this](const std::string& path, const frmStudentImport::Table& table, const ImportPlan& plan,
                          std::size_t& added) {
        return apply("导入学生", path, [&](StudentRoster&, Connection& tr) {
            added = postStudentImport(tr, me_, table, plan);
        });
    };
    dialog->showModal();
    if (dialog->added > 0) fillStudents(0);
}

void frmStudents::cmdExport_Click() {
    try {
        RecordsetPtr rs = cn_->execute(rosterExportQuery());
        exportSheet(SheetExport{"学生名单", "学生名单", 0}, *rs);
    } catch (const std::exception&) {
        refuse("不能导出学生名单。");
    }
}

}  // namespace fo
