#include "BulkSchool.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <vector>

#include "data/checks/BooksCheck.h"
#include "data/FeeDatabase.h"
#include "data/FeeStatistics.h"
#include "db/values/Currency.h"
#include "db/values/DateTime.h"
#include "host/demo/DemoSchoolBooks.h"
#include "host/demo/DemoSchoolRandom.h"
#include "host/demo/DemoSchoolSetup.h"
#include "host/database/SqlText.h"

namespace fo::bench {
namespace {

// Raised to regenerate every cached school after the generator changed.
constexpr int kGeneratorVersion = 2;
constexpr int kOpenYear = 2026, kOpenMonth = 12, kOpenDay = 6;

// A prepared statement bound by position, run once per row.
class Stmt {
public:
    Stmt(sqlite3* db, const char* sql) {
        if (sqlite3_prepare_v2(db, sql, -1, &s_, nullptr) != SQLITE_OK)
            throw std::runtime_error(std::string(sqlite3_errmsg(db)) + ": " + sql);
    }
    ~Stmt() { sqlite3_finalize(s_); }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;
    Stmt& i(long long v) { sqlite3_bind_int64(s_, ++at_, v); return *this; }
    Stmt& m(Currency v) { sqlite3_bind_double(s_, ++at_, v.toDouble()); return *this; }
    Stmt& t(const std::string& v) {
        sqlite3_bind_text(s_, ++at_, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Stmt& null() { sqlite3_bind_null(s_, ++at_); return *this; }
    void run() {
        if (sqlite3_step(s_) != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(sqlite3_db_handle(s_)));
        sqlite3_reset(s_);
        at_ = 0;
    }

private:
    sqlite3_stmt* s_ = nullptr;
    int at_ = 0;
};

void exec(sqlite3* db, const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error ? error : "?";
        sqlite3_free(error);
        throw std::runtime_error(message + ": " + sql);
    }
}

std::string two(int v) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d", v);
    return text;
}
std::string dayText(int y, int m, int d) { return std::to_string(y) + "-" + two(m) + "-" + two(d); }
std::string monthKey(int y, int m) { return std::to_string(y) + two(m); }
int daysIn(int y, int m) {
    DateTime d;
    d.year = y, d.month = m, d.day = 1;
    return d.daysInMonth();
}

struct Month {
    int year, month;
    int schoolYear() const { return month >= 9 ? year : year - 1; }
    bool open() const { return year == kOpenYear && month == kOpenMonth; }
    std::string key() const { return monthKey(year, month); }
};

std::vector<Month> bookMonths(int firstYear) {
    std::vector<Month> out;
    for (int y = firstYear, m = 9; y < kOpenYear || (y == kOpenYear && m <= kOpenMonth);) {
        out.push_back({y, m});
        if (++m > 12) m = 1, ++y;
    }
    return out;
}

struct Student {
    long id;
    int cohort;  // the school year he came in
    int sflxid;
    int classIndex;  // within his cohort's level
    std::string xh, xm;
};

// What a fee type charges a month: 保育费 and 伙食费 (22 days), in September
// and February also the term's 书本费, in September the year's 保险费.
struct Line {
    int sfxmid;
    const char* name;
    Currency amount;
    std::string period, from, to;
    int days;
};

std::vector<Line> linesFor(const Student& s, const Month& mo) {
    static const double care[] = {0, 800, 500, 300}, meal[] = {0, 15.5, 8, 10.5}, books[] = {0, 300, 300, 150};
    const std::string first = dayText(mo.year, mo.month, 1), last = dayText(mo.year, mo.month, daysIn(mo.year, mo.month));
    const std::string monthName = first + "至" + last;
    std::vector<Line> out;
    out.push_back({1, "保育费", Currency::fromDouble(care[s.sflxid]), monthName, first, last, 0});
    out.push_back({2, "伙食费", Currency::fromDouble(meal[s.sflxid] * 22), monthName, first, last, 22});
    const int sy = mo.schoolYear();
    if (mo.month == 9)
        out.push_back({3, "书本费", Currency::fromDouble(books[s.sflxid]), dayText(sy, 9, 1) + "至" + dayText(sy + 1, 1, 31),
                       dayText(sy, 9, 1), dayText(sy + 1, 1, 31), 0});
    if (mo.month == 2)
        out.push_back({3, "书本费", Currency::fromDouble(books[s.sflxid]), dayText(sy + 1, 2, 1) + "至" + dayText(sy + 1, 8, 31),
                       dayText(sy + 1, 2, 1), dayText(sy + 1, 8, 31), 0});
    if (mo.month == 9)
        out.push_back({4, "保险费", Currency::fromDouble(100), dayText(sy, 9, 1) + "至" + dayText(sy + 1, 8, 31),
                       dayText(sy, 9, 1), dayText(sy + 1, 8, 31), 0});
    return out;
}

const char* const kLevels[] = {"小班", "中班", "大班"};
const char* const kSurnames[] = {"王", "李", "张", "刘", "陈", "杨", "黄", "赵", "吴", "周", "徐", "孙", "马", "朱"};
const char* const kGiven[] = {"子", "涵", "梓", "轩", "一", "诺", "欣", "怡", "浩", "宇", "佳", "琪", "思", "雨"};
const char* const kClerks[] = {"系统管理员", "张会计", "李出纳"};

class Writer {
public:
    Writer(sqlite3* db, const BulkOptions& o)
        : db_(db), firstYear_(o.firstYear), rnd_(o.seed), perCohort_(std::max(1, o.attending / 3)),
          classesPerLevel_(std::max(1, (perCohort_ + 29) / 30)),
          record_(db, "insert into kdw_sfjl(id,djbh,sfrq,sflxid,xsid,bjmc,je,tzje,zhekou,scjy,hkje,ssje,ysk,jmje,jmyy,"
                      "InOrOut,skzhid,skr,bz,rq,operid,sfyf,ysfjlid,qfkid,hkid) "
                      "values(?,?,?,?,?,?,?,0,0,0,?,?,?,?,?,1,1,?,'',?,?,?,?,0,?)"),
          item_(db, "insert into kdw_sfjlmx(sfjlid,sfxmid,je,ysje,ye,jmje,ysk,feetermname,cqts,termfrom,termto) "
                    "values(?,?,?,?,0,?,?,?,?,?,?)"),
          receipt_(db, "insert into PJML(id,djbh,pjState,bjmc,xsid,xh,xm,kprq,bz,hjje,jeDx,kpr,skr) "
                       "values(?,?,'',?,?,?,?,?,'',?,?,?,?)"),
          receiptItem_(db, "insert into PJMLmx(PjMLid,xmmc,term,je,cqts,bz) values(?,?,?,?,?,'')"),
          journal_(db, "insert into INandOutML(djbh,id,cw_date,je,userID,jzyf,czrq,jbr,zy,checked,yjlid) "
                       "values(?,?,?,?,?,?,?,?,?,0,?)"),
          journalLine_(db, "insert into INandOut(num,subid,addje,subje,jd,rootid) values(?,1,?,0,1,1)"),
          voidReceipt_(db, "update PJML set pjState='作废',zfrq=?,zfr=?,useridZfr=?,zfyy='收费有误' where id=?"),
          arrears_(db, "insert into qfhzb(qfkid,qfyf,xsid,qfrq,qfje,sjqfje,fkje,fkrq,jmje,jmjlid,sfjlid,yqfkid,userid,"
                       "cqts,qjts) values(?,?,?,?,?,?,0,null,0,0,0,0,1,0,0)"),
          arrearsItem_(db, "insert into qfmxb(qfkid,xsid,sflxid,sfxmid,qfje,fkje,jmje) values(?,?,?,1,?,0,0)"),
          settle_(db, "update qfhzb set fkje=qfje,fkrq=?,sfjlid=? where qfkid=?"),
          settleItem_(db, "update qfmxb set fkje=qfje where qfkid=?"),
          student_(db, "insert into kdw_xs(id,xh,xm,jm,sex,bjid,sflxid,lb,lb1,lb2,rxsj,djsj,ysk,del,intTx) "
                       "values(?,?,?,?,?,?,?,?,?,?,?,?,0,0,?)") {}

