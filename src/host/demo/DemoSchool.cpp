#include "host/demo/DemoSchool.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>

#include "data/FeeDatabase.h"
#include "data/FeeStatistics.h"
#include "host/fees/CarryOver.h"
#include "host/fees/Dues.h"
#include "host/demo/DemoSchoolSetup.h"
#include "host/operators/Operators.h"
#include "host/database/NewDatabaseFile.h"
#include "host/database/SqlText.h"

namespace fo {
namespace {

using demo::DemoClerk;
using demo::DemoStudent;
using demo::FeeLine;

const std::vector<DemoClerk> kClerks = {{1, "系统管理员"}, {2, "张会计"}, {3, "李出纳"}};
const std::vector<std::string> kReasons = {"家庭困难", "病假", "二孩优惠", "教职工子女"};

DateTime dateOf(const std::string& text) { return *DateTime::parse(text); }

// Writes the fee history of the school year month by month: the clerks'
// daily work in each month, then the month-end carry-over of every month
// before the open one.
class DemoHistory {
public:
    DemoHistory(Connection& cn, demo::DemoRandom& rnd, const demo::SchoolYear& sy, const DateTime& today,
                const std::vector<DemoStudent>& students)
        : cn_(cn), rnd_(rnd), sy_(sy), today_(today), books_(cn) {
        for (const auto& s : students) students_[s.id] = s;
        auto rs = cn.execute("select id,mc from kdw_sfxm");
        for (; rs && !rs->eof(); rs->moveNext()) itemNames_[static_cast<int>(rs->field(0).toInt())] = rs->field(1).toText();
    }

    // Returns the number of months carried over.
    int write() {
        int carried = 0;
        for (const auto& m : sy_.months) {
            if (dateOf(m.fromDate) > today_) break;
            const bool open = today_ <= dateOf(m.toDate);
            payDues(m);
            if (carried > 0) settleArrears(m);
            if (open) break;
            bookCarryOver(cn_, m.yf, [this] { return std::to_string(books_.nextArrearsId()); }, "1");
            ++carried;
        }
        return carried;
    }

private:
    // A working day and hour of month `m`, not after today.
    DateTime dayIn(const AccountingMonth& m) {
        const DateTime first = dateOf(m.fromDate);
        const DateTime last = std::min(dateOf(m.toDate), today_);
        DateTime d = first.addDays(rnd_.below(last.day - first.day + 1));
        d.hour = 8 + rnd_.below(9);
        d.minute = rnd_.below(60);
        return d;
    }

    const DemoClerk& clerk() { return rnd_.pick(kClerks); }

    FeeLine line(int sfxmid, Currency amount, const std::string& period) {
        FeeLine l;
        l.sfxmid = sfxmid;
        l.itemName = itemNames_[sfxmid];
        l.amount = amount;
        l.days = sfxmid == 2 ? 22 : 0;
        if (period == "一次性") {
            l.periodName = period;
            return l;
        }
        const PeriodRange* range = period == sy_.autumn.tag   ? &sy_.autumn
                                   : period == sy_.spring.tag ? &sy_.spring
                                   : period == sy_.year.tag   ? &sy_.year
                                                              : nullptr;
        if (range) {
            l.from = range->fromDate, l.to = range->toDate;
        } else {
            for (const auto& m : sy_.months)
                if (m.yf == period) l.from = m.fromDate, l.to = m.toDate;
        }
        l.periodName = l.from + "至" + l.to;
        return l;
    }

    // What each student owes in the month, by the host's own fee rules.
    std::map<int, std::vector<FeeLine>> duesOf(const AccountingMonth& m) {
        std::map<int, std::vector<FeeLine>> out;
        fillArrearsWorkTable(cn_, "tmpDemoDues", m.yf, "", "", "", "", "");
        auto rs = cn_.execute("select xsid,sfyf,sfxmid,ysje,jfje,jmje from tmpDemoDues order by xsid,sfxmid");
        for (; rs && !rs->eof(); rs->moveNext()) {
            const Currency owed = rs->field(3).toCurrency() - rs->field(4).toCurrency() - rs->field(5).toCurrency();
            if (owed > Currency())
                out[static_cast<int>(rs->field(0).toInt())].push_back(
                    line(static_cast<int>(rs->field(2).toInt()), owed, rs->field(1).toText()));
        }
        cn_.execute("drop table tmpDemoDues");
        return out;
    }

