#include "reliability/Clerk.h"

#include "fees/frmSF.h"

#include <algorithm>
#include <set>

#include "batch/frmBachJM.h"
#include "batch/frmBachJM_next.h"
#include "batch/frmJmBachList.h"
#include "bills/frmBILLML.h"
#include "host/fees/CarryOver.h"
#include "reduction/frmjmjlML.h"
#include "reduction/frmjmjlNew.h"
#include "reliability/Books.h"
#include "support/Query.h"
#include "ui/FormInstance.h"
#include "ui/controls/KeyCodes.h"
#include "ui/frmPlanPreview.h"

namespace fo::test {
namespace {

const DateTime kLongAgo{2000, 1, 1};
const DateTime kFarAhead{2100, 12, 31};
const std::string kTuition = "1";  // 保育费, the fee item the coming-charge rounds reduce

std::string trimmed(const std::string& text) {
    const std::size_t from = text.find_first_not_of(' '), to = text.find_last_not_of(' ');
    return from == std::string::npos ? std::string() : text.substr(from, to - from + 1);
}

}  // namespace

std::string monthCaption(const std::string& month) { return month.substr(0, 4) + "年" + month.substr(4) + "月"; }

void typeInto(FlexGrid& grid, TextBox& editor, int row, int column, const std::string& text) {
    grid.userCellClick(row, column);
    editor.userSetText(text);
}

bool typeForItem(FlexGrid& grid, TextBox& editor, const std::string& item, const std::string& amount) {
    bool found = false;
    for (int r = 1; r < grid.rows(); ++r)
        if (grid.textMatrix(r, FeeItemGrid::ColItemId) == item) {
            typeInto(grid, editor, r, FeeItemGrid::ColJm, amount);
            found = true;
        }
    return found;
}

bool fillReduction(frmjmjlNew& w, const std::string& xh, const std::string& line, const std::string& item,
                   const std::string& amount, const std::string& reason) {
    w.load();
    w.txtFind.userSetText(xh);
    w.userKey(w.txtFind, key::Enter);
    if (!w.LvwQFLIST.userItemClick(line)) return false;
    w.cmdReset.userClick();
    typeForItem(w.MSFlexGrid1, w.Txt_write, item, amount);
    w.txtJmyy.userSetText(reason);
    return true;
}

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
    if (full) return all.format00();
    const std::int64_t cents = all.raw() / 100;
    if (cents <= 1) return all.format00();
    return Currency::fromRaw((1 + static_cast<std::int64_t>(rnd_() % static_cast<std::uint64_t>(cents))) * 100).format00();
}

Posting Clerk::finish(Posting p, const char* success) {
    FormInstances::releaseAll();
    return read(std::move(p), success);
}

Posting Clerk::read(Posting p, const char* success) {
    const auto& shown = office_.ui().messages();
    for (std::size_t i = seen_; i < shown.size(); ++i) p.messages.push_back(shown[i].text);
    const bool any = shown.size() > seen_;
    seen_ = shown.size();
    p.lastMessage = any ? shown.back().text : std::string();
    p.committed = p.attempted && any && p.lastMessage.rfind(success, 0) == 0;
    return p;
}

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
    return reduceLine(xh, line, reason);
}

// A window of its own per row, every one filled in by `fill` before any is
// posted by its button `ok`, as clerks at several desks would have them.
template <class Window>
std::vector<Posting> Clerk::rowsTogether(const std::vector<std::string>& qfkids, const Posting& blank,
                                         const RowFill<Window>& fill, CommandButton Window::*ok, const char* success,
                                         const std::function<void()>& beforePost) {
    std::vector<std::shared_ptr<Window>> windows;
    std::vector<Posting> out;
    for (const std::string& qfkid : qfkids) {
        const auto student = rows("select x.xh from qfhzb q inner join kdw_xs x on x.id=q.xsid where q.qfkid=" + qfkid);
        auto w = std::make_shared<Window>();
        Posting p = blank;
        if (!student.empty() && fill(*w, student[0][0], qfkid, p)) {
            windows.push_back(w);
            out.push_back(std::move(p));
        }
    }
    if (beforePost) beforePost();
    for (std::size_t i = 0; i < windows.size(); ++i) {
        ((*windows[i]).*ok).userClick();
        out[i] = read(std::move(out[i]), success);
        windows[i]->unload();
    }
    FormInstances::releaseAll();
    return out;
}