    BulkSummary write() {
        writeClasses();
        const std::vector<Month> months = bookMonths(firstYear_);
        for (int cohort = firstYear_ - 2; cohort <= kOpenYear; ++cohort) addCohort(cohort);
        for (const Month& mo : months) {
            for (const Student& s : students_)
                if (s.cohort <= mo.schoolYear() && mo.schoolYear() <= s.cohort + 2) bookMonth(s, mo);
            if (!mo.open()) carryOver(mo);
        }
        summary_.students = static_cast<long>(students_.size());
        return summary_;
    }

private:
    std::string className(const Student& s, int schoolYear) const {
        const int level = std::min(2, std::max(0, schoolYear - s.cohort));
        return std::string(kLevels[level]) + std::to_string(s.classIndex + 1) + "班";
    }
    long classId(const Student& s, int schoolYear) const {
        const int level = std::min(2, std::max(0, schoolYear - s.cohort));
        return level * classesPerLevel_ + s.classIndex + 1;
    }

    void writeClasses() {
        exec(db_, "delete from kdw_bj");
        Stmt bj(db_, "insert into kdw_bj(id,mc) values(?,?)");
        for (int level = 0; level < 3; ++level)
            for (int c = 0; c < classesPerLevel_; ++c)
                bj.i(level * classesPerLevel_ + c + 1).t(std::string(kLevels[level]) + std::to_string(c + 1) + "班").run();
    }

