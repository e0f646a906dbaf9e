// Amounts to reduce on the receivables list and the posting: the chosen rows
// go to a work table, get their period's dates and name, and are posted as
// one reduction per student, period and period start, the whole batch in
// one transaction.
#include <functional>
#include <map>
#include <set>
#include <vector>

#include "batch/BatchStatements.h"
#include "batch/clsJMhead.h"
#include "batch/clsYF.h"
#include "batch/frmJmBachList.h"
#include "data/Dialect.h"
#include "db/DbError.h"
#include "host/api/MessageService.h"
#include "host/api/ModuleGlobals.h"
#include "reduction/EarlierReductions.h"
#include "reduction/ReductionChecks.h"
#include "ui/RightsCheck.h"
#include "ui/frmMsg.h"
#include "ui/lists/TrimSpaces.h"
#include "ui/PostingProgress.h"
#include "ui/frmPlanPreview.h"
#include "ui/lists/mdl1.h"

namespace fo {
namespace {

std::vector<std::string> splitKey(const std::string& key) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t bar = key.find('_', start);
        parts.push_back(key.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos) return parts;
        start = bar + 1;
    }
}

bool isSubtotal(const ListItem& item) { return trimSpaces(item.subItem(5)) == "合计"; }

// Raised when a period of the batch has no dates: the posting ends quietly.
struct UnresolvedPeriod {};

// The SQL Server dialect's work table has served its batch. A table that
// cannot be dropped is left to the session's end, which takes it with it.
void dropWorkTable(Connection& cn, const std::string& table) noexcept {
    if (table.empty() || !isSqlServer(gRun().SQL_access())) return;
    try {
        cn.execute("drop table " + table);
    } catch (const std::exception&) {
    }
}

// Plans a preview while the work table of the gathered rows exists; then
// drops it and takes the wait pointer off, whatever happened. A failure is
// shown to the clerk and gives false.
bool planOverWorkTable(Connection& cn, const std::string& table, const std::function<void()>& plan) {
    std::string failure;
    try {
        plan();
    } catch (const std::exception& e) {
        failure = e.what();
    }
    dropWorkTable(cn, table);
    gMclose();
    if (failure.empty()) return true;
    msgBox(std::string("操作失败！") + batch::CRLF + failure, MsgButtons::OK, MsgIcon::None, "警告！");
    return false;
}

// Who a failed group belonged to, for the clerk.
std::string studentText(Connection& cn, const std::string& xsid) {
    RecordsetPtr rs = cn.execute("select xh,xm from kdw_xs where id=" + std::to_string(Value(leadingNumber(xsid)).toInt()));
    return rs && !rs->eof() ? rs->field("xh").toText() + " " + rs->field("xm").toText() : xsid;
}

}  // namespace

bool frmJmBachList::secondReductionsConfirmed(Connection& cn, const std::vector<Group>& groups) {
    std::vector<jmjl::BatchItem> asked;
    for (const Group& g : groups)
        for (const clsJMmx& m : g.items) asked.push_back({g.xsid, m.strXmid(), m.strXmmc(), m.strQFYF()});
    const auto earlier = jmjl::earlierReductions(cn, gRun(), asked);
    if (earlier.empty()) return true;
    gMclose();
    const bool yes = frmMsg::ask("请确认！", jmjl::secondReductionQuestion(earlier, [&](const std::string& id) {
                                     return studentText(cn, id);
                                 })) == 1;
    gMOpen();
    return yes;
}

void frmJmBachList::cmdALL_Click() {
    txtWrite.setVisible(false);
    // An amount the posting would not write as typed (1.005, text) is
    // refused here, never rounded into another one.
    if (const std::string bad = jmjl::amountRefusal("全部项目", txtJmje.text()); !bad.empty()) {
        msgBox(bad, MsgButtons::OK, MsgIcon::Exclamation, "警告！");
        return;
    }
    // Shown as the amount it is: 12.50 as 12.5.
    const std::string amount = leadingNumber(txtJmje.text()).plainText();
    for (int i = 1; i <= lvw1.itemCount(); ++i)
        if (!isSubtotal(lvw1.item(i))) lvw1.item(i).setSubItem(7, amount);
}

void frmJmBachList::cmdCancelSelect_Click() {
    txtWrite.setVisible(false);
    for (int i = 1; i <= lvw1.itemCount(); ++i)
        if (!isSubtotal(lvw1.item(i))) lvw1.item(i).setSubItem(7, lvw1.item(i).subItem(6));
}