std::vector<Posting> Clerk::reduceRowsTogether(const std::vector<std::string>& qfkids, const std::string& reason,
                                              const std::function<void()>& beforePost) {
    const RowFill<frmjmjlNew> fill = [&](frmjmjlNew& w, const std::string& xh, const std::string& qfkid, Posting& p) {
        return enterReduction(w, xh, "k" + qfkid, reason, true, p);
    };
    return rowsTogether(qfkids, Posting("reduce", reason), fill, &frmjmjlNew::cmd_ok, "操作成功！", beforePost);
}

std::vector<Posting> Clerk::chargeRowsTogether(const std::vector<std::string>& qfkids, const std::string& reason,
                                              const std::function<void()>& beforePost) {
    const RowFill<frmSF> fill = [&](frmSF& w, const std::string& xh, const std::string& qfkid, Posting& p) {
        w.load();
        w.txtFind.userSetText(xh);
        w.userKey(w.txtFind, key::Enter);
        const std::string line = "kq" + qfkid + "_";
        for (int i = 1; i <= w.lvwDue.itemCount(); ++i)
            if (w.lvwDue.item(i).key().rfind(line, 0) == 0) w.lvwDue.userItemCheck(w.lvwDue.item(i).key(), true);
        w.txtRemark.userSetText(reason);
        p.attempted = true;
        return true;
    };
    return rowsTogether(qfkids, Posting("charge", reason), fill, &frmSF::cmdOK, "收费成功！", beforePost);
}

bool Clerk::enterReduction(frmjmjlNew& w, const std::string& xh, const std::string& line, const std::string& reason,
                           bool full, Posting& p) {
    w.load();
    w.txtFind.userSetText(xh);
    w.userKey(w.txtFind, key::Enter);
    if (!w.LvwQFLIST.userItemClick(line)) return false;
    std::vector<int> owing;
    for (int r = 1; r < w.MSFlexGrid1.rows(); ++r)
        if (leadingNumber(w.MSFlexGrid1.textMatrix(r, frmjmjlNew::ColYs)) > Currency()) owing.push_back(r);
    if (owing.empty()) return false;
    std::vector<int> chosen;
    for (int r : owing)
        if (full || below(10) < 6) chosen.push_back(r);
    if (chosen.empty()) chosen.push_back(pick(owing));
    for (int r : chosen)
        typeInto(w.MSFlexGrid1, w.Txt_write, r, frmjmjlNew::ColJm,
                 pickAmount(w.MSFlexGrid1.textMatrix(r, frmjmjlNew::ColYs), full || below(10) < 4));
    w.txtJmyy.userSetText(reason);
    p.students = {w.Lbl_mc.tag()};
    p.records = 1;
    p.attempted = true;
    return true;
}

Posting Clerk::reduceLine(const std::string& xh, const std::string& line, const std::string& reason) {
    Posting p("reduce", reason);
    auto w = formInstance<frmjmjlNew>();
    if (!enterReduction(*w, xh, line, reason, false, p)) return finish(p, "");
    w->cmd_ok.userClick();
    return finish(p, "操作成功！");
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
    if (p.students.empty()) return finish(p, "");
    next->CMB_sflx.userSelect(type[1]);
    if (next->cmbYF.ListCount() == 0) return finish(p, "");
    next->cmbYF.userSelect(next->cmbYF.List(below(next->cmbYF.ListCount())));
    const int items = next->MSFlexGrid1.rows() - 1;
    if (items < 1) return finish(p, "");
    for (int n = 0, count = 1 + below(std::min(items, 2)); n < count; ++n) {
        const int r = 1 + below(items);
        const Currency standard = leadingNumber(next->MSFlexGrid1.textMatrix(r, frmBachJM_next::ColYs));
        const Currency cap = std::min(standard, Currency::fromInt(60));
        typeInto(next->MSFlexGrid1, next->Txt_write, r, frmBachJM_next::ColJm, pickAmount(cap.plainText(), false));
    }
    next->txtJMYY.userSetText(reason);
    p.records = static_cast<int>(p.students.size());
    p.attempted = true;
    next->cmd_ok.userClick();
    return finish(p, "操作成功！");
}

