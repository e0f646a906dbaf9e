#include "batch/clsJMhead.h"

#include <algorithm>

#include "batch/CounterBlocks.h"
#include "batch/ReductionStatements.h"
#include "data/BookNames.h"
#include "reduction/ArrearsOfStudents.h"
#include "reduction/ReductionPlan.h"
#include "db/DbError.h"
#include "host/api/MessageService.h"
#include "host/api/ModuleGlobals.h"
#include "reduction/ReductionChecks.h"
#include "ui/lists/TrimSpaces.h"

namespace fo {

clsJMhead::clsJMhead() = default;
clsJMhead::~clsJMhead() = default;
clsJMhead::clsJMhead(clsJMhead&&) noexcept = default;
clsJMhead& clsJMhead::operator=(clsJMhead&&) noexcept = default;

HostSystem& clsJMhead::host() const { return myGrun_ ? *myGrun_ : fo::gRun(); }

std::vector<std::string> clsJMhead::lineCaptions() {
    return {"学生", "班级", "所属期", "收费项目", "减免金额", "结清的欠费", "该项欠费", "剩余欠费"};
}

void clsJMhead::toJm(Connection& trCnn) { toJm(trCnn, nullptr); }

void clsJMhead::drawInBlocks(long records) {
    postingCallsLeft_ = std::max(records, 1L);
    blocks_ = std::make_shared<batch::CounterBlocks>(host(), records);
    prepared_ = std::make_shared<PreparedStatements>();
    visible_.reset();
    names_.reset();
    held_.reset();
}

void clsJMhead::readAhead(std::vector<std::string> students, std::set<std::string> periods) {
    aheadStudents_ = std::move(students);
    aheadPeriods_ = std::move(periods);
    held_.reset();
}

BookNames& clsJMhead::namesOn(Connection& cn, std::optional<BookNames>& own) {
    if (!blocks_) return own.emplace(cn);
    if (!names_ || &names_->connection() != &cn) {
        names_ = std::make_unique<BookNames>(cn, prepared_.get());
        if (describeRows_) names_->readStudents(aheadStudents_);
    }
    return *names_;
}

const jmjl::ArrearsOfStudents* clsJMhead::heldOn(Connection& cn) {
    if (!blocks_ || aheadStudents_.empty()) return nullptr;
    if (!held_) held_ = std::make_unique<jmjl::ArrearsOfStudents>();
    if (held_->connection() != &cn) held_->read(cn, aheadStudents_, aheadPeriods_, prepared_.get());
    return held_.get();
}

void clsJMhead::endPosting() {
    blocks_.reset();
    prepared_.reset();
    visible_.reset();
    names_.reset();
    held_.reset();
    aheadStudents_.clear();
    aheadPeriods_.clear();
    postingCallsLeft_ = 0;
}

void clsJMhead::endPostingIfDone() {
    // A call past the posting's records (a host keeping its poster for the
    // next posting, perhaps on the same session) begins afresh: rows read,
    // statements prepared and names cached belong to a transaction that is over.
    if (blocks_ && postingCallsLeft_ <= 0) endPosting();
}

void clsJMhead::toJm(Connection& trCnn, const plan::Plan* seen) {
    endPostingIfDone();
    try {
        postStudent(trCnn, seen);
    } catch (const jmjl::ReductionRefused&) {
        --postingCallsLeft_;  // the batch goes on to name its other refusals
        throw;
    } catch (...) {
        endPosting();  // the caller rolls the posting back
        throw;
    }
    --postingCallsLeft_;
}

void clsJMhead::postStudent(Connection& trCnn, const plan::Plan* seen) {
    HostSystem& run = host();
    // Every student of a batch has his own record and number; a
    // rolled-back batch leaves a gap in both counters.
    if (blocks_) blocks_->startRecord();
    batch::CounterBlocks* blocks = blocks_.get();
    const std::string djbh = blocks ? blocks->number("JM") : run.pGetBillNum("JM");
    auditPosting(trCnn, "批量减免", djbh, c_Jmhj_);
    // The plan draws one number, the one the log was told.
    plan::Draws draws(
        [&run, blocks](const std::string& counter) { return blocks ? blocks->id(counter) : run.pGetMaxId(counter); },
        [&djbh](const std::string&) { return djbh; });
    // What the student owes now, in this transaction, before it writes; its
    // rows described only for a comparison with what the clerk was shown.
    describeRows_ = seen != nullptr;
    struct Restore {
        bool& flag;
        bool was;
        ~Restore() { flag = was; }
    } restore{describeRows_, true};
    // A clerk who confirmed a preview is held to its rows, each compared
    // and named when another clerk changed it, and to what the preview read
    // him owing of coming charges, not to the window's amounts.
    Restore shown{heldToPreview_, false};
    heldToPreview_ = seen != nullptr;
    const plan::Plan p = planJm(trCnn, draws);
    if (const plan::Refusal* over = p.refusal("over-reduction")) {
        msgBox(over->reason, MsgButtons::OK, MsgIcon::Information, "警告！");
        throw DbError(1, "操作失败！");
    }
    if (p.refused()) throw jmjl::ReductionRefused(p.refusals.front().reason);
    if (seen)
        if (const auto changed = plan::differences(*seen, p); !changed.empty())
            throw jmjl::ReductionRefused(plan::changedSincePreview(changed));
    // His rows read ahead are his no longer.
    if (held_) held_->forget(STR_xsid_);
    plan::execute(trCnn, p, postingStatements());
}

bool clsJMhead::visibleToOperator(Connection& cn) {
    // Kept only through a posting (drawInBlocks), which reads on one connection.
    if (!blocks_ || !visible_ || visible_->on != &cn) {
        visible_ = VisibleStudents{&cn, {}};
        for (RecordsetPtr rs = cn.execute(host().userXSLBListInSQL()); rs && !rs->eof(); rs->moveNext())
            visible_->ids.insert(rs->field(std::size_t{0}).toInt());
    }
    return visible_->ids.count(Value(STR_xsid_).toInt()) > 0;
}

void clsJMhead::refusals(Connection& cn, plan::Plan& p, std::vector<jmjl::ReducedItem>& reduced,
                         std::vector<std::optional<Currency>>& comingOwed) {
    HostSystem& run = host();
    Currency sum;
    for (const clsJMmx& item : colMX_) {
        if (item.sngJMje() > item.sngYsje()) return p.refuse("over-reduction", batch::overReductionWarning(item));
        if (const std::string bad = jmjl::amountRefusal(item.strXmmc(), item.sngJMje(), item.sngYsje()); !bad.empty())
            return p.refuse("amount", bad);
        const auto shown = heldToPreview_ ? owedShown_.end() : owedShown_.find(jmjl::idKey(item.strXmid()));
        reduced.push_back({item.strQFYF(), item.strXmid(), item.strXmmc(), item.sngJMje(), {},
                           shown == owedShown_.end() ? std::nullopt : std::optional<Currency>(shown->second)});
        sum += item.sngJMje();
    }
    // A record is the sum of its items; a caller's total that is not (also
    // a total without items) would leave the books disagreeing with themselves.
    if (sum != c_Jmhj_)
        return p.refuse("total", "减免合计 " + c_Jmhj_.format00() + " 与各项目减免金额之和 " + sum.format00() + " 不符。");
    // A student the operator may not see is not his to reduce (one the
    // books do not know is left to the checks below).
    // The students he may see are read once for the whole posting, inside
    // its transaction, not once for each student.
    const std::string& xsid = jmjl::number(STR_xsid_, "xsid");
    if (!visibleToOperator(cn)) {
        RecordsetPtr known = cn.execute("select count(*) from kdw_xs where id=" + xsid);
        if (known && !known->eof() && known->field(std::size_t{0}).toInt() > 0)
            return p.refuse("category", "该学生不在您可以查看的学生类别中，不能为他减免。");
    }
    if (const std::string refusal = jmjl::stillOwedRefusal(cn, run, STR_xsid_, str_Jmrq_, reduced, postingStatements(),
                                                           heldOn(cn), &comingOwed);
        !refusal.empty())
        p.refuse("owed", refusal);
}

plan::Plan clsJMhead::planJm(Connection& cn, plan::Draws& draws) {
    endPostingIfDone();  // a preview after a posting reads afresh
    HostSystem& run = host();
    plan::Plan p(!draws.posting());
    p.describeRows(describeRows_);
    if (p.describes()) p.summary.captions = lineCaptions();
    std::optional<BookNames> own;
    BookNames& names = namesOn(cn, own);
    const std::string student = p.describes() ? names.student(Value(STR_xsid_)) : std::string();
    std::vector<jmjl::ReducedItem> reduced;
    std::vector<std::optional<Currency>> comingOwed;
    refusals(cn, p, reduced, comingOwed);
    if (p.refused()) {
        lines(p, {}, student);
        return p;
    }
    // Coming charges have no row to compare with a preview: what he owed
    // of them is what the plan was made on.
    for (std::size_t i = 0; i < reduced.size() && i < comingOwed.size(); ++i)
        if (comingOwed[i])
            p.basedOn("学生[" + student + "]收费项目[" + reduced[i].itemName + "]所属期[" +
                          (reduced[i].period.empty() ? str_Jmrq_ : reduced[i].period) + "]尚欠",
                      Value(*comingOwed[i]));

    batch::ReductionRecord record;
    jmjl::PlannedRecord planned;
    planned.djbh = draws.number("JM");
    planned.id = draws.id("INandOutML");
    record.djbh = planned.djbh.text();
    record.id = planned.id.text();
    record.sfrq = planned.sfrq = str_Jmrq_;
    record.sflxid = planned.sflxid = str_Sflxid_;
    record.xsid = planned.xsid = STR_xsid_;
    // Class name and reason as typed: the insert quotes them, once.
    record.bjmc = planned.bjmc = trimSpaces(str_bjmc_);
    record.jmje = planned.jmje = c_Jmhj_;
    record.jmyy = planned.jmyy = trimSpaces(str_JMYY_);
    record.rq = draws.now();
    if (!constants_) constants_ = PostingConstants{run.CurrentYf(), run.gUserid(), run.gusername()};
    record.operid = planned.operid = constants_->operid;
    record.sfyf = planned.sfyf = constants_->sfyf;
    record.skr = planned.skr = constants_->skr;

    jmjl::planRecord(p, planned, draws.moment(), [&] { return batch::recordInsert(record); }, names);
    std::string settlement;
    for (const clsJMmx& item : colMX_) {
        settlement += "," + batch::settlementEntry(item);
        jmjl::ItemValues values{item.strXmid(), item.sngJMje(), item.str_FeeTermName(),
                                Currency::fromInt(item.lngCqts()), item.sngYsje()};
        jmjl::planItem(p, planned.id, values, [&] { return batch::itemInsert(record.id, item); }, names);
    }
    if (!settlement.empty()) settlement.erase(0, 1);
    lines(p, toUpdateHis(STR_xsid_, settlement, cn, planned.id, p, draws, names), student, comingOwed);
    return p;
}

std::vector<jmjl::SettledRow> clsJMhead::toUpdateHis(const std::string& xsId, const std::string& strYfXmidJe,
                                                     Connection& varCn, const plan::Datum& VsfJlid, plan::Plan& p,
                                                     plan::Draws& draws, BookNames& names) {
    // The open rows as they stand on varCn (a posting's transaction, which
    // holds the books' write lock): what toJm checked is what it settles,
    // and a student posted twice in one batch sees his first posting.
    return jmjl::planSettlement(varCn, p, jmjl::parseSettlementList(strYfXmidJe), xsId, VsfJlid, host(), draws,
                                names, postingStatements(), heldOn(varCn));
}

void clsJMhead::lines(plan::Plan& p, const std::vector<jmjl::SettledRow>& settled, const std::string& student,
                      const std::vector<std::optional<Currency>>& comingOwed) {
    if (!p.describes()) return;
    const std::string refusal = p.refused() ? p.refusals.front().reason : std::string();
    for (std::size_t n = 0; n < colMX_.size(); ++n) {
        const clsJMmx& item = colMX_[n];
        const Currency* coming = n < comingOwed.size() && comingOwed[n] ? &*comingOwed[n] : nullptr;
        std::string rows;
        Currency owed, remainder;
        bool stored = false;
        for (const jmjl::SettledRow& row : settled)
            for (const jmjl::SettledRow::Item& i : row.items) {
                if (i.sfxmid != std::to_string(Value(item.strXmid()).toInt())) continue;
                rows += (rows.empty() ? "" : ",") + row.qfyf + "#" + row.qfkid;
                owed += i.owed;
                remainder += i.remainder;
                stored = true;
            }
        plan::Line line;
        line.cells = {Value(student), Value(trimSpaces(str_bjmc_)), Value(item.strQFYF()), Value(item.strXmmc()),
                      Value(item.sngJMje())};
        if (!refusal.empty()) line.cells.insert(line.cells.end(), {Value(), Value(), Value()});
        else if (stored) line.cells.insert(line.cells.end(), {Value(rows), Value(owed), Value(remainder)});
        else if (coming)
            line.cells.insert(line.cells.end(), {Value("本期应收（未结转）"), Value(*coming), Value(*coming - item.sngJMje())});
        else line.cells.insert(line.cells.end(), {Value("本期应收（未结转）"), Value(), Value()});
        line.refusal = refusal;
        p.summary.lines.push_back(std::move(line));
    }
}

}  // namespace fo