void frmJmBachList::cmdAllSelect_Click() {
    txtWrite.setVisible(false);
    for (int i = 1; i <= lvw1.itemCount(); ++i) lvw1.item(i).setSubItem(7, "");
}

void frmJmBachList::txtWrite_Change() {
    // A plain amount shows as money; anything else stays as typed, for the
    // posting to refuse naming its row.
    // The exact rest of a row that owes part of a cent stays as typed too.
    const std::string typed = trimSpaces(txtWrite.text());
    if (ListItem* item = lvw1.selectedItem())
        item->setSubItem(7, jmjl::amountRefusal({}, typed).empty() && !typed.empty() ? leadingNumber(typed).format00()
                                                                                      : typed);
}

bool frmJmBachList::readyToPost() {
    if (!PostingProgress::mayStart()) return false;
    if (lvw1.itemCount() == 0) {
        msgBox("无记录！", MsgButtons::OK, MsgIcon::Information, "警告！");
        return false;
    }
    txtWrite.setVisible(false);
    // The cross-tab lists fee records, not what is owed: it has no column
    // for the amounts to reduce, so there is nothing it could post.
    if (lvw1.columnIndexByText("本次减免金额") != ColReduce) {
        msgBox(std::string("交叉表只用于查看，不能在这里减免。") + batch::CRLF +
                   "请取消勾选“显示金额为零的学生与项目”后查询应收明细，在【本次减免金额】列中录入减免金额，再点【批量减免】。",
               MsgButtons::OK, MsgIcon::Information, "警告！");
        return false;
    }
    if (gRun().ptrim(txtJmyy.text()).empty()) {
        msgBox("请输入减免原因！", MsgButtons::OK, MsgIcon::None, "警告！");
        return false;
    }
    // Every amount typed must be one the posting writes as typed, and some
    // must be above zero: a batch that writes nothing says so.
    bool any = false;
    for (int i = 1; i <= lvw1.itemCount(); ++i) {
        const ListItem& row = lvw1.item(i);
        if (isSubtotal(row)) continue;
        const std::string typed = trimSpaces(row.subItem(7));
        if (const std::string bad = jmjl::amountRefusal(trimSpaces(row.subItem(5)), typed, leadingNumber(row.subItem(6)));
            !bad.empty()) {
            msgBox(trimSpaces(row.subItem(1) + " " + row.subItem(2)) + "：" + bad, MsgButtons::OK,
                   MsgIcon::Exclamation, "警告！");
            return false;
        }
        any = any || leadingNumber(typed) > Currency();
    }
    if (!any) {
        msgBox("没有录入大于零的减免金额，本次没有减免。请在【本次减免金额】列中录入。", MsgButtons::OK,
               MsgIcon::Exclamation, "警告！");
        return false;
    }
    return true;
}

void frmJmBachList::cmdJMok_Click() {
    if (refusedRight(gRun(), rights::Batches, rights::Post)) return;
    if (crediting() && refusedRight(gRun(), rights::PaidCredits, rights::Post)) return;
    if (!readyToPost()) return;
    if (msgBox("确定减免吗？", MsgButtons::YesNo, MsgIcon::Question, "警告！") == MsgAnswer::No) return;
    if (crediting()) postCredits(nullptr);
    else post(nullptr);
}