    void payDues(const AccountingMonth& m) {
        for (auto& [xsid, lines] : duesOf(m)) {
            const DemoStudent& s = students_.at(xsid);
            const int r = rnd_.below(100);
            if (r < 55) {
                chargeWithCancellation(s, m, lines);
            } else if (r < 65) {
                std::vector<FeeLine> monthly;
                for (const auto& l : lines)
                    if (l.sfxmid <= 2) monthly.push_back(l);
                if (!monthly.empty()) chargeWithCancellation(s, m, monthly);
            } else if (r < 72) {
                auto tuition = std::find_if(lines.begin(), lines.end(), [](const FeeLine& l) { return l.sfxmid == 1; });
                if (tuition != lines.end()) {
                    FeeLine half = *tuition;
                    half.amount = (tuition->amount * Currency::fromRaw(5000)).roundHalfAway(2);
                    const DateTime when = dayIn(m);
                    const int id = books_.reduction(s, m.yf, when, {half}, rnd_.pick(kReasons), clerk());
                    if (rnd_.percent(15)) books_.cancelReduction(id, when, clerk());
                }
            }
            if (rnd_.percent(5)) {
                FeeLine advance = line(1, Currency::fromInt(500), "一次性");
                advance.periodName = "预收款";
                books_.prepayment(s, m.yf, dayIn(m), advance, clerk());
                prepaid_[s.id] += Currency::fromInt(500);
            }
        }
    }

    void chargeWithCancellation(const DemoStudent& s, const AccountingMonth& m, const std::vector<FeeLine>& lines) {
        Currency total;
        for (const auto& l : lines) total += l.amount;
        const Currency fromPrepayment = std::min(prepaid_[s.id], total);
        prepaid_[s.id] -= fromPrepayment;
        const DateTime when = dayIn(m);
        const int id = books_.charge(s, m.yf, when, lines, fromPrepayment, clerk());
        if (fromPrepayment.isZero() && rnd_.percent(4)) books_.cancelCharge(id, when, clerk());
    }

    struct OpenRow {
        int qfkid, xsid;
        std::string qfyf;
    };

    // Open stored arrears settled in month `m`: paid in full, paid in part
    // (the rest split off into a remainder row), or reduced away.
    void settleArrears(const AccountingMonth& m) {
        std::vector<OpenRow> rows;
        auto rs = cn_.execute("select qfkid,xsid,qfyf from qfhzb where fkrq is null order by qfkid");
        for (; rs && !rs->eof(); rs->moveNext())
            rows.push_back({static_cast<int>(rs->field(0).toInt()), static_cast<int>(rs->field(1).toInt()),
                            rs->field(2).toText()});
        for (const auto& row : rows) {
            const int r = rnd_.below(100);
            if (r >= 44 || !students_.count(row.xsid)) continue;
            std::vector<FeeLine> items;
            auto it = cn_.execute("select sfxmid,qfje-fkje-jmje from qfmxb where qfkid=" + std::to_string(row.qfkid) +
                                  " and fkje<qfje order by listid");
            for (; it && !it->eof(); it->moveNext())
                items.push_back(line(static_cast<int>(it->field(0).toInt()), it->field(1).toCurrency(), row.qfyf));
            if (items.empty()) continue;
            const DemoStudent& s = students_.at(row.xsid);
            const DateTime when = dayIn(m);
            const std::string qfkid = std::to_string(row.qfkid), at = sqlLiteral(when.dateTimeText());
            if (r < 38) {
                const bool partly = r >= 30 && items.size() > 1;
                if (partly) items.resize(1);
                const int id = books_.charge(s, m.yf, when, items, Currency(), clerk());
                Currency paid;
                for (const auto& l : items) {
                    paid += l.amount;
                    cn_.execute("update qfmxb set fkje=qfje where qfkid=" + qfkid + " and sfxmid=" + std::to_string(l.sfxmid));
                }
                cn_.execute("update qfhzb set fkje=" + paid.plainText() + ",fkrq=" + at + ",sfjlid=" + std::to_string(id) +
                            " where qfkid=" + qfkid);
                if (partly) splitRemainder(row, when);
            } else {
                const int id = books_.reduction(s, m.yf, when, items, rnd_.pick(kReasons), clerk());
                cn_.execute("update qfmxb set jmje=qfje where qfkid=" + qfkid);
                cn_.execute("update qfhzb set jmje=(select sum(jmje) from qfmxb where qfkid=" + qfkid + "),jmjlid=" +
                            std::to_string(id) + ",fkrq=" + at + " where qfkid=" + qfkid);
            }
        }
    }

