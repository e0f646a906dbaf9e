// Amounts to reduce on the receivables list and the posting: the chosen rows
// go to a work table, get their period's dates and name, and are posted as
// one reduction per student, period and period start, the whole batch in
// one transaction.
#include <map>
#include <vector>

#include "batch/BatchStatements.h"
#include "batch/clsJMhead.h"
#include "batch/clsYF.h"
#include "batch/frmJmBachList.h"
#include "data/Dialect.h"
#include "host/api/MessageService.h"
#include "host/api/ModuleGlobals.h"
#include "reduction/ReductionChecks.h"
#include "ui/TrimSpaces.h"
#include "ui/PostingProgress.h"
#include "ui/mdl1.h"

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

// Who a failed group belonged to, for the clerk.
std::string studentText(Connection& cn, const std::string& xsid) {
    RecordsetPtr rs = cn.execute("select xh,xm from kdw_xs where id=" + std::to_string(Value(leadingNumber(xsid)).toInt()));
    return rs && !rs->eof() ? rs->field("xh").toText() + " " + rs->field("xm").toText() : xsid;
}

}  // namespace

void frmJmBachList::cmdALL_Click() {
    txtWrite.setVisible(false);
    const std::string amount = leadingNumber(txtJmje.text()).format00();
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
    if (ListItem* item = lvw1.selectedItem()) item->setSubItem(7, leadingNumber(txtWrite.text()).format00());
}

void frmJmBachList::cmdJMok_Click() {
    if (!PostingProgress::mayStart()) return;
    if (lvw1.itemCount() == 0) {
        msgBox("无记录！", MsgButtons::OK, MsgIcon::Information, "警告！");
        return;
    }
    txtWrite.setVisible(false);
    // The cross-tab lists fee records, not what is owed: it has no column
    // for the amounts to reduce, so there is nothing it could post.
    if (lvw1.columnIndexByText("本次减免金额") != ColReduce) {
        msgBox(std::string("交叉表只用于查看，不能在这里减免。") + batch::CRLF +
                   "请取消勾选“显示金额为零的学生与项目”后查询应收明细，在【本次减免金额】列中录入减免金额，再点【批量减免】。",
               MsgButtons::OK, MsgIcon::Information, "警告！");
        return;
    }
    HostSystem& run = gRun();
    if (run.ptrim(txtJmyy.text()).empty()) {
        msgBox("请输入减免原因！", MsgButtons::OK, MsgIcon::None, "警告！");
        return;
    }
    if (msgBox("确定减免吗？", MsgButtons::YesNo, MsgIcon::Question, "警告！") == MsgAnswer::No) return;
    gMOpen();

    const bool sqlServer = isSqlServer(run.SQL_access());
    myDB session;
    Connection& cn = *session.cn();
    std::string T;
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
            if (leadingNumber(row.subItem(7)) <= Currency()) continue;
            const std::vector<std::string> key = splitKey(row.key());
            if (key.size() < 4 || key[1].empty()) continue;
            cn.execute(batch::postingRowInsert(T, key[0].substr(1), key[1], key[3], leadingNumber(row.subItem(6)),
                                               leadingNumber(row.subItem(7))));
        }
        cn.execute(batch::oneOffDates(T, run.currentYfFromDate()));
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
    } catch (const UnresolvedPeriod&) {
        if (sqlServer && !T.empty()) cn.execute("drop table " + T);
        gMclose();
        return;
    } catch (const std::exception&) {
        gMclose();
        msgBox("操作失败！", MsgButtons::OK, MsgIcon::Information, "警告");
        return;
    }

    std::map<std::string, std::string> itemNames;
    for (RecordsetPtr rs = cn.execute("select id,mc from kdw_sfxm"); rs && !rs->eof(); rs->moveNext())
        itemNames[rs->field("id").toText()] = rs->field("mc").toText();

    clsJMhead head;
    std::string failedStudent;
    std::vector<std::string> refused;
    try {
        session.createTrcn();
        Connection& trCn = *session.trCn();
        Transaction tx(trCn);
        RecordsetPtr groups = cn.execute(batch::postingGroups(T));
        PostingProgress progress("正在记账减免…", groups ? groups->recordCount() : 0, &cmdJMok);
        for (; groups && !groups->eof(); groups->moveNext()) {
            const std::string xsid = groups->field("xsid").toText(), sfyf = groups->field("sfyf").toText();
            const std::string termfrom = groups->field("termfrom").toText();
            failedStudent = xsid;
            head.set_c_Jmhj(groups->field("jmhj").toCurrency());
            head.set_myGrun(globals().host);
            head.set_str_bjmc(groups->field("bjmc").toText());
            head.set_str_Jmrq(termfrom);
            head.set_str_JMYY(trimSpaces(txtJmyy.text()));  // as typed: the poster quotes it once
            head.set_str_Sflxid(groups->field("sflxid").toText());
            head.set_STR_xsid(xsid);
            JMmxCollection items;
            for (RecordsetPtr rs = cn.execute(batch::groupItems(sqlServer, T, xsid, sfyf, termfrom)); rs && !rs->eof();
                 rs->moveNext()) {
                clsJMmx m;
                m.set_sngJMje(rs->field("jmje").toCurrency());
                m.set_sngYsje(rs->field("ysje").toCurrency());
                m.set_str_FeeTermName(rs->field("feetermname").toText());
                m.set_strQFYF(rs->field("sfyf").toText());
                m.set_strXmid(rs->field("sfxmid").toText());
                m.set_strXmmc(itemNames[m.strXmid()]);
                items.push_back(std::move(m));
            }
            head.set_colMX(std::move(items));
            // A refused group wrote nothing: the rest are still checked, so
            // the clerk learns of all of them at once.
            try {
                head.toJm(trCn);
            } catch (const jmjl::ReductionRefused& r) {
                refused.push_back(studentText(cn, xsid) + "：" + r.description());
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
        if (sqlServer) cn.execute("drop table " + T);
        msgBox(std::string("操作失败！") + batch::CRLF + e.what() + who, MsgButtons::OK, MsgIcon::None, "警告！");
        return;
    }
    // The work table has served its posting.
    if (sqlServer) cn.execute("drop table " + T);
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

}  // namespace fo
