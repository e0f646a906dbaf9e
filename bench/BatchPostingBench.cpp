// Posting one batch reduction of three items through the wizard to 1,000
// students who each owe one open arrears row of that month, against the
// floor: the same row changes by prepared statements in one transaction.
#include <filesystem>
#include <string>

#include "BenchSchool.h"
#include "batch/frmBachJM.h"
#include "batch/frmBachJM_next.h"

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

// Record, three items, three item reductions, the closed row, its open
// remainder and the remainder's items, per student, in one transaction.
double floorMs(const std::string& path) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    std::vector<std::pair<sqlite3_int64, std::string>> students;
    {
        sqlite3_stmt* q = nullptr;
        sqlite3_prepare_v2(db, "select a.id,b.mc from kdw_xs a,kdw_bj b where a.bjid=b.id and a.del=0 and a.intTx=0",
                           -1, &q, nullptr);
        while (sqlite3_step(q) == SQLITE_ROW)
            students.emplace_back(sqlite3_column_int64(q, 0), reinterpret_cast<const char*>(sqlite3_column_text(q, 1)));
        sqlite3_finalize(q);
    }
    const double ms = millisecondsOf([&] {
        sqlite3_exec(db, "begin", nullptr, nullptr, nullptr);
        Stmt record(db, "insert into kdw_sfjl(id,sfrq,sflxid,xsid,bjmc,jmje,jmyy,ysfjlid,qfkid,hkid,rq,operid,sfyf,skr,djbh)"
                        " values(?,'2026-12-01',1,?,?,30,'bench',0,0,0,'2026-12-06 10:00:00',1,'202612','bench',?)");
        Stmt item(db, "insert into kdw_sfjlmx(sfjlid,sfxmid,jmje,feeTermName,cqts,ysje,ye) values(?,?,10,'t',0,?,0)");
        Stmt reduce(db, "update qfmxb set jmje=10 where qfkid=? and sfxmid=? and xsid=?");
        Stmt close(db, "update qfhzb set jmje=30,jmjlid=?,fkrq='2026-12-06 10:00:00' where qfkid=? and xsid=?");
        Stmt remainder(db, "insert into qfhzb(qfkid,qfyf,xsid,qfrq,qfje,sjqfje,fkje,yqfkid,userid,cqts,qjts,jmje)"
                           " values(?,'202612',?,'2026-12-06',1211,0,0,?,1,0,0,0)");
        Stmt copy(db, "insert into qfmxb(qfkid,xsid,sflxid,sfxmid,qfje,fkje,jmje) select ?,xsid,sflxid,sfxmid,"
                      "qfje-fkje-jmje,0,0 from qfmxb where qfkid=? and xsid=? and qfje-fkje-jmje>0");
        sqlite3_int64 id = 900000, newRow = 900000;
        for (const auto& [xsid, bjmc] : students) {
            ++id;
            const std::string djbh = "JMB" + std::to_string(id);
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
    next->cmbYF.userSelect("202612");
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

int run() {
    School school(kStudents);
    addOpenArrears(school);
    const std::string floorCopy = school.path() + ".floor", relaxedCopy = school.path() + ".normal";
    std::filesystem::copy_file(school.path(), floorCopy);
    std::filesystem::copy_file(school.path(), relaxedCopy);
    if (std::filesystem::exists(school.path() + ".counters"))
        std::filesystem::copy_file(school.path() + ".counters", relaxedCopy + ".counters");
    const double floor = floorMs(floorCopy);

    // As the office runs: every commit synced before "操作成功！".
    std::size_t ticked = 0;
    int items = 0;
    school.startHost(1);
    const double ms = postingMs(school, ticked, items);
    school.stopHost();
    // The same posting with commits synced only at checkpoints.
    school.startHost(1, relaxedCopy, "Synchronous=Normal");
    const double relaxedMs = postingMs(school, ticked, items);
    if (ms < 0 || relaxedMs < 0) return 1;
    printMachine();
    std::printf("batch posting: %zu students, %d items each, one open arrears row each\n", ticked, items);
    printFigure("batch posting", ms, floor);
    std::printf("batch posting without syncing each commit (synchronous=NORMAL): %.1f ms; syncing costs %.1f ms\n",
                relaxedMs, ms - relaxedMs);
    return 0;
}

}  // namespace
}  // namespace fo::bench

int main() { return fo::bench::run(); }