bool frmJmBachList::gatherGroups(myDB& session, std::string& T, std::vector<Group>& groups) {
    HostSystem& run = gRun();
    const bool sqlServer = isSqlServer(run.SQL_access());
    Connection& cn = *session.cn();
    // Steps before the transaction only fill the work table.
    try {
        if (sqlServer) {
            T = run.getTmpTableName("JM");
            cn.execute(batch::postingTableCreate(T));
        } else {
            T = "tmpYSMxb";
            cn.execute(batch::postingTableEmpty(T));
        }
        for (int i = 1; i <= lvw1.itemCount(); ++i) {
            const ListItem& row = lvw1.item(i);
            const std::vector<std::string> key = splitKey(row.key());
            // readyToPost refused every amount that is no plain one.
            if (leadingNumber(row.subItem(7)) <= Currency()) continue;
            if (key.size() < 4 || key[1].empty()) continue;
            cn.execute(batch::postingRowInsert(T, key[0].substr(1), key[1], key[3], leadingNumber(row.subItem(6)),
                                               leadingNumber(row.subItem(7))));
        }
        // One-off rows are dated on the first day of the open month; with
        // every month carried over there is none, and an empty text is no
        // date on any engine (the server will not even read it).
        const std::string openMonthStart = run.currentYfFromDate();
        if (!openMonthStart.empty()) {
            cn.execute(batch::oneOffDates(T, openMonthStart));
        } else if (cn.execute("select count(*) from " + T + " where sfyf='一次性'")->field(std::size_t{0}).toInt() > 0) {
            msgBox(batch::kUndatedPeriod, MsgButtons::OK, MsgIcon::Information, "警告！");
            throw UnresolvedPeriod{};
        }
        clsYF yf;
        for (int jflx : {3, 0, 2}) {
            for (RecordsetPtr rs = cn.execute(batch::periodsOfKind(T, jflx)); rs && !rs->eof(); rs->moveNext()) {
                const std::string P = rs->field("sfyf").toText();
                std::string from, to;
                if (jflx == 3) yf.initdateYF(P), from = yf.strYfFromDate(), to = yf.strYfTodate();
                else if (jflx == 0) yf.initDateTerm(P), from = yf.strTermFromDate(), to = yf.strTermToDate();
                else yf.initDateYear(P), from = yf.strYearFromDate(), to = yf.strYearToDate();
                if (from.empty()) throw UnresolvedPeriod{};
                cn.execute(batch::periodDates(jflx, T, from, to, P));
            }
        }

        std::map<std::string, std::string> itemNames;
        for (RecordsetPtr rs = cn.execute("select id,mc from kdw_sfxm"); rs && !rs->eof(); rs->moveNext())
            itemNames[rs->field("id").toText()] = rs->field("mc").toText();
        for (RecordsetPtr g = cn.execute(batch::postingGroups(T)); g && !g->eof(); g->moveNext()) {
            Group group{g->field("xsid").toText(), g->field("sfyf").toText(), g->field("termfrom").toText(),
                        g->field("bjmc").toText(), g->field("sflxid").toText(), g->field("jmhj").toCurrency(), {}};
            for (RecordsetPtr rs = cn.execute(batch::groupItems(sqlServer, T, group.xsid, group.sfyf, group.termfrom));
                 rs && !rs->eof(); rs->moveNext()) {
                clsJMmx m;
                m.set_sngJMje(rs->field("jmje").toCurrency());
                m.set_sngYsje(rs->field("ysje").toCurrency());
                m.set_str_FeeTermName(rs->field("feetermname").toText());
                m.set_strQFYF(rs->field("sfyf").toText());
                m.set_strXmid(rs->field("sfxmid").toText());
                m.set_strXmmc(itemNames[m.strXmid()]);
                group.items.push_back(std::move(m));
            }
            groups.push_back(std::move(group));
        }
        return true;
    } catch (const UnresolvedPeriod&) {
        dropWorkTable(cn, T);
    } catch (const std::exception& e) {
        // The reason is the clerk's to read (a full disk, a lock held past
        // the wait): the work table is all that was written, nothing booked.
        gMclose();
        const auto* db = dynamic_cast<const DbError*>(&e);
        msgBox(std::string("操作失败！") + batch::CRLF + (db ? db->description() : std::string(dbtext::Other)),
               MsgButtons::OK, MsgIcon::Information, "警告");
    }
    gMclose();
    return false;
}

void frmJmBachList::fillPoster(clsJMhead& head, const Group& g) {
    head.set_c_Jmhj(g.jmhj);
    head.set_myGrun(globals().host);
    head.set_str_bjmc(g.bjmc);
    head.set_str_Jmrq(g.termfrom);
    head.set_str_JMYY(trimSpaces(txtJmyy.text()));  // as typed: the poster quotes it once
    head.set_str_Sflxid(g.sflxid);
    head.set_STR_xsid(g.xsid);
    head.set_colMX(g.items);
    // Each item's receivable is what the list showed owed.
    std::map<std::string, Currency> shown;
    for (const clsJMmx& m : g.items) shown[jmjl::idKey(m.strXmid())] += m.sngYsje();
    head.setOwedShown(std::move(shown));
}