    void addCohort(int cohort) {
        const bool attending = cohort + 2 >= kOpenYear - (kOpenMonth >= 9 ? 0 : 1);
        for (int i = 0; i < perCohort_; ++i) {
            Student s;
            s.id = static_cast<long>(students_.size()) + 1;
            s.cohort = cohort;
            s.sflxid = rnd_.percent(70) ? 1 : (rnd_.percent(65) ? 2 : 3);
            s.classIndex = i % classesPerLevel_;
            char xh[16];
            std::snprintf(xh, sizeof xh, "%04d%05d", cohort, i + 1);
            s.xh = xh;
            s.xm = std::string(kSurnames[rnd_.below(14)]) + kGiven[rnd_.below(14)] + kGiven[rnd_.below(14)];
            const int lb1 = s.sflxid == 3 ? 2 : 1, lb2 = s.sflxid == 1 ? 11 : (s.sflxid == 2 ? 12 : 21);
            student_.i(s.id).t(s.xh).t(s.xm).t("XM").t(rnd_.percent(50) ? "男" : "女")
                .i(classId(s, std::min(kOpenYear, cohort + 2))).i(s.sflxid).i(lb2 * 10 + 1).i(lb1).i(lb2)
                .t(dayText(cohort, 9, 1)).t(dayText(cohort, 8, 20)).i(attending ? 0 : 3).run();
            students_.push_back(std::move(s));
        }
    }

    std::string number(const std::string& prefix, const std::string& day) {
        char seq[16];
        std::snprintf(seq, sizeof seq, "%04d", ++sequence_[prefix + day]);
        std::string compact = day;
        compact.erase(std::remove(compact.begin(), compact.end(), '-'), compact.end());
        return prefix + compact + seq;
    }

    std::string words(Currency amount) {
        auto found = words_.find(amount.raw());
        if (found == words_.end()) found = words_.emplace(amount.raw(), demo::amountInWords(amount)).first;
        return found->second;
    }

