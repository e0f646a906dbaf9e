#include "reliability/Clerk.h"

#include <algorithm>
#include <set>
#include <stdexcept>

#include "batch/frmBachJM.h"
#include "batch/frmBachJM_next.h"
#include "batch/frmJmBachList.h"
#include "bills/frmBILLML.h"
#include "db/pg/PgLink.h"
#include "fees/frmSF.h"
#include "host/demo/DemoSchool.h"
#include "host/fees/Calendar.h"
#include "host/fees/CarryOver.h"
#include "host/operators/SignIn.h"
#include "host/settings/UserSettingsStore.h"
#include "reduction/frmjmjlML.h"
#include "reduction/frmjmjlNew.h"
#include "reliability/Books.h"
#include "support/ModuleHost.h"
#include "support/Query.h"
#include "ui/FormInstance.h"
#include "ui/controls/KeyCodes.h"
#include "ui/frmPlanPreview.h"

namespace fo::test {
namespace {

const DateTime kLongAgo{2000, 1, 1};
const DateTime kFarAhead{2100, 12, 31};
const std::string kTuition = "1";  // 保育费, the fee item the coming-charge rounds reduce

// On a server the clerk signs in as the program does, so every session of
// his (and so every posting) logs in as his operator's own role and meets
// its grants, triggers and row security, not the schema owner's rights.
const std::string& signedIn(const std::string& locator) {
    if (!isPostgresLink(locator)) return locator;
    const DemoOperator& admin = demoOperators().front();
    // Clerks signing in as one operator at the same moment all get in.
    const SignInResult result = SignIn(locator, locator).attempt(admin.id, admin.password);
    if (result.status != SignInStatus::SignedIn && result.status != SignInStatus::NeedsNewPassword)
        throw std::runtime_error("the clerk cannot sign in to " + locator + ": " + result.message);
    return locator;
}

// The reduction window on line `line` of student `xh`, found after a search
// for `noise` ("" none); false when the line is not listed.
bool openLine(frmjmjlNew& w, const std::string& xh, const std::string& line, const std::string& noise = {}) {
    w.load();
    if (!noise.empty()) {
        w.txtFind.userSetText(noise);
        w.userKey(w.txtFind, key::Enter);
    }
    w.txtFind.userSetText(xh);
    w.userKey(w.txtFind, key::Enter);
    return w.LvwQFLIST.userItemClick(line);
}

// Types `text` into cell (row, column) of a fee-item grid through its editor.
void typeInto(FlexGrid& grid, TextBox& editor, int row, int column, const std::string& text) {
    grid.userCellClick(row, column);
    editor.userSetText(text);
}

// Types `amount` into every row of fee item `item` of a fee-item grid.
void typeForItem(FlexGrid& grid, TextBox& editor, const std::string& item, const std::string& amount) {
    for (int r = 1; r < grid.rows(); ++r)
        if (grid.textMatrix(r, FeeItemGrid::ColItemId) == item) typeInto(grid, editor, r, FeeItemGrid::ColJm, amount);
}

// The batch wizard's second step, its first having listed and ticked the
// students `ids`; those ticked are added to `ticked`.
std::shared_ptr<frmBachJM_next> openWizard(const std::vector<std::string>& ids, std::vector<std::string>& ticked) {
    auto first = formInstance<frmBachJM>();
    first->load();
    first->initData(false, "-1", false, "select id from kdw_xs where 1=1 and id in(" + joined(ids) + ")");
    first->cmdFullSelect.userClick();
    for (const auto& s : first->tickedStudents()) ticked.push_back(s.id);
    auto next = formInstance<frmBachJM_next>();
    next->load();
    return next;
}

// Types into each row of the list what `amount` gives it ("" leaves it),
// then counts what will be posted: one record per student and period;
// false when nothing.
bool fillList(Posting& p, frmJmBachList& w, const std::function<std::string(ListItem&)>& amount) {
    std::set<std::pair<std::string, std::string>> groups;
    std::set<std::string> students;
    for (int i = 1; i <= w.lvw1.itemCount(); ++i) {
        ListItem& row = w.lvw1.item(i);
        const auto key = split(row.key(), '_');
        if (key.size() < 4 || key[1].empty() || row.subItem(5) == "合计") continue;
        if (const std::string typed = amount ? amount(row) : ""; !typed.empty()) {
            w.lvw1.userItemClick(row.key());
            w.txtWrite.userSetText(typed);
        }
        if (leadingNumber(row.subItem(7)) <= Currency()) continue;
        groups.insert({key[0], key[1]});
        students.insert(key[0].substr(1));
    }
    p.students.assign(students.begin(), students.end());
    p.records = static_cast<int>(groups.size());
    w.txtJmyy.userSetText(p.tag);
    return !groups.empty();
}

std::shared_ptr<frmjmjlML> recordsWindow() {
    auto w = formInstance<frmjmjlML>();
    w->load();
    w->DTPfrom.userPick(kLongAgo);
    w->DTPto.userPick(kFarAhead);
    w->CMDfind.userClick();
    return w;
}

}  // namespace

ClerkOffice::ClerkOffice(const std::string& locator, int dialect, const std::string& settingsDir)
    : host_(std::make_shared<ReferenceHost>(signedIn(locator), dialect)) {
    host_->setSettingsStore(std::make_shared<UserSettingsStore>(settingsDir));
    handHostToModule(host_);
    ui_.install();
    ui_.setModalRunner(answerAsClerk);
    cn_ = host_->pGetCN();
}

void ClerkOffice::answerAsClerk(Form& f) {
    if (f.name() == "frmMsg") f.find<CommandButton>("cmdOk")->userClick();
    else if (auto* preview = dynamic_cast<frmPlanPreview*>(&f))
        (preview->cmdOK.enabled() ? preview->cmdOK : preview->cmdBack).userClick();
    else f.unload();
}

ClerkOffice::~ClerkOffice() {
    ui_.setModalRunner([](Form& f) { f.unload(); });
    try {
        FormInstances::releaseAll();
    } catch (...) {
        // The windows are going with the process or the test anyway.
    }
    globals() = ModuleGlobals{};
}

bool fillReduction(frmjmjlNew& w, const std::string& xh, const std::string& line, const std::string& item,
                   const std::string& amount, const std::string& reason) {
    if (!openLine(w, xh, line)) return false;
    w.cmdReset.userClick();
    typeForItem(w.MSFlexGrid1, w.Txt_write, item, amount);
    w.txtJmyy.userSetText(reason);
    return true;
}

std::vector<std::vector<std::string>> Clerk::rows(const std::string& sql) { return fieldRows(office_.cn(), sql); }

// Everything it owed, or a part of it in whole cents; now and then what a
// clerk pastes by mistake: a negative amount, or one with three decimals.
std::string Clerk::pickAmount(const std::string& owed, bool full) {
    const Currency all = leadingNumber(owed);
    if (mistakes_ && !full && below(25) == 0) {
        const int mistake = below(3);
        if (mistake == 0) return "-5";
        if (mistake == 1) return "-0.01";
        return Currency::fromRaw(all.raw() / 200 * 100).format00() + "5";
    }
    const std::int64_t cents = all.raw() / 100;
    if (full || cents <= 1) return all.format00();
    return Currency::fromRaw((1 + static_cast<std::int64_t>(rnd_() % static_cast<std::uint64_t>(cents))) * 100).format00();
}

void Clerk::press(Posting& p, CommandButton& button, bool asks) {
    p.attempted = true;
    if (asks) office_.ui().queueAnswer(MsgAnswer::Yes);
    button.userClick();
}

Posting Clerk::finish(Posting p) {
    FormInstances::releaseAll();
    return read(std::move(p));
}

Posting Clerk::read(Posting p) {
    const auto& shown = office_.ui().messages();
    for (std::size_t i = seen_; i < shown.size(); ++i) p.messages.push_back(shown[i].text);
    p.lastMessage = shown.size() > seen_ ? shown.back().text : std::string();
    seen_ = shown.size();
    const std::string success = p.kind == "charge" ? "收费成功！" : "操作成功！";
    p.committed = p.attempted && p.lastMessage.rfind(success, 0) == 0;
    return p;
}

Posting Clerk::anyPosting(const std::string& reason) {
    const int r = below(100);
    if (r < 30) return reduceOne(reason);
    if (r < 45) return wizard(reason);
    if (r < 60) return receivablesList(reason);
    if (r < 75) return cancelReduction(true);
    if (r < 85) return cancelReduction(false);
    return voidReceipt(reason);
}

bool Clerk::enterReduction(frmjmjlNew& w, const std::string& xh, const std::string& line, bool full, Posting& p) {
    if (!openLine(w, xh, line, noise_)) return false;
    std::vector<int> owing, chosen;
    for (int r = 1; r < w.MSFlexGrid1.rows(); ++r)
        if (leadingNumber(w.MSFlexGrid1.textMatrix(r, frmjmjlNew::ColYs)) > Currency()) owing.push_back(r);
    if (owing.empty()) return false;
    for (int r : owing)
        if (full || below(10) < 6) chosen.push_back(r);
    if (chosen.empty()) chosen.push_back(pick(owing));
    if (!noise_.empty()) {
        w.Txt_ts.userSetText(noise_);
        w.Txt_bz.userSetText(noise_);
    }
    for (int r : chosen) {
        if (!noise_.empty()) typeInto(w.MSFlexGrid1, w.Txt_write, r, frmjmjlNew::ColJm, noise_);
        typeInto(w.MSFlexGrid1, w.Txt_write, r, frmjmjlNew::ColJm,
                 pickAmount(w.MSFlexGrid1.textMatrix(r, frmjmjlNew::ColYs), full || below(10) < 4));
    }
    w.txtJmyy.userSetText(p.tag);
    p.students = {w.Lbl_mc.tag()};
    p.records = 1;
    return true;
}

// A line of stored arrears mostly, now and then the open month's coming
// charges of a student at school.
Posting Clerk::reduceOne(const std::string& reason) {
    Posting p("reduce", reason);
    std::string xh, line;
    if (below(10) < 7) {
        const auto open = rows("select q.qfkid,x.xh from qfhzb q inner join kdw_xs x on x.id=q.xsid where q.fkrq is null"
                               " and q.qfje>0 and x.del=0 order by q.qfkid");
        if (open.empty()) return p;
        const auto& row = pick(open);
        line = "k" + row[0], xh = row[1];
    } else {
        const auto students = rows("select xh from kdw_xs where del=0 and intTx=0 order by id");
        if (students.empty()) return p;
        xh = pick(students)[0];
        line = "c" + office_.host().CurrentYf();
    }
    return reduceLine(xh, line, reason, false);
}

Posting Clerk::reduceLine(const std::string& xh, const std::string& line, const std::string& reason, bool full) {
    Posting p("reduce", reason);
    auto w = formInstance<frmjmjlNew>();
    if (enterReduction(*w, xh, line, full, p)) press(p, w->cmd_ok);
    return finish(std::move(p));
}

// A window of its own per row, every one filled in before any is posted,
// as clerks at several desks would have them.
std::vector<Posting> Clerk::rowsTogether(const std::string& kind, const std::vector<std::string>& qfkids,
                                         const std::string& reason, const std::function<void()>& beforePost) {
    struct Desk {
        std::shared_ptr<Form> window;
        CommandButton* ok;
        Posting posting;
    };
    std::vector<Desk> desks;
    for (const std::string& qfkid : qfkids) {
        const auto student = rows("select x.xh from qfhzb q inner join kdw_xs x on x.id=q.xsid where q.qfkid=" + qfkid);
        if (student.empty()) continue;
        Posting p(kind, reason);
        if (kind == "reduce") {
            auto w = std::make_shared<frmjmjlNew>();
            if (enterReduction(*w, student[0][0], "k" + qfkid, true, p)) desks.push_back({w, &w->cmd_ok, std::move(p)});
            continue;
        }
        auto w = std::make_shared<frmSF>();
        w->load();
        w->txtFind.userSetText(student[0][0]);
        w->userKey(w->txtFind, key::Enter);
        for (int i = 1; i <= w->lvwDue.itemCount(); ++i)
            if (w->lvwDue.item(i).key().rfind("kq" + qfkid + "_", 0) == 0)
                w->lvwDue.userItemCheck(w->lvwDue.item(i).key(), true);
        w->txtRemark.userSetText(reason);
        desks.push_back({w, &w->cmdOK, std::move(p)});
    }
    if (beforePost) beforePost();
    std::vector<Posting> out;
    for (Desk& d : desks) {
        press(d.posting, *d.ok);
        out.push_back(read(std::move(d.posting)));
        d.window->unload();
    }
    FormInstances::releaseAll();
    return out;
}

Posting Clerk::wizard(const std::string& reason) {
    Posting p("wizard", reason);
    const auto types = rows("select distinct x.sflxid,t.mc from kdw_xs x inner join kdw_sflx t on t.id=x.sflxid"
                            " where x.del=0 order by x.sflxid");
    if (types.empty()) return p;
    const auto& type = pick(types);
    auto students = rows("select id from kdw_xs where del=0 and sflxid=" + type[0] + " order by id");
    std::shuffle(students.begin(), students.end(), rnd_);
    students.resize(std::min<std::size_t>(students.size(), 2 + static_cast<std::size_t>(below(5))));
    std::vector<std::string> ids;
    for (const auto& s : students) ids.push_back(s[0]);

    // The students the window lists and ticks (those still at school).
    auto next = openWizard(ids, p.students);
    if (!p.students.empty()) next->CMB_sflx.userSelect(type[1]);
    const int months = next->cmbYF.ListCount();
    if (p.students.empty() || months == 0) return finish(std::move(p));
    next->cmbYF.userSelect(next->cmbYF.List(below(months)));
    const int items = next->MSFlexGrid1.rows() - 1;
    if (items < 1) return finish(std::move(p));
    for (int n = 0, count = 1 + below(std::min(items, 2)); n < count; ++n) {
        const int r = 1 + below(items);
        const Currency standard = leadingNumber(next->MSFlexGrid1.textMatrix(r, frmBachJM_next::ColYs));
        const Currency cap = std::min(standard, Currency::fromInt(60));
        typeInto(next->MSFlexGrid1, next->Txt_write, r, frmBachJM_next::ColJm, pickAmount(cap.plainText(), false));
    }
    next->txtJMYY.userSetText(reason);
    p.records = static_cast<int>(p.students.size());
    press(p, next->cmd_ok);
    return finish(std::move(p));
}

std::shared_ptr<frmBachJM_next> Clerk::fillWizard(Posting& p, const std::vector<std::string>& ids,
                                                  const std::string& month, const std::string& item,
                                                  const std::string& amount) {
    auto next = openWizard(ids, p.students);
    next->CMB_sflx.userSelect(
        rows("select max(t.mc) from kdw_xs x inner join kdw_sflx t on t.id=x.sflxid where x.id=" + ids[0])[0][0]);
    next->cmbYF.userSelect(monthCaption(month));
    if (!noise_.empty()) typeForItem(next->MSFlexGrid1, next->Txt_write, item, noise_);
    typeForItem(next->MSFlexGrid1, next->Txt_write, item, amount);
    next->txtJMYY.userSetText(p.tag);
    p.records = static_cast<int>(p.students.size());
    return next;
}

Posting Clerk::wizardBatch(const std::vector<std::string>& ids, const std::string& month, const std::string& item,
                           const std::string& amount, const std::string& reason) {
    Posting p("wizard", reason);
    press(p, fillWizard(p, ids, month, item, amount)->cmd_ok);
    return finish(std::move(p));
}

std::shared_ptr<frmJmBachList> Clerk::listed(const std::string& xh, const std::string& className,
                                             const std::string& month, const std::string& item) {
    auto w = formInstance<frmJmBachList>();
    w->load();
    if (!month.empty()) {
        w->cmbYf.userSelect(monthCaption(month));
        w->cmbYFto.userSelect(monthCaption(month));
    } else if (w->cmbYf.ListCount() > 0) {
        w->cmbYf.userSelect(w->cmbYf.List(0));
    }
    for (int i = 0; i < w->LSTsfxm.ListCount(); ++i)
        if (item.empty() || w->LSTsfxm.List(i) == item) w->LSTsfxm.setSelected(i, true);
    if (!noise_.empty()) {
        w->txtBh.userSetText(noise_);
        w->CMDfind.userClick();
    }
    w->txtBh.userSetText(xh);
    if (!className.empty()) w->cmbBJ.userSelect(className);
    w->CMDfind.userClick();
    return w;
}

// The receivables of a class or of a student who owes, some rows reduced.
Posting Clerk::receivablesList(const std::string& reason) {
    Posting p("list", reason);
    std::shared_ptr<frmJmBachList> w;
    const auto classes = rows("select mc from kdw_bj order by id");
    if (below(2) == 0 && !classes.empty()) {
        w = listed("", pick(classes)[0], "", "");
    } else {
        const auto owing = rows("select distinct x.xh from qfhzb q inner join kdw_xs x on x.id=q.xsid where"
                                " q.fkrq is null and x.del=0 order by x.xh");
        if (owing.empty()) return p;
        w = listed(pick(owing)[0], "", "", "");
    }
    const bool any = fillList(p, *w, [&](ListItem& row) {
        return below(10) < 4 ? pickAmount(row.subItem(6), below(2) == 0) : std::string();
    });
    if (any) press(p, w->cmdJMok, true);
    return finish(std::move(p));
}

Posting Clerk::receivablesListFor(const std::string& xh, const std::string& reason) {
    Posting p("list", reason);
    auto w = listed(xh, "", "", "");
    if (!noise_.empty() && w->lvw1.itemCount() > 0) {
        w->txtJmje.userSetText(noise_);
        w->cmdALL.userClick();
        w->lvw1.userItemClick(w->lvw1.item(1).key());
        w->txtWrite.userSetText(noise_);
    }
    w->cmdCancelSelect.userClick();  // every row reduced by all it owes
    if (fillList(p, *w, {})) press(p, w->cmdJMok, true);
    return finish(std::move(p));
}

Posting Clerk::comingCharge(const std::string& window, const std::vector<std::string>& ids, const std::string& reason,
                            bool preview, const std::function<void()>& beforeConfirm) {
    Posting p(window, reason);
    if (ids.empty()) return p;
    const std::string month = office_.host().CurrentYf();
    const std::string xh = rows("select xh from kdw_xs where id=" + ids[0])[0][0];
    // The clerk's last word waits for `beforeConfirm`, inside the preview when there is one.
    if (preview)
        office_.ui().setModalRunner([&](Form& f) {
            if (dynamic_cast<frmPlanPreview*>(&f)) beforeConfirm();
            ClerkOffice::answerAsClerk(f);
        });
    auto last = [&](CommandButton& button, bool asks) {
        if (!preview) beforeConfirm();
        press(p, button, asks);
    };
    if (window == "single") {
        auto w = formInstance<frmjmjlNew>();
        p.students = {ids[0]};
        p.records = 1;
        if (fillReduction(*w, xh, "c" + month, kTuition, "100", reason)) last(w->cmd_ok, false);
    } else if (window == "wizard") {
        auto next = fillWizard(p, ids, month, kTuition, "100");
        last(preview ? next->cmdPreview : next->cmd_ok, false);
    } else {
        auto w = listed(xh, "", month, "保育费");
        fillList(p, *w, [](ListItem& row) {
            return row.subItem(5).find("保育费") != std::string::npos ? "100" : std::string();
        });
        last(preview ? w->cmdPreview : w->cmdJMok, true);
    }
    office_.ui().setModalRunner(ClerkOffice::answerAsClerk);
    return finish(std::move(p));
}

Posting Clerk::cancelReduction(bool latest) {
    auto w = recordsWindow();
    const int n = w->lvwML.itemCount();
    if (n == 0) return finish(Posting("cancel"));
    std::string key = w->lvwML.item(1 + below(n)).key();
    for (int i = 1; latest && i <= n; ++i)
        if (std::stoll(w->lvwML.item(i).key().substr(1)) > std::stoll(key.substr(1))) key = w->lvwML.item(i).key();
    return finish(cancelFrom(*w, key.substr(1)));
}

std::vector<Posting> Clerk::cancelFromOneList(const std::vector<std::string>& ids,
                                             const std::function<void()>& beforeFirst) {
    auto w = recordsWindow();
    if (beforeFirst) beforeFirst();
    std::vector<Posting> out;
    for (const std::string& id : ids) out.push_back(read(cancelFrom(*w, id)));
    FormInstances::releaseAll();
    return out;
}

Posting Clerk::cancelFrom(frmjmjlML& w, const std::string& id) {
    Posting p("cancel", id);
    if (w.lvwML.userItemClick("k" + id)) press(p, w.cmdCancel, true);
    return p;
}

// Mostly a receipt of the open month, which can be voided; now and then an
// older one, which is refused.
Posting Clerk::voidReceipt(const std::string& reason) {
    Posting p("void");
    const std::string open = office_.host().CurrentYf();
    const auto bills = rows("select p.id from PJML p inner join kdw_sfjl a on a.djbh=p.djbh where"
                            " coalesce(p.pjState,'')<>'作废' and a.ysfjlid=0 and a.id not in(select ysfjlid from kdw_sfjl)" +
                            std::string(below(5) == 0 ? "" : " and a.sfyf>='" + open + "'") + " order by p.id");
    return bills.empty() ? p : voidBill(pick(bills)[0], reason);
}

Posting Clerk::voidBill(const std::string& id, const std::string& reason) {
    Posting p("void", id);
    auto w = formInstance<frmBILLML>();
    w->load();
    w->DTPfrom.userPick(kLongAgo);
    w->DTPto.userPick(kFarAhead);
    w->cmbDJstate.userSelect("全部");
    w->CMDfind.userClick();
    if (w->ListView1.userItemClick("k" + p.tag)) {
        w->txtZfyy.userSetText(reason);
        press(p, w->cmdZF, true);
    }
    return finish(std::move(p));
}

Posting Clerk::carryOver() {
    Posting p("carry", office_.host().CurrentYf());
    if (p.tag.empty()) return p;
    p.attempted = true;
    try {
        ConnectionPtr cn = office_.host().pgettrcn();
        carryOverMonth(*cn, office_.host(), p.tag);
        p.committed = true;
    } catch (const std::exception& e) {
        p.lastMessage = e.what();
    }
    return p;
}

}  // namespace fo::test