void frmJmBachList::cmdPreview_Click() {
    if (refusedRight(gRun(), rights::Batches, rights::Post)) return;
    if (crediting() && refusedRight(gRun(), rights::PaidCredits, rights::Post)) return;
    if (!readyToPost()) return;
    if (crediting()) return previewCredits();
    gMOpen();
    myDB session;
    std::string T;
    std::vector<Group> groups;
    if (!gatherGroups(session, T, groups)) return;
    // What each group will write, read from the books as they stand.
    std::map<std::string, plan::Plan> seen;
    plan::Plan whole;
    whole.summary.captions = clsJMhead::lineCaptions();
    std::set<std::string> students, refused;
    Currency total;
    const bool planned = planOverWorkTable(*session.cn(), T, [&] {
        clsJMhead head;
        for (const Group& g : groups) {
            fillPoster(head, g);
            plan::Draws preview;
            const plan::Plan& p = seen[groupKey(g)] = head.planJm(*session.cn(), preview);
            whole.append(p);
            students.insert(g.xsid);
            if (p.refused()) refused.insert(g.xsid);
            else total += g.jmhj;
        }
    });
    if (!planned) return;

    frmPlanPreview::Request request;
    request.caption = "批量减免预览";
    request.heading = "按应收明细批量减免（减免原因：" + trimSpaces(txtJmyy.text()) + "）";
    request.confirmCaption = "确定减免";
    request.totals = "学生 " + std::to_string(students.size()) + " 人，减免 " + std::to_string(groups.size()) +
                     " 笔，合计 " + total.format00() +
                     (refused.empty() ? std::string() : "，" + std::to_string(refused.size()) + " 人不能减免，整批不会记账");
    switch (frmPlanPreview::show(request, whole)) {
        case frmPlanPreview::Confirm: break;
        // Another clerk's posting changed what the list shows: it is read
        // again with the same conditions, and the clerk enters anew.
        case frmPlanPreview::Refresh: return lastWasCrossTab_ ? CMDfindNew() : CMDfindDataNew(lastWhere_);
        default: return;
    }
    if (msgBox("确定减免吗？", MsgButtons::YesNo, MsgIcon::Question, "警告！") == MsgAnswer::No) return;
    post(&seen);
}

void frmJmBachList::post(const std::map<std::string, plan::Plan>* seen) {
    gMOpen();
    myDB session;
    Connection& cn = *session.cn();
    std::string T;
    std::vector<Group> groups;
    if (!gatherGroups(session, T, groups)) return;
    try {
        if (!secondReductionsConfirmed(cn, groups)) {
            dropWorkTable(cn, T);
            gMclose();
            return;
        }
    } catch (const std::exception& e) {
        dropWorkTable(cn, T);
        gMclose();
        msgBox(std::string("操作失败！") + batch::CRLF + e.what(), MsgButtons::OK, MsgIcon::None, "警告！");
        return;
    }

    clsJMhead head;
    std::string failedStudent;
    std::vector<std::string> refused;
    try {
        session.createTrcn();
        Connection& trCn = *session.trCn();
        Transaction tx(trCn);
        PostingProgress progress("正在记账减免…", static_cast<long>(groups.size()), &cmdJMok);
        head.set_myGrun(globals().host);
        head.drawInBlocks(static_cast<long>(groups.size()));
        std::vector<std::string> ids;
        std::set<std::string> periods;
        for (const Group& g : groups) {
            ids.push_back(g.xsid);
            for (const clsJMmx& m : g.items) periods.insert(m.strQFYF());
        }
        head.readAhead(std::move(ids), std::move(periods));
        for (const Group& g : groups) {
            failedStudent = g.xsid;
            fillPoster(head, g);
            // What the clerk was shown for the group (none: a group the
            // preview did not show, whose every row is new to it).
            static const plan::Plan unseen;
            const plan::Plan* shown = nullptr;
            if (seen) shown = seen->count(groupKey(g)) ? &seen->at(groupKey(g)) : &unseen;
            // A refused group wrote nothing: the rest are still checked, so
            // the clerk learns of all of them at once.
            try {
                head.toJm(trCn, shown);
            } catch (const jmjl::ReductionRefused& r) {
                refused.push_back(studentText(cn, g.xsid) + "：" + r.description());
            }
            progress.step();
        }
        if (refused.empty()) tx.commit();
    } catch (const std::exception& e) {
        // Leaving the block rolled the whole batch back.
        gMclose();
        std::string item;
        for (const clsJMmx& m : head.colMX())
            if (m.sngJMje() > m.sngYsje()) item = m.strXmmc();
        const std::string who = failedStudent.empty() ? std::string() : batch::stoppedAt(studentText(cn, failedStudent), item);
        dropWorkTable(cn, T);
        msgBox(std::string("操作失败！") + batch::CRLF + e.what() + who, MsgButtons::OK, MsgIcon::None, "警告！");
        return;
    }
    // The work table has served its posting.
    dropWorkTable(cn, T);
    if (!refused.empty()) {
        gMclose();
        msgBox(std::string("操作失败！") + batch::CRLF + batch::refusedPostings(refused), MsgButtons::OK, MsgIcon::None,
               "警告！");
        return;
    }
    lvw1.clearItems();
    gMclose();
    msgBox("操作成功！", MsgButtons::OK, MsgIcon::None, "警告！");
}