    // The unpaid items of a partly paid row move to a new open row that
    // points back to it.
    void splitRemainder(const OpenRow& row, const DateTime& when) {
        const std::string n = std::to_string(books_.nextArrearsId()), old = std::to_string(row.qfkid);
        cn_.execute("insert into qfmxb(qfkid,xsid,sflxid,sfxmid,qfje,fkje,jmje) select " + n +
                    ",xsid,sflxid,sfxmid,qfje-fkje-jmje,0,0 from qfmxb where qfkid=" + old + " and fkje<qfje");
        auto rest = cn_.execute("select sum(qfje) from qfmxb where qfkid=" + n);
        const std::string amount = rest->field(0).toCurrency().plainText();
        cn_.execute("insert into qfhzb(qfkid,qfyf,xsid,qfrq,qfje,sjqfje,fkje,jmje,jmjlid,sfjlid,yqfkid,userid,cqts,qjts)"
                    " values(" + n + "," + sqlLiteral(row.qfyf) + "," + std::to_string(row.xsid) + "," +
                    sqlLiteral(when.dateText()) + "," + amount + "," + amount + ",0,0,0,0," + old + ",1,0,0)");
    }

    Connection& cn_;
    demo::DemoRandom& rnd_;
    const demo::SchoolYear& sy_;
    DateTime today_;
    demo::DemoBooks books_;
    std::map<int, DemoStudent> students_;
    std::map<int, std::string> itemNames_;
    std::map<int, Currency> prepaid_;
};

int countOf(Connection& cn, const std::string& sql) {
    auto rs = cn.execute(sql);
    return rs && !rs->eof() ? static_cast<int>(rs->field(0).toInt()) : 0;
}

}  // namespace

DemoSummary writeDemoSchool(const std::string& path, const DemoOptions& options) {
    // A file is written beside its name and named only once it is whole.
    std::optional<NewDatabaseFile> file;
    if (!isLinkString(path)) file.emplace(path);
    DateTime today = DateTime::today();
    if (!options.today.empty()) {
        auto parsed = DateTime::parse(options.today);
        if (!parsed) throw std::invalid_argument("not a date: " + options.today);
        today = *parsed;
    }
    today.hour = today.minute = today.second = 0;

    ConnectionPtr cn = createFeeDatabase(linkStringFor(file ? file->path() : path));
    DemoSummary summary;
    {
        Transaction tx(*cn);
        demo::DemoRandom rnd(options.seed);
        const demo::SchoolYear sy = demo::writeCalendar(*cn, today);
        demo::writeCatalogue(*cn);
        demo::writeOfficeSetup(*cn);
        const auto students = demo::writeStudents(*cn, rnd, options.students, sy.startYear);
        DemoHistory history(*cn, rnd, sy, today, students);
        summary.monthsCarriedOver = history.write();
        tx.commit();
    }
    // The planner chooses its indexes by these from the first query on.
    gatherFeeStatistics(*cn);
    summary.students = countOf(*cn, "select count(*) from kdw_xs");
    auto open = cn->execute("select min(yf) from ajzrq where yf not in(select jzyf from hisxsinfo where xsid=0)");
    summary.openMonth = open && !open->eof() ? open->field(0).toText() : std::string();
    summary.arrearsRows = countOf(*cn, "select count(*) from qfhzb");
    summary.openArrearsRows = countOf(*cn, "select count(*) from qfhzb where fkrq is null");
    summary.receipts = countOf(*cn, "select count(*) from PJML");
    summary.feeRecords = countOf(*cn, "select count(*) from kdw_sfjl");
    cn->close();
    if (file) file->keep();
    return summary;
}

const std::vector<DemoOperator>& demoOperators() {
    static const std::vector<DemoOperator> operators = {
        {Operators::BuiltInId, "系统管理员", "admin123",
         "$argon2id$v=19$m=65536,t=2,p=1$hMUvW1eFbCpgIpRA45SSww$mVVbVCDWuf2vsIB+yte2ulOG8a1Q684zrc3hiMhcQ5s"},
        {2, "张会计", "zhang123",
         "$argon2id$v=19$m=65536,t=2,p=1$fHXFsLbcbWkU2HEkUyLBwQ$1YMs5ov7krfXOvWYBw5QK4vlGLOyMoaK0c+yJCL0g4Y"},
        {3, "李出纳", "li123456",
         "$argon2id$v=19$m=65536,t=2,p=1$cGTnSTic3cmylozEa7x24w$HdUTDHhc35c/GIsjlE+34EAOarSuqe9Hb90w2MSN6pM"},
    };
    return operators;
}

std::string demoPasswordsText() {
    std::string text = "演示操作员及密码：";
    for (const DemoOperator& op : demoOperators())
        text += std::string(op.id == demoOperators().front().id ? "" : "，") + op.name + " " + op.password;
    return text + "。";
}

}  // namespace fo
