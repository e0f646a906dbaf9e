// Posting one batch reduction of three items through the wizard to 1,000
// students who each owe one open arrears row of that month, against the
// floor: the same row changes by prepared statements in one transaction, on
// the same engine (the embedded one, or with --postgres STATE the server).
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchSchool.h"
#include "batch/frmBachJM.h"
#include "batch/frmBachJM_next.h"
#include "db/sqlite/SqliteFunctions.h"

namespace fo::bench {
namespace {

constexpr int kStudents = 1000;

// One open December row per student: 保育费 800, 伙食费 341, 午点费 100.
void addOpenArrears(School& school) {
    school.exec("insert into qfhzb(qfkid,qfyf,xsid,qfrq,qfje) select 100000+id,'202612',id,'2026-12-01',1241 "
                "from kdw_xs where del=0 and intTx=0");
    for (const char* item : {"1,800", "2,341", "6,100"})
        school.exec(std::string("insert into qfmxb(qfkid,xsid,sfxmid,qfje) select 100000+id,id,") + item +
                    " from kdw_xs where del=0 and intTx=0");
}

struct Stmt {
    Stmt(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &s, nullptr); }
    ~Stmt() { sqlite3_finalize(s); }
    Stmt& bind(int i, sqlite3_int64 v) { sqlite3_bind_int64(s, i, v); return *this; }
    Stmt& bind(int i, double v) { sqlite3_bind_double(s, i, v); return *this; }
    Stmt& bind(int i, const char* v) { sqlite3_bind_text(s, i, v, -1, SQLITE_TRANSIENT); return *this; }
    void run() {
        if (sqlite3_step(s) != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(sqlite3_db_handle(s)));
        sqlite3_reset(s);
    }
    sqlite3_stmt* s = nullptr;
};

// The row changes of the floor, the same on both engines, with "?" or "$n"
// for their values.
const char* const kRecord = "insert into kdw_sfjl(id,sfrq,sflxid,xsid,bjmc,jmje,jmyy,ysfjlid,qfkid,hkid,rq,operid,sfyf,skr,djbh)"
                            " values(%1,'2026-12-01',1,%2,%3,30,'bench',0,0,0,'2026-12-06 10:00:00',1,'202612','bench',%4)";
const char* const kItem = "insert into kdw_sfjlmx(sfjlid,sfxmid,jmje,feeTermName,cqts,ysje,ye) values(%1,%2,10,'t',0,%3,0)";
const char* const kReduce = "update qfmxb set jmje=10 where qfkid=%1 and sfxmid=%2 and xsid=%3";
const char* const kClose = "update qfhzb set jmje=30,jmjlid=%1,fkrq='2026-12-06 10:00:00' where qfkid=%2 and xsid=%3";
const char* const kRemainder = "insert into qfhzb(qfkid,qfyf,xsid,qfrq,qfje,sjqfje,fkje,yqfkid,userid,cqts,qjts,jmje)"
                               " values(%1,'202612',%2,'2026-12-06',1211,0,0,%3,1,0,0,0)";
// Every record the posting writes is a document of the office's audit log.
const char* const kAudit = "insert into sys_log(logtime,userid,username,workstation,operation,djbh,amount,outcome)"
                           " values('2026-12-06 10:00:00',1,'bench','bench','批量减免',%1,30,'完成')";
const char* const kCopy = "insert into qfmxb(qfkid,xsid,sflxid,sfxmid,qfje,fkje,jmje) select %1,xsid,sflxid,sfxmid,"
                          "qfje-fkje-jmje,0,0 from qfmxb where qfkid=%2 and xsid=%3 and qfje-fkje-jmje>0";

// "%n" as the engine's parameter: "?" (SQLite) or "$n" (PostgreSQL).
std::string withParameters(const char* text, bool dollar) {
    std::string out;
    for (const char* p = text; *p; ++p) {
        if (*p == '%' && std::isdigit(static_cast<unsigned char>(p[1]))) {
            out += dollar ? std::string("$") + p[1] : std::string("?");
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

using Students = std::vector<std::pair<sqlite3_int64, std::string>>;

Students studentsOf(const std::string& database) {
    Students out;
    auto cn = openConnection(linkStringFor(database));
    for (auto rs = cn->execute("select a.id,b.mc from kdw_xs a,kdw_bj b where a.bjid=b.id and a.del=0 and a.intTx=0");
         !rs->eof(); rs->moveNext())
        out.emplace_back(rs->field(std::size_t{0}).toInt(), rs->field(std::size_t{1}).toText());
    return out;
}

// Audit row, record, three items, three item reductions, the closed row,
// its open remainder and the remainder's items, per student, in one
// transaction.
double sqliteFloorMs(const std::string& path, const Students& students) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    registerSqliteFunctions(db);  // and the collation the engine compares text by
    const double ms = millisecondsOf([&] {
        sqlite3_exec(db, "begin", nullptr, nullptr, nullptr);
        Stmt record(db, withParameters(kRecord, false).c_str()), item(db, withParameters(kItem, false).c_str()),
            reduce(db, withParameters(kReduce, false).c_str()), close(db, withParameters(kClose, false).c_str()),
            remainder(db, withParameters(kRemainder, false).c_str()), copy(db, withParameters(kCopy, false).c_str()),
            audit(db, withParameters(kAudit, false).c_str());
        sqlite3_int64 id = 900000, newRow = 900000;
        for (const auto& [xsid, bjmc] : students) {
            ++id;
            const std::string djbh = "JMB" + std::to_string(id);
            audit.bind(1, djbh.c_str()).run();
            record.bind(1, id).bind(2, xsid).bind(3, bjmc.c_str()).bind(4, djbh.c_str()).run();
            const sqlite3_int64 row = 100000 + xsid;
            for (const auto& [itemId, ys] : {std::pair<sqlite3_int64, double>{1, 800}, {2, 341}, {6, 100}}) {
                item.bind(1, id).bind(2, itemId).bind(3, ys).run();
                reduce.bind(1, row).bind(2, itemId).bind(3, xsid).run();
            }
            close.bind(1, id).bind(2, row).bind(3, xsid).run();
            remainder.bind(1, ++newRow).bind(2, xsid).bind(3, row).run();
            copy.bind(1, newRow).bind(2, row).bind(3, xsid).run();
        }
        sqlite3_exec(db, "commit", nullptr, nullptr, nullptr);
    });
    sqlite3_close(db);
    return ms;
}

// The same on the server: prepared once, one round trip per row change.
double pgFloorMs(const std::string& link, const Students& students) {
    PgSession db(link);
    const std::pair<const char*, const char*> statements[] = {{"record", kRecord}, {"item", kItem},
                                                              {"reduce", kReduce}, {"close", kClose},
                                                              {"remainder", kRemainder}, {"copy", kCopy},
                                                              {"audit", kAudit}};
    for (const auto& [name, text] : statements) db.prepare(name, withParameters(text, true));
    return millisecondsOf([&] {
        db.exec("begin");
        std::int64_t id = 900000, newRow = 900000;
        for (const auto& [xsid, bjmc] : students) {
            ++id;
            const std::string x = std::to_string(xsid), i = std::to_string(id), row = std::to_string(100000 + xsid);
            db.run("audit", {"JMB" + i});
            db.run("record", {i, x, bjmc, "JMB" + i});
            for (const auto& [itemId, ys] : {std::pair<const char*, const char*>{"1", "800"}, {"2", "341"}, {"6", "100"}}) {
                db.run("item", {i, itemId, ys});
                db.run("reduce", {row, itemId, x});
            }
            db.run("close", {i, row, x});
            const std::string next = std::to_string(++newRow);
            db.run("remainder", {next, x, row});
            db.run("copy", {next, row, x});
        }
        db.exec("commit");
    });
}

// Postings and floors each run on a fresh copy of the school as it is
// before anything is posted, and each figure is the median of three: a
// figure of a few dozen milliseconds, commits synced, varies more from run
// to run than the work does.
constexpr int kRuns = 3;

// A copy of the school: its file and the counters' file beside it, or a
// database made from it on the server.
std::string copyOfSchool(const School& school, const std::string& suffix) {
    if (!school.onServer()) {
        const std::string copy = school.database() + suffix;
        std::filesystem::copy_file(school.database(), copy);
        if (std::filesystem::exists(school.database() + ".counters"))
            std::filesystem::copy_file(school.database() + ".counters", copy + ".counters");
        return copy;
    }
    const std::string copy = pgLinkToDatabase(school.database(), pgLinkParts(school.database()).database + suffix);
    dropPgDatabase(copy);
    openConnection(pgLinkToDatabase(school.database(), "postgres"))
        ->execute("create database " + pgLinkParts(copy).database + " template " + pgLinkParts(school.database()).database);
    return copy;
}

// Files of a copy go with the school's folder; a server copy is dropped.
void dropCopy(const School& school, const std::string& copy) {
    if (school.onServer()) dropPgDatabase(copy);
}

double median(std::vector<double> runs) {
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
}

double floorMs(const School& school) {
    const Students students = studentsOf(school.database());
    std::vector<double> runs;
    for (int run = 1; run <= kRuns; ++run) {
        const std::string copy = copyOfSchool(school, "_floor" + std::to_string(run));
        runs.push_back(school.onServer() ? pgFloorMs(copy, students) : sqliteFloorMs(copy, students));
        dropCopy(school, copy);
    }
    return median(runs);
}

// Posts the batch through the wizard on the school the host runs; the time
// of the posting alone, or a negative figure when it did not succeed.
double postingMs(School& school, std::size_t& ticked, int& items) {
    auto first = formInstance<frmBachJM>();
    first->load();
    first->initData(false, "-1", false, "select id from kdw_xs where 1=1");
    first->cmdFullSelect.userClick();
    ticked = first->tickedStudents().size();
    auto next = formInstance<frmBachJM_next>();
    next->load();
    next->CMB_sflx.userSelect("全日制");
    next->cmbYF.userSelect("2026年12月");
    for (int r = 1; r < next->MSFlexGrid1.rows(); ++r) {
        next->MSFlexGrid1.userCellClick(r, frmBachJM_next::ColJm);
        next->Txt_write.userSetText("10");
    }
    items = next->MSFlexGrid1.rows() - 1;
    next->txtJMYY.userSetText("bench");
    const double ms = millisecondsOf([&] { next->cmd_ok.userClick(); });
    const MessageRecord* last = school.ui().lastMessage();
    if (!last || last->text.rfind("操作成功！", 0) != 0) {
        std::printf("posting failed: %s\n", last ? last->text.c_str() : "no message");
        return -1;
    }
    return ms;
}

int run(const std::string& server) {
    School school(kStudents, server);
    addOpenArrears(school);
    std::vector<std::string> copies;
    for (int run = 1; run <= kRuns; ++run) copies.push_back(copyOfSchool(school, "_post" + std::to_string(run)));
    const std::string relaxedCopy = school.onServer() ? std::string() : copyOfSchool(school, ".normal");
    const double floor = floorMs(school);

    // As the office runs: every commit synced before "操作成功！".
    std::size_t ticked = 0;
    int items = 0;
    std::vector<double> runs;
    for (const std::string& copy : copies) {
        school.startHost(1, copy);
        const double ms = postingMs(school, ticked, items);
        school.stopHost();
        dropCopy(school, copy);
        if (ms < 0) return 1;
        runs.push_back(ms);
    }
    school.printMachine();
    std::printf("batch posting: %zu students, %d items each, one open arrears row each\n", ticked, items);
    std::printf("batch postings (%s), each on a fresh copy: %.1f, %.1f, %.1f ms\n", school.engineName().c_str(), runs[0],
                runs[1], runs[2]);
    printFigure("batch posting (" + school.engineName() + "), median of " + std::to_string(kRuns), median(runs), floor);
    if (!relaxedCopy.empty()) {
        // The same posting with commits synced only at checkpoints.
        school.startHost(1, relaxedCopy, "Synchronous=Normal");
        const double relaxedMs = postingMs(school, ticked, items);
        school.stopHost();
        if (relaxedMs < 0) return 1;
        std::printf("batch posting without syncing each commit (synchronous=NORMAL): %.1f ms; syncing costs %.1f ms\n",
                    relaxedMs, median(runs) - relaxedMs);
    }
    return 0;
}

}  // namespace
}  // namespace fo::bench

int main(int argc, char** argv) { return fo::bench::run(fo::bench::serverFolder(argc, argv)); }
