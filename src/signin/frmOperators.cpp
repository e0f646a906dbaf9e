#include "signin/frmOperators.h"

#include <optional>

#include "data/PasswordHash.h"
#include "db/DbError.h"
#include "host/operators/SignIn.h"
#include "host/api/AuditTrail.h"
#include "host/api/MessageService.h"
#include "host/api/ModuleGlobals.h"
#include "ui/lists/TrimSpaces.h"

namespace fo {
namespace {

std::string keyOf(int id) { return "k" + std::to_string(id); }

int idOfKey(const std::string& key) {
    try {
        return key.size() > 1 ? std::stoi(key.substr(1)) : 0;
    } catch (const std::exception&) {
        return 0;
    }
}

std::string passwordState(const Operator& op) {
    if (!op.hasPassword) return "未设置";
    return op.mustSetPassword ? "须更改" : "已设置";
}

void refuse(const std::string& text) { msgBox(text, MsgButtons::OK, MsgIcon::Exclamation, "警告！"); }

// The hash of a password the administrator typed for an operator, or
// nothing when it breaks the rules (said after `ask`) or cannot be made.
std::optional<std::string> hashOfTyped(const std::string& typed, const std::string& ask) {
    if (const std::string why = SignIn::passwordRule(typed); !why.empty()) {
        refuse(ask + why);
        return std::nullopt;
    }
    try {
        return password::hash(typed);
    } catch (const std::exception&) {
        refuse("操作失败！");
        return std::nullopt;
    }
}

}  // namespace

const std::vector<std::string>& frmOperators::levelCaptions() {
    static const std::vector<std::string> captions = {"无", "查看", "操作", "完全"};
    return captions;
}

frmOperators::frmOperators() : Form("frmOperators") {
    setCaption("操作员管理");
    resize(11400, 7800);
    lvwUsers.move(120, 120, 4200, 6000);
    lblName.move(5500, 150, 900, 300);
    txtName.move(6400, 120, 2400, 300);
    txtName.setMaxLength(50);
    chkAdmin.move(5500, 540, 3600, 300);
    chkDisabled.move(5500, 900, 3600, 300);
    lblCategories.move(5500, 1320, 2400, 300);
    lvwCategories.move(5500, 1650, 2300, 2400);
    lvwCategories.setCheckboxes(true);
    lblRights.move(7950, 1320, 2400, 300);
    lvwRights.move(7950, 1650, 3000, 2400);
    lblLevel.move(7950, 4150, 1700, 300);
    cmbLevel.move(9650, 4120, 1300, 300);
    cmbLevel.setStyle(ComboBox::Style::DropDownList);
    lblPassword.move(5500, 4700, 1600, 300);
    txtPassword.move(7100, 4670, 2200, 300);
    txtPassword.setPasswordChar("*");
    txtPassword.setMaxLength(128);
    cmdResetPassword.move(9400, 4620, 1500, 375);
    cmdAdd.move(5500, 6300, 1200, 375);
    cmdSave.move(6800, 6300, 1200, 375);
    cmdDelete.move(8000, 6300, 1200, 375);
    cmdClose.move(9700, 6300, 1200, 375);

    lvwUsers.addColumn("k编号", "编号", 700);
    lvwUsers.addColumn("k操作员", "操作员", 1800);
    lvwUsers.addColumn("k管理员", "管理员", 800);
    lvwUsers.addColumn("k状态", "状态", 800);
    lvwUsers.addColumn("k密码", "密码", 1000);
    lvwCategories.addColumn("k类别", "学生类别", 2200);
    lvwRights.addColumn("k功能", "功能", 2000);
    lvwRights.addColumn("k权限", "权限", 1400);
    for (const std::string& caption : levelCaptions()) cmbLevel.AddItem(caption);

    lvwUsers.ItemClick = [this](ListItem& item) { lvwUsers_ItemClick(item); };
    lvwRights.ItemClick = [this](ListItem& item) { lvwRights_ItemClick(item); };
    cmbLevel.Click = [this] { cmbLevel_Click(); };
    cmdAdd.Click = [this] { cmdAdd_Click(); };
    cmdSave.Click = [this] { cmdSave_Click(); };
    cmdResetPassword.Click = [this] { cmdResetPassword_Click(); };
    cmdDelete.Click = [this] { cmdDelete_Click(); };
    cmdClose.Click = [this] { unload(); };

    using namespace layout;
    setLayout(splitter(
        {ctl(lvwUsers),
         column({row({ctl(lblName), ctl(txtName)}), ctl(chkAdmin), ctl(chkDisabled),
                 row({column({ctl(lblCategories), ctl(lvwCategories)}),
                      column({ctl(lblRights), ctl(lvwRights), row({ctl(lblLevel), ctl(cmbLevel)})})}),
                 // The lists take the height the window has (no free space below them).
                 row({ctl(lblPassword), ctl(txtPassword), ctl(cmdResetPassword)}),
                 row({ctl(cmdAdd), ctl(cmdSave), ctl(cmdDelete), stretch(), ctl(cmdClose)})})}));
}

void frmOperators::Form_Load() {
    try {
        HostSystem& run = gRun();
        cn_ = run.pGetCN();
        me_ = std::stoi(run.gUserid());
        const auto me = Operators(*cn_).find(me_);
        if (!me || !me->admin) {
            refuse("只有管理员可以管理操作员。");
            unload();
            return;
        }
        lvwCategories.clearItems();
        for (const auto& [id, name] : Operators(*cn_).firstLevelCategories()) lvwCategories.addItem(keyOf(id), name);
        lvwRights.clearItems();
        for (const RightCode& right : Operators::rightCatalogue()) {
            ListItem& item = lvwRights.addItem(std::string("k") + right.code, right.caption);
            item.setSubItem(1, levelCaptions().front());
        }
        fillUsers(me_);
    } catch (const std::exception& e) {
        const auto* db = dynamic_cast<const DbError*>(&e);
        refuse(std::string("不能读取操作员。") + (db ? "\r\n" + db->description() : std::string()));
        unload();
    }
}

void frmOperators::Form_Unload(int&) {
    if (cn_) cn_->close();
    cn_.reset();
}

void frmOperators::fillUsers(int selectId) {
    lvwUsers.clearItems();
    for (const Operator& op : Operators(*cn_).list()) {
        ListItem& item = lvwUsers.addItem(keyOf(op.id), std::to_string(op.id));
        item.setSubItem(1, op.name);
        item.setSubItem(2, op.admin ? "是" : "");
        item.setSubItem(3, op.disabled ? "停用" : "正常");
        item.setSubItem(4, passwordState(op));
    }
    if (ListItem* item = lvwUsers.findItem(keyOf(selectId))) {
        lvwUsers.setSelectedItem(item);
        showOperator(selectId);
    }
}

int frmOperators::selectedId() const {
    const ListItem* item = lvwUsers.selectedItem();
    return item ? idOfKey(item->key()) : 0;
}

std::string frmOperators::selectedName() const {
    const ListItem* item = lvwUsers.selectedItem();
    return item ? item->subItem(1) : std::string();
}

void frmOperators::lvwUsers_ItemClick(ListItem& item) {
    try {
        showOperator(idOfKey(item.key()));
    } catch (const std::exception&) {
        refuse("不能读取操作员。");
    }
}

void frmOperators::showOperator(int id) {
    Operators operators(*cn_);
    const auto op = operators.find(id);
    if (!op) return;
    txtName.setText(op->name);
    chkAdmin.setValue(op->admin ? 1 : 0);
    chkDisabled.setValue(op->disabled ? 1 : 0);
    txtPassword.setText({});
    // The built-in operator sees every category whatever is ticked.
    const bool everyCategory = id == Operators::BuiltInId;
    const std::string allowed = "," + operators.categoryIds(id) + ",";
    for (int i = 1; i <= lvwCategories.itemCount(); ++i) {
        ListItem& item = lvwCategories.item(i);
        item.setChecked(everyCategory || allowed.find("," + item.key().substr(1) + ",") != std::string::npos);
    }
    lvwCategories.setEnabled(!everyCategory);
    // An administrator may do everything whatever is stored for him: the
    // list says so; the stored level stays in the tag, kept as it is.
    for (int i = 1; i <= lvwRights.itemCount(); ++i) {
        ListItem& item = lvwRights.item(i);
        const int level = operators.storedRight(id, item.key().substr(1));
        item.setTag(std::to_string(level));
        item.setSubItem(1, op->admin ? levelCaptions().back() + "（管理员）" : levelCaptions()[static_cast<std::size_t>(level)]);
    }
    cmbLevel.setListIndex(-1);
}

void frmOperators::lvwRights_ItemClick(ListItem& item) {
    const int level = item.tag().empty() ? 0 : std::stoi(item.tag());
    cmbLevel.setListIndex(level);
}

void frmOperators::cmbLevel_Click() {
    ListItem* item = lvwRights.selectedItem();
    const int level = cmbLevel.ListIndex();
    if (!item || level < 0) return;
    item->setTag(std::to_string(level));
    item->setSubItem(1, levelCaptions()[static_cast<std::size_t>(level)]);
}

bool frmOperators::apply(const std::function<void(Operators&)>& change) {
    try {
        ConnectionPtr tr = gRun().pgettrcn();
        Transaction tx(*tr);
        Operators operators(*tr);
        change(operators);
        tx.commit();
        return true;
    } catch (const OperatorRefusal& e) {
        refuse(e.what());
    } catch (const DbError& e) {
        refuse("操作失败！\r\n" + e.description());
    } catch (const std::exception&) {
        refuse("操作失败！");
    }
    return false;
}

void frmOperators::cmdAdd_Click() {
    const std::string name = trimSpaces(txtName.text());
    const std::optional<std::string> hash = hashOfTyped(txtPassword.text(), "请为新操作员输入初始密码：");
    if (!hash) return;
    int id = 0;
    const bool admin = chkAdmin.value() == 1;
    if (!apply([&](Operators& operators) {
            id = operators.addNew(name, admin);
            operators.setGivenPassword(id, txtPassword.text(), *hash, true);
        }))
        return;
    auditEvent("新增操作员", name, "完成");
    fillUsers(id);
}

void frmOperators::cmdSave_Click() {
    const int id = selectedId();
    if (id == 0) {
        refuse("请选择操作员。");
        return;
    }
    const bool admin = chkAdmin.value() == 1, disabled = chkDisabled.value() == 1;
    if (id == me_ && (!admin || disabled)) {
        refuse("不能取消自己的管理员身份，也不能停用自己。");
        showOperator(id);
        return;
    }
    std::vector<int> categories;
    for (int i = 1; i <= lvwCategories.itemCount(); ++i)
        if (lvwCategories.item(i).checked()) categories.push_back(idOfKey(lvwCategories.item(i).key()));
    const std::string name = trimSpaces(txtName.text());
    if (!apply([&](Operators& operators) {
            operators.rename(id, name);
            operators.setAdmin(id, admin);
            operators.setDisabled(id, disabled);
            if (id != Operators::BuiltInId) operators.setCategories(id, categories);
            for (int i = 1; i <= lvwRights.itemCount(); ++i) {
                const ListItem& item = lvwRights.item(i);
                operators.setRight(id, item.key().substr(1), item.tag().empty() ? 0 : std::stoi(item.tag()));
            }
        }))
        return;
    auditEvent("修改操作员", name, "完成");
    fillUsers(id);
    msgBox("保存成功！", MsgButtons::OK, MsgIcon::Information, "提示");
}

void frmOperators::cmdResetPassword_Click() {
    const int id = selectedId();
    if (id == 0) {
        refuse("请选择操作员。");
        return;
    }
    const std::optional<std::string> hash = hashOfTyped(txtPassword.text(), "");
    if (!hash) return;
    // Anyone but himself must choose his own at his next sign-in.
    if (!apply([&](Operators& operators) { operators.setGivenPassword(id, txtPassword.text(), *hash, id != me_); }))
        return;
    auditEvent("重设密码", selectedName(), "完成");
    fillUsers(id);
    msgBox("密码已重设。" + std::string(id != me_ ? "该操作员下次登录时须设置自己的新密码。" : ""), MsgButtons::OK,
           MsgIcon::Information, "提示");
}

void frmOperators::cmdDelete_Click() {
    const int id = selectedId();
    if (id == 0) {
        refuse("请选择操作员。");
        return;
    }
    if (id == me_) {
        refuse("不能删除自己。");
        return;
    }
    const std::string name = selectedName();
    if (msgBox("确定删除操作员“" + name + "”吗？", MsgButtons::YesNo, MsgIcon::Question, "警告") != MsgAnswer::Yes)
        return;
    if (!apply([&](Operators& operators) { operators.remove(id); })) return;
    auditEvent("删除操作员", name, "完成");
    fillUsers(me_);
}

}  // namespace fo