    void bookMonth(const Student& s, const Month& mo) {
        const int lastDay = mo.open() ? kOpenDay : std::min(28, daysIn(mo.year, mo.month));
        const int day = 1 + rnd_.below(mo.open() ? 28 : lastDay);
        if (day > lastDay) return;  // not paid yet in the open month
        const std::string date = dayText(mo.year, mo.month, day);
        const std::string when = date + " " + two(8 + rnd_.below(9)) + ":" + two(rnd_.below(60)) + ":00";
        const int clerk = rnd_.below(3);
        const std::string bjmc = className(s, mo.schoolYear());
        const std::vector<Line> lines = linesFor(s, mo);
        Currency total;
        for (const Line& l : lines) total += l.amount;

        const long id = ++lastRecord_;
        const std::string djbh = number("SF", date);
        record_.i(id).t(djbh).t(when).i(s.sflxid).i(s.id).t(bjmc).m(total).m(Currency()).m(total).m(Currency())
            .m(Currency()).null().t(kClerks[clerk]).t(when).i(clerk + 1).t(mo.key()).i(0).i(0).run();
        const long receipt = ++lastReceipt_;
        receipt_.i(receipt).t(djbh).t(bjmc).i(s.id).t(s.xh).t(s.xm).t(when).m(total).t(words(total))
            .t(kClerks[clerk]).t(kClerks[clerk]).run();
        for (const Line& l : lines) {
            item_.i(id).i(l.sfxmid).m(l.amount).m(l.amount).m(Currency()).m(Currency()).t(l.period).i(l.days)
                .t(l.from).t(l.to).run();
            receiptItem_.i(receipt).t(l.name).t(l.period).m(l.amount).i(l.days).run();
        }
        journal_.t(djbh).i(id).t(date).m(total).i(clerk + 1).t(mo.key()).t(when).t(kClerks[clerk]).t("收费").i(0).run();
        journalLine_.i(id).m(total).run();
        ++summary_.receipts;
        summary_.feeRecords += 1;

        // Last month's arrears, mostly paid with this month's charge.
        if (auto owing = pending_.find(s.id); owing != pending_.end()) {
            if (rnd_.percent(80)) {
                settle_.t(when).i(id).i(owing->second).run();
                settleItem_.i(owing->second).run();
            }
            pending_.erase(owing);
        }
        if (rnd_.percent(1)) transfer(s, mo, id, when, bjmc);
        if (rnd_.percent(2)) reduction(s, mo, bjmc);
        if (rnd_.percent(1) && rnd_.percent(50)) cancel(id, receipt, date, when, clerk);
    }

    // Part of the payment put by as prepayment: a record pointing at its charge.
    void transfer(const Student& s, const Month& mo, long charge, const std::string& when, const std::string& bjmc) {
        const long id = ++lastRecord_;
        const Currency amount = Currency::fromDouble(50);
        record_.i(id).t(number("YSK", when.substr(0, 10))).t(when).i(s.sflxid).i(s.id).t(bjmc).m(amount)
            .m(Currency()).m(amount).m(amount).m(Currency()).null().t(kClerks[0]).t(when).i(1).t(mo.key()).i(0)
            .i(charge).run();
        item_.i(id).i(1).m(amount).m(Currency()).m(Currency()).m(amount).t("一次性").i(0).null().null().run();
        ++summary_.feeRecords;
    }

    void reduction(const Student& s, const Month& mo, const std::string& bjmc) {
        const long id = ++lastRecord_;
        const std::string first = dayText(mo.year, mo.month, 1);
        const Currency amount = Currency::fromDouble(50);
        record_.i(id).t(number("JM", first)).t(first).i(s.sflxid).i(s.id).t(bjmc).m(Currency()).m(Currency())
            .m(Currency()).m(Currency()).m(amount).t("家庭困难").t(kClerks[1]).t(first + " 09:00:00").i(2).t(mo.key())
            .i(0).i(0).run();
        item_.i(id).i(1).m(Currency()).m(Currency::fromDouble(800)).m(amount).m(Currency()).t(first).i(0).t(first)
            .null().run();
        ++summary_.feeRecords;
    }