std::vector<jmjl::CreditRequest> frmJmBachList::creditRequests(const std::vector<Group>& groups) {
    std::vector<jmjl::CreditRequest> requests;
    const std::string month = gRun().CurrentYf(), reason = trimSpaces(txtJmyy.text());
    for (const Group& g : groups) {
        jmjl::CreditRequest r{g.xsid, g.sflxid, trimSpaces(g.bjmc), g.termfrom.substr(0, 10), month, reason, {}};
        for (const clsJMmx& m : g.items)
            r.items.push_back({m.strXmid(), m.strXmmc(), m.sngJMje(), m.str_FeeTermName()});
        r.oncePerPeriod = true;
        requests.push_back(std::move(r));
    }
    return requests;
}

void frmJmBachList::previewCredits() {
    gMOpen();
    myDB session;
    std::string T;
    std::vector<Group> groups;
    if (!gatherGroups(session, T, groups)) return;
    const std::vector<jmjl::CreditRequest> requests = creditRequests(groups);
    std::vector<plan::Plan> seen;
    if (!planOverWorkTable(*session.cn(), T, [&] { seen = jmjl::previewCredits(*session.cn(), gRun(), requests); }))
        return;
    plan::Plan whole;
    whole.summary.captions = jmjl::creditLineCaptions();
    std::set<std::string> students, refused;
    Currency total;
    for (std::size_t i = 0; i < seen.size(); ++i) {
        whole.append(seen[i]);
        students.insert(groups[i].xsid);
        if (seen[i].refused()) refused.insert(groups[i].xsid);
        else total += groups[i].jmhj;
    }
    frmPlanPreview::Request request;
    request.caption = "批量减免预览";
    request.heading = "已缴费用的减免转入预收款（减免原因：" + trimSpaces(txtJmyy.text()) + "）";
    request.confirmCaption = "确定减免";
    request.totals = "学生 " + std::to_string(students.size()) + " 人，减免 " + std::to_string(groups.size()) +
                     " 笔，转入预收款合计 " + total.format00() +
                     (refused.empty() ? std::string() : "，" + std::to_string(refused.size()) + " 人不能减免，整批不会记账");
    if (frmPlanPreview::show(request, whole) != frmPlanPreview::Confirm) return;
    if (msgBox("确定减免吗？", MsgButtons::YesNo, MsgIcon::Question, "警告！") == MsgAnswer::No) return;
    postCredits(&seen);
}

void frmJmBachList::postCredits(const std::vector<plan::Plan>* seen) {
    gMOpen();
    myDB session;
    Connection& cn = *session.cn();
    std::string T;
    std::vector<Group> groups;
    if (!gatherGroups(session, T, groups)) return;
    dropWorkTable(cn, T);
    std::vector<std::string> refusals;
    try {
        PostingProgress progress("正在记账减免…", static_cast<long>(groups.size()), &cmdJMok);
        refusals = jmjl::postCredits(gRun(), creditRequests(groups), seen, [&progress] { progress.step(); });
    } catch (const std::exception& e) {
        // The whole batch rolled back.
        gMclose();
        const auto* db = dynamic_cast<const DbError*>(&e);
        msgBox(std::string("操作失败！") + batch::CRLF + (db ? db->description() : std::string(e.what())),
               MsgButtons::OK, MsgIcon::None, "警告！");
        return;
    }
    std::vector<std::string> refused;
    for (std::size_t i = 0; i < refusals.size() && i < groups.size(); ++i)
        if (!refusals[i].empty()) refused.push_back(studentText(cn, groups[i].xsid) + "：" + refusals[i]);
    gMclose();
    if (!refused.empty()) {
        msgBox(std::string("操作失败！") + batch::CRLF + batch::refusedPostings(refused), MsgButtons::OK, MsgIcon::None,
               "警告！");
        return;
    }
    lvw1.clearItems();
    msgBox("操作成功！", MsgButtons::OK, MsgIcon::None, "警告！");
}

}  // namespace fo