Posting Clerk::receivablesList(const std::string& reason) {
    if (below(2) == 0) {
        const auto classes = rows("select mc from kdw_bj order by id");
        if (!classes.empty())
            return receivablesListQuery("", pick(classes)[0], reason, false, {});
    }
    const auto owing = rows("select distinct x.xh from qfhzb q inner join kdw_xs x on x.id=q.xsid where q.fkrq is null"
                            " and x.del=0 order by x.xh");
    if (owing.empty()) return Posting("list", reason);
    return receivablesListQuery(pick(owing)[0], "", reason, false, {});
}

Posting Clerk::receivablesListFor(const std::string& xh, const std::string& reason,
                                  const std::function<void()>& beforePost) {
    return receivablesListQuery(xh, "", reason, true, beforePost);
}

Posting Clerk::receivablesListQuery(const std::string& xh, const std::string& className, const std::string& reason,
                                    bool full, const std::function<void()>& beforePost) {
    Posting p("list", reason);
    auto w = formInstance<frmJmBachList>();
    w->load();
    if (w->cmbYf.ListCount() > 0) w->cmbYf.userSelect(w->cmbYf.List(0));
    w->txtBh.userSetText(xh);
    if (!className.empty()) w->cmbBJ.userSelect(className);
    for (int i = 0; i < w->LSTsfxm.ListCount(); ++i) w->LSTsfxm.setSelected(i, true);
    w->CMDfind.userClick();
    std::set<std::pair<std::string, std::string>> groups;
    std::set<std::string> students;
    if (full) w->cmdCancelSelect.userClick();
    for (int i = 1; i <= w->lvw1.itemCount(); ++i) {
        ListItem& row = w->lvw1.item(i);
        const auto key = split(row.key(), '_');
        if (key.size() < 4 || key[1].empty() || row.subItem(5) == "合计") continue;
        if (!full) {
            if (below(10) >= 4) continue;
            w->lvw1.userItemClick(row.key());
            w->txtWrite.userSetText(pickAmount(row.subItem(6), below(2) == 0));
        }
        if (leadingNumber(row.subItem(7)) <= Currency()) continue;
        groups.insert({key[0], key[1]});
        students.insert(key[0].substr(1));
    }
    if (groups.empty()) return finish(p, "");
    p.students.assign(students.begin(), students.end());
    p.records = static_cast<int>(groups.size());
    w->txtJmyy.userSetText(reason);
    p.attempted = true;
    if (beforePost) beforePost();
    office_.ui().queueAnswer(MsgAnswer::Yes);
    w->cmdJMok.userClick();
    return finish(p, "操作成功！");
}

std::shared_ptr<frmjmjlML> Clerk::recordsWindow() {
    auto w = formInstance<frmjmjlML>();
    w->load();
    w->DTPfrom.userPick(kLongAgo);
    w->DTPto.userPick(kFarAhead);
    w->CMDfind.userClick();
    return w;
}

Posting Clerk::comingCharge(const std::string& window, const std::vector<std::string>& ids, const std::string& reason,
                            bool preview, const std::function<void()>& beforeConfirm) {
    Posting p(window, reason);
    if (ids.empty()) return p;
    const std::string month = office_.host().CurrentYf();
    const std::string caption = monthCaption(month);
    const std::string xh = rows("select xh from kdw_xs where id=" + ids[0])[0][0];
    p.attempted = true;
    // The clerk's last word waits for `beforeConfirm`, inside the preview when there is one.
    auto confirmLast = [&](const std::function<void()>& click) {
        if (!preview && beforeConfirm) beforeConfirm();
        if (preview)
            office_.ui().setModalRunner([&](Form& f) {
                if (beforeConfirm && dynamic_cast<frmPlanPreview*>(&f)) beforeConfirm();
                ClerkOffice::answerAsClerk(f);
            });
        click();
        office_.ui().setModalRunner(ClerkOffice::answerAsClerk);
    };
    if (window == "single") {
        auto w = formInstance<frmjmjlNew>();
        if (!fillReduction(*w, xh, "c" + month, kTuition, "100", reason)) return finish(p, "");
        p.students = {ids[0]};
        p.records = 1;
        if (beforeConfirm) beforeConfirm();
        w->cmd_ok.userClick();
        return finish(p, "操作成功！");
    }
    if (window == "wizard") {
        auto next = openWizard(ids, p.students);
        next->CMB_sflx.userSelect(rows("select max(t.mc) from kdw_xs x inner join kdw_sflx t on t.id=x.sflxid where x.id=" +
                                       ids[0])[0][0]);
        next->cmbYF.userSelect(caption);
        typeForItem(next->MSFlexGrid1, next->Txt_write, kTuition, "100");
        next->txtJMYY.userSetText(reason);
        p.records = static_cast<int>(p.students.size());
        confirmLast([&] { (preview ? next->cmdPreview : next->cmd_ok).userClick(); });
        return finish(p, "操作成功！");
    }
    auto w = formInstance<frmJmBachList>();
    w->load();
    w->cmbYf.userSelect(caption);
    w->cmbYFto.userSelect(caption);
    w->txtBh.userSetText(xh);
    w->LSTsfxm.setSelected(w->LSTsfxm.findEntry("保育费"), true);
    w->CMDfind.userClick();
    for (int i = 1; i <= w->lvw1.itemCount(); ++i) {
        ListItem& row = w->lvw1.item(i);
        if (trimmed(row.subItem(5)) != "保育费" || split(row.key(), '_').size() < 4) continue;
        w->lvw1.userItemClick(row.key());
        w->txtWrite.userSetText("100");
        ++p.records;
    }
    p.students = {ids[0]};
    w->txtJmyy.userSetText(reason);
    office_.ui().queueAnswer(MsgAnswer::Yes);
    confirmLast([&] { (preview ? w->cmdPreview : w->cmdJMok).userClick(); });
    return finish(p, "操作成功！");
}