    // A charge voided the same day: the receipt marked, the mirror booked,
    // and the arrears the charge settled owed again.
    void cancel(long source, long receipt, const std::string& date, const std::string& when, int clerk) {
        voidReceipt_.t(when).t(kClerks[clerk]).i(clerk + 1).i(receipt).run();
        const long id = ++lastRecord_;
        const std::string djbh = number("QXSF", date), o = std::to_string(source), n = std::to_string(id);
        exec(db_, "insert into kdw_sfjl(djbh,id,sfrq,sflxid,xsid,bjmc,je,tzje,zhekou,scjy,hkje,ssje,ysk,InOrOut,skzhid,"
                  "skr,bz,rq,operid,sfyf,ysfjlid) select '" + djbh + "'," + n + ",'" + when + "',sflxid,xsid,bjmc,0-je,"
                  "0-tzje,0-zhekou,0-scjy,0-hkje,0-ssje,0-ysk,InOrOut,skzhid,skr,bz,rq,operid,sfyf," + o +
                  " from kdw_sfjl where id=" + o);
        exec(db_, "insert into kdw_sfjlmx(sfjlid,sfxmid,je,ysje,ye,feetermname,cqts,termfrom,termto,ysk) select " + n +
                  ",sfxmid,0-je,0-ysje,0-ye,feetermname,cqts,termfrom,termto,0-ysk from kdw_sfjlmx where sfjlid=" + o);
        exec(db_, "insert into INandOutML(djbh,id,cw_date,je,userID,jzyf,czrq,jbr,zy,checked,yjlid) select '" + djbh +
                  "'," + n + ",cw_date,0-je,userID,jzyf,'" + when + "',jbr,'取消收费',checked," + o +
                  " from INandOutML where id=" + o);
        exec(db_, "insert into INandOut(num,subid,addje,subje,jd,rootid) select " + n +
                  ",subid,0-addje,0-subje,jd,rootid from INandOut where num=" + o);
        exec(db_, "update qfmxb set fkje=0 where qfkid in(select qfkid from qfhzb where sfjlid=" + o + ")");
        exec(db_, "update qfhzb set fkje=0,fkrq=null,sfjlid=0 where sfjlid=" + o);
        ++summary_.feeRecords;
    }

    // Some attending students leave the month owing; the month is closed.
    void carryOver(const Month& mo) {
        const std::string last = dayText(mo.year, mo.month, daysIn(mo.year, mo.month));
        const Currency owed = Currency::fromDouble(100);
        for (const Student& s : students_) {
            if (!(s.cohort <= mo.schoolYear() && mo.schoolYear() <= s.cohort + 2) || !rnd_.percent(3)) continue;
            const long qfkid = ++lastArrears_;
            arrears_.i(qfkid).t(mo.key()).i(s.id).t(last).m(owed).m(owed).run();
            arrearsItem_.i(qfkid).i(s.id).i(s.sflxid).m(owed).run();
            pending_[s.id] = qfkid;
            ++summary_.arrearsRows;
        }
        exec(db_, "insert into hisxsinfo(xsid,jzyf) values(0,'" + mo.key() + "')");
    }

