#include "batch/frmBachJM_next.h"

#include "batch/BatchStatements.h"
#include "batch/clsJMhead.h"
#include "batch/frmBachJM.h"
#include "batch/frmJmBachList.h"
#include "db/DbError.h"
#include "db/Connection.h"
#include "host/api/MessageService.h"
#include "host/api/ModuleGlobals.h"
#include "reduction/EarlierReductions.h"
#include "reduction/ReductionChecks.h"
#include "ui/FormInstance.h"
#include "ui/RightsCheck.h"
#include "ui/lists/TrimSpaces.h"
#include "ui/frmMsg.h"
#include "ui/PostingProgress.h"
#include "ui/frmPlanPreview.h"
#include "ui/lists/mdl1.h"

namespace fo {
namespace {

// A connection of its own on the module's link string, as the grid's read
// must not wait on a posting.
ConnectionPtr moduleConnection() { return openConnection(moduleLinkString()); }

}  // namespace

frmBachJM_next::frmBachJM_next() : Form("frmBachJM_next") {
    setCaption("批量减免");
    resize(10200, 7200);
    static const char* const captions[] = {"学期", "一次性", "年度", "月份"};
    for (int i = 0; i < 4; ++i) {
        optRQ[i].setCaption(captions[i]);
        optRQ[i].move(120 + i * 1100, 120, 1000, 300);
        optRQ[i].Click = [this, i] { optRQ_Click(i); };
    }
    LBLyf.move(120, 540, 1500, 300);
    cmbYF.move(1620, 510, 1800, 300);
    cmbYF.setStyle(ComboBox::Style::DropDownList);
    lblSflx.move(3600, 540, 900, 300);
    CMB_sflx.move(4500, 510, 1800, 300);
    CMB_sflx.setStyle(ComboBox::Style::DropDownList);
    lblJmrq.move(6500, 540, 900, 300);
    DTP_jmrq.move(7400, 510, 1500, 300);
    MSFlexGrid1.move(120, 960, 9840, 4200);
    Txt_write.setVisible(false);
    lblJmhjCaption.move(6500, 5280, 1000, 300);
    Lbl_jmhj.move(7500, 5280, 1000, 300);
    Lbl_jmhj.setVisible(false);
    lblSumProject.move(8500, 5280, 1400, 300);
    lblSumProject.setAlignment(Alignment::Right);
    lblJmyy.move(120, 5700, 1000, 300);
    txtJMYY.move(1120, 5670, 8840, 300);
    cmd_ok.move(5400, 6200, 1100, 375);
    Cmd_exit.move(6600, 6200, 1100, 375);
    cmdReset.move(120, 6200, 2300, 375);
    Command1.move(2520, 6200, 1800, 375);
    cmdPreview.move(4300, 6200, 1000, 375);
    chkCreditPaid.move(120, 5280, 3000, 300);

    cmbYF.Click = [this] { ShowSFLX(); };
    CMB_sflx.Click = [this] { ShowSFLX(); };
    txtJMYY.KeyPress = [](int& k) { EnterToTab(k); };
    itemGrid_.connect();
    cmd_ok.Click = [this] { cmd_ok_Click(); };
    cmdPreview.Click = [this] { cmdPreview_Click(); };
    chkCreditPaid.Click = [this] { chkCreditPaid_Click(); };
    Cmd_exit.Click = [this] { unload(); };
    cmdReset.Click = [this] { cmdReset_Click(); };
    Command1.Click = [] { formInstance<frmJmBachList>()->showModal(); };

    using namespace layout;
    setLayout(column({
        row({ctl(optRQ[0]), ctl(optRQ[1]), ctl(optRQ[2]), ctl(optRQ[3]), stretch()}),
        row({ctl(LBLyf), ctl(cmbYF), ctl(lblSflx), ctl(CMB_sflx), ctl(lblJmrq), ctl(DTP_jmrq), stretch()}),
        ctl(MSFlexGrid1),  // its editor Txt_write stands over the cell it edits, as the grid places it
        row({ctl(chkCreditPaid), stretch(), ctl(lblJmhjCaption), ctl(Lbl_jmhj), ctl(lblSumProject)}),
        row({ctl(lblJmyy), ctl(txtJMYY)}),
        row({ctl(cmdReset), ctl(Command1), stretch(), ctl(cmdPreview), ctl(cmd_ok), ctl(Cmd_exit)}),
    }));
}

int frmBachJM_next::kind() const { return static_cast<int>(Value(leadingNumber(cmbYF.tag())).toInt()); }

bool frmBachJM_next::mayOpen() { return !refusedRight(gRun(), rights::Batches, rights::View); }

void frmBachJM_next::Form_Load() {
    const bool mayPost = rights::has(gRun(), rights::Batches, rights::Post);
    cmd_ok.setEnabled(mayPost);
    cmdPreview.setEnabled(mayPost);
    chkCreditPaid.setEnabled(mayPost && rights::has(gRun(), rights::PaidCredits, rights::Post));
    yf_.set_comboYfList(&cmbYF);
    optRQ[KindMonth].setValue(true);  // lists the months and names the kind "月份"
    frmInit();
}

void frmBachJM_next::Form_Unload(int&) { yf_.set_comboYfList(nullptr); }

void frmBachJM_next::frmInit() {
    Txt_write.setVisible(false);
    txtJMYY.setText(readSettingsFile("\\DefaultUser.ini", "morkel", "jmyy"));
    setupGrid();
    showPeriodDate();
    CMB_sflx.Clear();
    ConnectionPtr cn = moduleConnection();
    addComboRows(CMB_sflx, cn->execute(batch::feeTypes()), "mc1", "ID");
}

void frmBachJM_next::optRQ_Click(int index) {
    cmbYF.setTag(std::to_string(index));
    LBLyf.setCaption(optRQ[index].caption());
    cmbYF.setEnabled(true);
    switch (index) {
        case KindTerm: yf_.initCombTermList(); break;
        case KindYear: yf_.initCombYearList(); break;
        case KindMonth: yf_.initCombYfList(); break;
        default:
            yf_.initCombYfList();
            cmbYF.setEnabled(false);
            cmbYF.Clear();
            break;
    }
    ShowSFLX();
}

void frmBachJM_next::ShowSFLX() {
    MSFlexGrid1.setRows(1);
    Txt_write.setVisible(false);
    if (cmbYF.enabled() && trimSpaces(cmbYF.text()).empty()) return;
    HostSystem& run = gRun();
    switch (kind()) {
        case KindTerm: yf_.initDateTerm(yf_.chosenTag()); break;
        case KindYear: yf_.initDateYear(yf_.chosenTag()); break;
        case KindMonth: yf_.initdateYF(yf_.chosenTag()); break;
        default:
            yf_.initdateYF(run.CurrentYf());
            cmbYF.setEnabled(false);
            cmbYF.Clear();
            break;
    }
    showPeriodDate();
    if (CMB_sflx.ListIndex() < 0) return;
    const std::string sflxid = std::to_string(CMB_sflx.ItemData(CMB_sflx.ListIndex()));
    ConnectionPtr cn = moduleConnection();
    RecordsetPtr items = cn->execute(batch::feeTypeItems(sflxid, std::to_string(kind())));
    const bool plainAmounts = settingOn("chkMrcqts");
    for (; items && !items->eof(); items->moveNext()) {
        std::string cells[ColCount];
        const Currency amount = items->field("金额").toCurrency();
        const Currency days = items->field("mrcqts").toCurrency();
        cells[ColName] = items->field("收费项目").toText();
        cells[ColPerDay] = items->field("cqts").toText();
        if (cells[ColPerDay] == "Y") {
            cells[ColJm] = (amount * days).format00();
            cells[ColRate] = amount.plainText();
        } else {
            cells[ColJm] = plainAmounts ? amount.plainText() : amount.format00();
        }
        cells[ColYs] = cells[ColJm];
        cells[ColItemId] = items->field("id").toText();
        cells[ColProjectId] = items->field("projectID_DF").toText();
        cells[ColDays] = days == Currency() ? std::string() : days.plainText();
        if (leadingNumber(cells[ColJm]) <= Currency()) continue;
        const int r = MSFlexGrid1.rows();
        MSFlexGrid1.setRows(r + 1);
        for (int c = 0; c <= ColYs; ++c) MSFlexGrid1.setTextMatrix(r, c, cells[c]);
        MSFlexGrid1.setTextMatrix(r, ColJm, "");  // the clerk starts with no reduction
    }
    items->close();

    const std::string firstDay = periodFirstDay();
    if (auto period = globals().feePeriod) period->setDdateFromYF(period->getYfFromDate(firstDay));
    std::string term;
    switch (kind()) {
        case KindTerm: term = yf_.strTermFromDate() + "  -  " + yf_.strTermToDate(); break;
        case KindYear: term = yf_.strYearFromDate() + "-" + yf_.strYearToDate(); break;
        case KindMonth: term = yf_.strYfFromDate() + "-" + yf_.strYfTodate(); break;
        default: term = "一次性收费"; break;
    }
    const std::string tag = periodTag();
    for (int r = 1; r < MSFlexGrid1.rows(); ++r) {
        MSFlexGrid1.setTextMatrix(r, ColTerm, term);
        MSFlexGrid1.setTextMatrix(r, ColQfyf, tag);
    }
    refreshOwed();
}

void frmBachJM_next::refreshOwed() {
    // The receivable column shows what is owed, or with the option what
    // may be credited.
    MSFlexGrid1.setTextMatrix(0, ColYs, crediting() ? "可转入预收款" : "应收金额");
    try {
        if (crediting()) showCreditable();
        else showOwed();
    } catch (const std::exception& e) {
        owedShown_.clear();
        msgBox(std::string("读取学生的欠费失败，请重新选择期间。") + batch::CRLF + e.what(), MsgButtons::OK,
               MsgIcon::Exclamation, "提示");
    }
    Sum_js();
}

void frmBachJM_next::showOwed() {
    owedShown_.clear();
    const std::string firstDay = periodFirstDay();
    if (MSFlexGrid1.rows() < 2 || !DateTime::parse(firstDay)) return;
    std::vector<std::string> students;
    for (const frmBachJM::Student& s : formInstance<frmBachJM>()->tickedStudents()) students.push_back(s.id);
    std::vector<jmjl::ReducedItem> items;
    for (int r = 1; r < MSFlexGrid1.rows(); ++r)
        items.push_back({trimSpaces(MSFlexGrid1.textMatrix(r, ColQfyf)), MSFlexGrid1.textMatrix(r, ColItemId),
                         MSFlexGrid1.textMatrix(r, ColName), Currency(), {}, {}});
    if (students.empty()) return;
    ConnectionPtr cn = moduleConnection();
    owedShown_ = jmjl::owedNow(*cn, gRun(), students, firstDay, items);
    for (int r = 1; r < MSFlexGrid1.rows(); ++r) {
        Currency most;
        const std::string item = jmjl::idKey(MSFlexGrid1.textMatrix(r, ColItemId));
        for (const auto& [key, owed] : owedShown_)
            if (key.second == item && owed > most) most = owed;
        MSFlexGrid1.setTextMatrix(r, ColYs, most.format00());
    }
}

std::map<std::string, Currency> frmBachJM_next::owedShownTo(const std::string& xsid) const {
    // The student's rows only: a batch asks this for each of its students.
    std::map<std::string, Currency> out;
    const std::string student = jmjl::idKey(xsid);
    for (auto it = owedShown_.lower_bound({student, {}}); it != owedShown_.end() && it->first.first == student; ++it)
        out[it->first.second] = it->second;
    return out;
}

bool frmBachJM_next::secondReductionsConfirmed(const std::vector<frmBachJM::Student>& students,
                                               const JMmxCollection& items) {
    std::vector<jmjl::BatchItem> asked;
    std::map<std::string, std::string> names;
    for (const frmBachJM::Student& s : students) {
        names[jmjl::idKey(s.id)] = s.number + " " + s.name;
        for (const clsJMmx& m : items) asked.push_back({s.id, m.strXmid(), m.strXmmc(), m.strQFYF()});
    }
    ConnectionPtr cn = moduleConnection();
    const auto earlier = jmjl::earlierReductions(*cn, gRun(), asked);
    if (earlier.empty()) return true;
    gMclose();
    const bool yes = frmMsg::ask("请确认！", jmjl::secondReductionQuestion(earlier, [&](const std::string& id) {
                                     return names[jmjl::idKey(id)];
                                 })) == 1;
    gMOpen();
    return yes;
}

// The reduction is dated on the period's first day: the clerk sees that date
// as soon as he picks the period, not only when he posts; today while none
// is picked.
void frmBachJM_next::showPeriodDate() {
    const bool picked = !cmbYF.enabled() || !trimSpaces(cmbYF.text()).empty();
    const auto first = picked ? DateTime::parse(periodFirstDay()) : std::nullopt;
    DTP_jmrq.setValue(first ? *first : DateTime::today());
}

std::string frmBachJM_next::periodFirstDay() const {
    switch (kind()) {
        case KindTerm: return yf_.strTermFromDate();
        case KindYear: return yf_.strYearFromDate();
        default: return yf_.strYfFromDate();
    }
}

// The key the arrears of the period are owed under: the month key, the term
// or year tag, or "一次性" for one-off items.
std::string frmBachJM_next::periodTag() const {
    switch (kind()) {
        case KindTerm: return yf_.strTermTag();
        case KindYear: return yf_.strYearTag();
        case KindMonth: return yf_.strYfTag();
        default: return "一次性";
    }
}

bool frmBachJM_next::CanAdd() {
    if (CMB_sflx.ListIndex() < 0) {
        msgBox("请您选择收费类型！", MsgButtons::OK, MsgIcon::Exclamation, "警告");
        return false;
    }
    if (trimSpaces(txtJMYY.text()).empty()) {
        txtJMYY.SetFocus();
        msgBox("请输入减免原因！", MsgButtons::OK, MsgIcon::Information, "警告！");
        return false;
    }
    // A pasted amount is not filtered by the keys.
    if (const std::string refusal = itemGrid_.amountRefusal(); !refusal.empty()) {
        msgBox(refusal, MsgButtons::OK, MsgIcon::Exclamation, "警告");
        return false;
    }
    if (leadingNumber(lblSumProject.caption()) == Currency()) {
        msgBox("本次减免无效。原因：减免合计为０", MsgButtons::OK, MsgIcon::Exclamation, "警告");
        return false;
    }
    return true;
}

bool frmBachJM_next::ready(std::string& jmrq) {
    if (cmbYF.enabled() && trimSpaces(cmbYF.text()).empty()) {
        msgBox("请选择【月份/学期/年度:】", MsgButtons::OK, MsgIcon::Information, "警告！");
        return false;
    }
    if (!CanAdd()) return false;
    // No student ticked is no reduction, whatever the grid says.
    if (formInstance<frmBachJM>()->tickedStudents().empty()) {
        msgBox("没有勾选学生，本次没有减免。请在上一步勾选要减免的学生。", MsgButtons::OK, MsgIcon::Exclamation, "警告");
        return false;
    }
    jmrq = periodFirstDay();
    // No first day (a one-off reduction with every month carried over) is
    // no reduction date.
    const auto d = DateTime::parse(jmrq);
    if (!d) {
        msgBox(batch::kUndatedPeriod, MsgButtons::OK, MsgIcon::Information, "警告！");
        return false;
    }
    DTP_jmrq.setValue(*d);
    return true;
}

bool frmBachJM_next::confirmed() {
    const std::string question = "减免费用所属期: " + LBLyf.caption() + "-" + cmbYF.text() + "减免金额:" +
                                 Lbl_jmhj.caption() + batch::CRLF + batch::CRLF + "        确定减免吗？";
    return frmMsg::ask("请确认！", question) == 1;
}

void frmBachJM_next::cmd_ok_Click() {
    if (refusedRight(gRun(), rights::Batches, rights::Post)) return;
    if (crediting() && refusedRight(gRun(), rights::PaidCredits, rights::Post)) return;
    if (!PostingProgress::mayStart()) return;
    std::string jmrq;
    if (!ready(jmrq) || !confirmed()) return;
    if (crediting()) postCredits(jmrq, nullptr);
    else post(jmrq, nullptr);
}

void frmBachJM_next::cmdPreview_Click() {
    if (refusedRight(gRun(), rights::Batches, rights::Post)) return;
    if (!PostingProgress::mayStart()) return;
    if (crediting() && refusedRight(gRun(), rights::PaidCredits, rights::Post)) return;
    std::string jmrq;
    if (!ready(jmrq)) return;
    if (crediting()) return previewCredits(jmrq);
    JMmxCollection items;
    readItems(items, false);
    clsJMhead head = poster(jmrq, std::move(items));
    // What each ticked student's reduction will write, from the books as
    // they stand; posting from here writes exactly that.
    std::map<std::string, plan::Plan> seen;
    plan::Plan whole;
    int students = 0, refused = 0;
    Currency total;
    try {
        gMOpen();
        ConnectionPtr cn = moduleConnection();
        for (const frmBachJM::Student& s : formInstance<frmBachJM>()->tickedStudents()) {
            head.set_str_bjmc(s.className);
            head.set_STR_xsid(s.id);
            head.setOwedShown(owedShownTo(s.id));
            plan::Draws preview;
            const plan::Plan& p = seen[s.id] = head.planJm(*cn, preview);
            whole.append(p);
            ++students;
            if (p.refused()) ++refused;
            else total += head.c_Jmhj();
        }
        gMclose();
    } catch (const std::exception& e) {
        gMclose();
        msgBox(e.what(), MsgButtons::OK, MsgIcon::Exclamation, "提示");
        return;
    }
    if (whole.summary.captions.empty()) whole.summary.captions = clsJMhead::lineCaptions();
    frmPlanPreview::Request request;
    request.caption = "批量减免预览";
    request.heading = "减免费用所属期: " + LBLyf.caption() + "-" + cmbYF.text() + "，收费类型: " + CMB_sflx.text();
    request.confirmCaption = "确定减免";
    request.totals = "学生 " + std::to_string(students) + " 人，减免合计 " + total.format00() +
                     (refused ? "，" + std::to_string(refused) + " 人不能减免，整批不会记账" : std::string());
    switch (frmPlanPreview::show(request, whole)) {
        case frmPlanPreview::Confirm: break;
        // Another clerk's posting changed what the students owe: the owed
        // amounts are read again, the amounts typed stay for a new preview.
        case frmPlanPreview::Refresh: return refreshOwed();
        default: return;
    }
    if (!confirmed()) return;
    post(jmrq, &seen);
}

bool frmBachJM_next::readItems(JMmxCollection& items, bool warn) {
    for (int r = 1; r < MSFlexGrid1.rows(); ++r) {
        const Currency jm = leadingNumber(MSFlexGrid1.textMatrix(r, ColJm));
        if (jm == Currency()) continue;
        clsJMmx m;
        m.set_sngYsje(leadingNumber(MSFlexGrid1.textMatrix(r, ColYs)));
        m.set_sngJMje(jm);
        if (warn && m.sngJMje() > m.sngYsje()) {
            const std::string cap = crediting() ? "可转入预收款" : "应收金额";
            msgBox(std::string("收费项目[") + MSFlexGrid1.textMatrix(r, ColName) + "]" + batch::CRLF + cap + "：" +
                       m.sngYsje().plainText() + batch::CRLF + batch::CRLF + "减免金额不能大于" + cap,
                   MsgButtons::OK, MsgIcon::Information, "警告！");
            return false;
        }
        m.set_strXmid(MSFlexGrid1.textMatrix(r, ColItemId));
        m.set_sngJMje(jm.roundHalfEven(2));
        m.set_str_FeeTermName(trimSpaces(MSFlexGrid1.textMatrix(r, ColTerm)));
        m.set_lngCqts(static_cast<std::int32_t>(Value(leadingNumber(MSFlexGrid1.textMatrix(r, ColDays))).toInt()));
        m.set_strXmmc(trimSpaces(MSFlexGrid1.textMatrix(r, ColName)));
        m.set_strQFYF(trimSpaces(MSFlexGrid1.textMatrix(r, ColQfyf)));
        items.push_back(std::move(m));
    }
    return true;
}

clsJMhead frmBachJM_next::poster(const std::string& jmrq, JMmxCollection items) {
    clsJMhead head;
    head.set_c_Jmhj(leadingNumber(Lbl_jmhj.caption()));
    head.set_myGrun(globals().host);
    head.set_str_Jmrq(jmrq);
    head.set_str_JMYY(trimSpaces(txtJMYY.text()));  // as typed: the poster quotes it once
    head.set_str_Sflxid(std::to_string(CMB_sflx.ItemData(CMB_sflx.ListIndex())));
    head.set_colMX(std::move(items));
    return head;
}

void frmBachJM_next::post(const std::string& jmrq, const std::map<std::string, plan::Plan>* seen) {
    HostSystem& run = gRun();
    gMOpen();
    JMmxCollection items;
    if (!readItems(items, true)) {
        gMclose();
        return;
    }
    const std::vector<frmBachJM::Student> students = formInstance<frmBachJM>()->tickedStudents();
    try {
        if (!secondReductionsConfirmed(students, items)) {
            gMclose();
            return;
        }
    } catch (const std::exception& e) {
        gMclose();
        msgBox(std::string("操作失败！") + batch::CRLF + e.what(), MsgButtons::OK, MsgIcon::Exclamation, "提示");
        return;
    }
    clsJMhead head = poster(jmrq, std::move(items));
    ConnectionPtr trCn = run.pgettrcn();

    std::string current;  // the student being posted, for the failure message
    std::vector<std::string> refused;
    try {
        Transaction tx(*trCn);
        PostingProgress progress("正在为 " + std::to_string(students.size()) + " 名学生记账减免…",
                                 static_cast<long>(students.size()), &cmd_ok);
        head.drawInBlocks(static_cast<long>(students.size()));
        std::vector<std::string> ids;
        ids.reserve(students.size());
        for (const frmBachJM::Student& s : students) ids.push_back(s.id);
        std::set<std::string> periods;
        for (const clsJMmx& m : head.colMX()) periods.insert(m.strQFYF());
        head.readAhead(std::move(ids), std::move(periods));
        for (const frmBachJM::Student& s : students) {
            current = s.number + " " + s.name;
            head.set_str_bjmc(s.className);
            head.set_STR_xsid(s.id);
            head.setOwedShown(owedShownTo(s.id));
            // What the clerk was shown for him (none: a student the preview
            // did not show, whose every row is new to it).
            static const plan::Plan unseen;
            const plan::Plan* shown = nullptr;
            if (seen) shown = seen->count(s.id) ? &seen->at(s.id) : &unseen;
            // A refused student wrote nothing: the others are still checked,
            // so the clerk learns of all of them at once.
            try {
                head.toJm(*trCn, shown);
            } catch (const jmjl::ReductionRefused& r) {
                refused.push_back(current + "：" + r.description());
            }
            progress.step();
        }
        if (refused.empty()) tx.commit();
    } catch (const std::exception& e) {
        // The transaction rolled back on the way out: no student keeps a row.
        gMclose();
        trCn->close();
        std::string item;
        for (const clsJMmx& m : head.colMX())
            if (m.sngJMje() > m.sngYsje()) item = m.strXmmc();
        msgBox(e.what() + (current.empty() ? std::string() : batch::stoppedAt(current, item)), MsgButtons::OK,
               MsgIcon::Exclamation, "提示");
        return;
    }
    trCn->close();
    gMclose();
    if (!refused.empty()) {
        msgBox(batch::refusedPostings(refused), MsgButtons::OK, MsgIcon::Exclamation, "提示");
        return;
    }
    // What they owe now, after this posting, is what the step shows.
    try {
        showOwed();
    } catch (const std::exception&) {
        owedShown_.clear();
    }
    msgBox(std::string("操作成功！") + batch::CRLF + "减免金额：" + lblSumProject.caption(), MsgButtons::OK,
           MsgIcon::Information, "提示");
}

}  // namespace fo