Posting Clerk::cancelReduction(bool latest) {
    auto w = recordsWindow();
    const int n = w->lvwML.itemCount();
    if (n == 0) return finish(Posting("cancel"), "");
    std::string key = w->lvwML.item(1 + below(n)).key();
    if (latest)
        for (int i = 1; i <= n; ++i)
            if (std::stoll(w->lvwML.item(i).key().substr(1)) > std::stoll(key.substr(1))) key = w->lvwML.item(i).key();
    return finish(cancelFrom(*w, key.substr(1)), "操作成功！");
}

std::vector<Posting> Clerk::cancelFromOneList(const std::vector<std::string>& ids,
                                             const std::function<void()>& beforeFirst) {
    auto w = recordsWindow();
    if (beforeFirst) beforeFirst();
    std::vector<Posting> out;
    for (const std::string& id : ids) out.push_back(read(cancelFrom(*w, id), "操作成功！"));
    FormInstances::releaseAll();
    return out;
}

Posting Clerk::cancelFrom(frmjmjlML& w, const std::string& id) {
    Posting p("cancel", id);
    if (!w.lvwML.userItemClick("k" + id)) return p;
    p.attempted = true;
    office_.ui().queueAnswer(MsgAnswer::Yes);
    w.cmdCancel.userClick();
    return p;
}

Posting Clerk::voidReceipt(const std::string& reason) {
    Posting p("void");
    // Mostly receipts of the open month, which can be voided; now and then
    // an older one, which is refused.
    const std::string open = office_.host().CurrentYf();
    const auto bills = rows("select p.id from PJML p inner join kdw_sfjl a on a.djbh=p.djbh where"
                            " coalesce(p.pjState,'')<>'作废' and a.ysfjlid=0 and a.id not in(select ysfjlid from kdw_sfjl)" +
                            std::string(below(5) == 0 ? "" : " and a.sfyf>='" + open + "'") + " order by p.id");
    if (bills.empty()) return p;
    p.tag = pick(bills)[0];
    auto w = formInstance<frmBILLML>();
    w->load();
    w->DTPfrom.userPick(kLongAgo);
    w->DTPto.userPick(kFarAhead);
    w->cmbDJstate.userSelect("全部");
    w->CMDfind.userClick();
    if (!w->ListView1.userItemClick("k" + p.tag)) return finish(p, "");
    w->txtZfyy.userSetText(reason);
    p.attempted = true;
    office_.ui().queueAnswer(MsgAnswer::Yes);
    w->cmdZF.userClick();
    return finish(p, "操作成功！");
}

Posting Clerk::carryOver() {
    Posting p("carry");
    ReferenceHost& host = office_.host();
    p.tag = host.CurrentYf();
    if (p.tag.empty()) return p;
    p.attempted = true;
    try {
        ConnectionPtr cn = host.pgettrcn();
        carryOverMonth(*cn, host, p.tag);
        p.committed = true;
    } catch (const std::exception& e) {
        p.lastMessage = e.what();
    }
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

}  // namespace fo::test