    sqlite3* db_;
    int firstYear_;
    demo::DemoRandom rnd_;
    int perCohort_, classesPerLevel_;
    Stmt record_, item_, receipt_, receiptItem_, journal_, journalLine_, voidReceipt_, arrears_, arrearsItem_,
        settle_, settleItem_, student_;
    std::vector<Student> students_;
    std::map<std::string, int> sequence_;
    std::map<long, long> pending_;  // student -> his open arrears row of last month
    std::map<std::int64_t, std::string> words_;
    long lastRecord_ = 0, lastReceipt_ = 0, lastArrears_ = 0;
    BulkSummary summary_;
};

void writeCalendarYears(Connection& cn, int firstYear) {
    for (int y = firstYear; y <= kOpenYear; ++y) {
        for (int i = 0; i < 12; ++i) {
            const int year = y + (8 + i) / 12, month = (8 + i) % 12 + 1;
            cn.execute("insert into ajzrq(yf,fromdate,todate,jfmc) values('" + monthKey(year, month) + "','" +
                       dayText(year, month, 1) + "','" + dayText(year, month, daysIn(year, month)) + "','" +
                       std::to_string(year) + "年" + two(month) + "月')");
        }
        const std::string name = std::to_string(y) + "-" + std::to_string(y + 1) + "学年";
        cn.execute("insert into termdate(yearname,termName,yffromDate,yftoDate,termTag) values('" + name +
                   "','上学期','" + dayText(y, 9, 1) + "','" + dayText(y + 1, 1, 31) + "','" + std::to_string(y) +
                   "上'),('" + name + "','下学期','" + dayText(y + 1, 2, 1) + "','" + dayText(y + 1, 8, 31) + "','" +
                   std::to_string(y) + "下')");
        cn.execute("insert into kdw_year(yearMc,dateFrom,dateTo,yearTag) values('" + name + "','" + dayText(y, 9, 1) +
                   "','" + dayText(y + 1, 8, 31) + "','" + std::to_string(y) + "年')");
    }
}

}  // namespace

BulkSummary writeBulkSchool(const std::string& path, const BulkOptions& options) {
    if (std::filesystem::exists(path)) throw std::runtime_error("the bulk school exists already: " + path);
    {
        ConnectionPtr cn = createFeeDatabase(sqliteConnectionString(path));
        Transaction tx(*cn);
        writeCalendarYears(*cn, options.firstYear);
        demo::writeCatalogue(*cn);
        demo::writeOfficeSetup(*cn);
        tx.commit();
    }
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) throw std::runtime_error("cannot open " + path);
    BulkSummary summary;
    try {
        // A generated file that a crash would leave half-written is simply
        // written again: no syncing while it is made.
        exec(db, "PRAGMA synchronous=OFF");
        exec(db, "PRAGMA cache_size=-262144");
        exec(db, "begin");
        summary = Writer(db, options).write();
        exec(db, "commit");
    } catch (...) {
        sqlite3_close(db);
        std::filesystem::remove(path);
        throw;
    }
    sqlite3_close(db);
    ConnectionPtr cn = openFeeDatabase(sqliteConnectionString(path));
    gatherFeeStatistics(*cn);
    // The bench times the windows on books they could have written.
    if (const auto faults = checkBooks(*cn); !faults.empty())
        throw std::runtime_error("the generated school's books do not hold (" + std::to_string(faults.size()) +
                                 " faults): " + faults.front().text);
    return summary;
}

std::string cachedBulkSchool(const std::string& cacheDir, const BulkOptions& options) {
    std::filesystem::create_directories(cacheDir);
    const std::string path = cacheDir + "/school-v" + std::to_string(kGeneratorVersion) + "-" +
                             std::to_string(options.attending) + "-" + std::to_string(options.seed) +
                             (options.firstYear == 2016 ? "" : "-from" + std::to_string(options.firstYear)) + ".db";
    // One written by an older build is brought up to date as the program
    // brings any fee database it opens (once: a new one is already).
    if (std::filesystem::exists(path)) {
        openFeeDatabase(sqliteConnectionString(path));
        return path;
    }
    const std::string partial = path + ".partial";
    std::filesystem::remove(partial);
    std::filesystem::remove(partial + "-wal");
    std::filesystem::remove(partial + "-shm");
    writeBulkSchool(partial, options);
    std::filesystem::rename(partial, path);
    return path;
}

}  // namespace fo::bench
