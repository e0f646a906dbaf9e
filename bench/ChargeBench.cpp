// The fee window's charge on ten years of a large school, against its floor
// measured in the same run: one student's open stored arrears row paid whole
// in cash, as the window's button posts it (the audit row, the plan made
// again under the lock with every re-check, its statements, the receipt
// through insertPjML, the synced commit), on about 1,000,000 and about
// 10,000 fee records, booked on a copy of the school; the floor is the same
// row changes by prepared statements in one committed transaction.
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchSchool.h"
#include "BulkSchool.h"
#include "db/sqlite/SqliteFunctions.h"
#include "fees/ChargePosting.h"

namespace fo::bench {
namespace {

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

struct OpenRow {
    std::string qfkid, xsid, qfyf;
    std::vector<std::pair<std::string, Currency>> items;  // sfxmid, owed
};

// Open stored rows of students owing one row only, a spread of them.
std::vector<OpenRow> rowsToPay(Connection& cn, int count) {
    std::vector<std::string> all;
    for (auto rs = cn.execute("select h.qfkid from qfhzb h where h.fkrq is null and h.sfjlid=0 and h.jmjlid=0 and"
                              " h.fkje=0 and h.xsid in(select id from kdw_xs where del=0) and h.qfkid in(select qfkid from qfmxb group by qfkid having sum(fkje)=0 and"
                              " sum(jmje)=0) order by h.qfkid");
         !rs->eof(); rs->moveNext())
        all.push_back(rs->field(std::size_t{0}).toText());
    std::vector<OpenRow> out;
    for (int i = 0; i < count && !all.empty(); ++i) {
        OpenRow r;
        r.qfkid = all[(all.size() * (2 * i + 1)) / (2 * count)];
        auto h = cn.execute("select xsid,qfyf from qfhzb where qfkid=" + r.qfkid);
        r.xsid = h->field("xsid").toText();
        r.qfyf = h->field("qfyf").toText();
        for (auto it = cn.execute("select sfxmid,qfje from qfmxb where qfkid=" + r.qfkid); !it->eof(); it->moveNext())
            r.items.emplace_back(it->field("sfxmid").toText(), it->field("qfje").toCurrency());
        out.push_back(std::move(r));
    }
    return out;
}

double chargeMs(ReferenceHost& host, const OpenRow& r) {
    charge::Order o;
    o.xsid = r.xsid;
    for (const auto& [item, owed] : r.items) {
        o.lines.push_back({item, r.qfyf, r.qfkid, "项目" + item, owed, owed});
        o.cash += owed;
    }
    ConnectionPtr tr = host.pgettrcn();
    return millisecondsOf([&] {
        tr->beginTrans();
        charge::post(*tr, host, o, nullptr, "收费");
        tr->commitTrans();
    });
}

// The same rows by prepared statements: the record, its items, the journal
// row and line, the balances and dates, the settled row and its items, the
// receipt and its items.
double floorMs(const std::string& path, const OpenRow& r, long id) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    registerSqliteFunctions(db);
    sqlite3_exec(db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    auto run = [db](const std::string& sql) {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) != SQLITE_OK)
            throw std::runtime_error(std::string(sqlite3_errmsg(db)) + ": " + sql);
        while (sqlite3_step(s) == SQLITE_ROW) {
        }
        sqlite3_finalize(s);
    };
    const std::string n = std::to_string(id), x = r.xsid;
    const double ms = millisecondsOf([&] {
        run("begin immediate");
        run("insert into kdw_sfjl(id,djbh,sfrq,xsid,je,ssje,InOrOut,skzhid,rq,sfyf) values(" + n + ",'SFBENCH" + n +
            "','2026-12-06'," + x + ",100,100,1,1,'2026-12-06 10:00:00','202612')");
        for (const auto& [item, owed] : r.items) {
            run("insert into kdw_sfjlmx(sfjlid,sfxmid,je,ysje,feetermname) values(" + n + "," + item + "," +
                owed.plainText() + "," + owed.plainText() + ",'" + r.qfyf + "')");
            run("update qfmxb set fkje=" + owed.plainText() + " where qfkid=" + r.qfkid + " and sfxmid=" + item);
            run("insert into PJMLmx(PjMLid,xmmc,term,je,cqts,bz) values(" + n + ",'项目','" + r.qfyf + "'," +
                owed.plainText() + ",0,'')");
        }
        run("insert into INandOutML(djbh,id,cw_date,je,userID,jzyf,czrq,jbr,zy,checked,yjlid) values('SFBENCH" + n +
            "'," + n + ",'2026-12-06',100,1,'202612','2026-12-06 10:00:00','bench','收费',0,0)");
        run("insert into INandOut(num,subid,addje,subje,jd,rootid) values(" + n + ",1,100,0,1,1)");
        run("update kdw_xs set scsfrq=bcsfrq,bcsfrq='2026-12-06' where id=" + x);
        run("update qfhzb set fkje=100,fkrq='2026-12-06',sfjlid=" + n + " where fkrq is null and qfkid=" + r.qfkid);
        run("insert into PJML(id,djbh,pjState,bjmc,xsid,xh,xm,kprq,bz,hjje,jeDx,kpr,skr) values(" + n + ",'SFBENCH" +
            n + "','','班'," + x + ",'1','学生','2026-12-06 10:00:00','',100,'壹佰元整','bench','bench')");
        run("commit");
    });
    sqlite3_close(db);
    return ms;
}

void benchCharges(const char* what, const std::string& school) {
    const std::string path = school + ".charges";
    for (const char* suffix : {"", "-wal", "-shm", ".counters"}) std::filesystem::remove(path + suffix);
    std::filesystem::copy_file(school, path);
    if (std::filesystem::exists(school + ".counters")) std::filesystem::copy_file(school + ".counters", path + ".counters");
    std::vector<double> times, floors;
    long records = 0;
    {
        HeadlessUi ui;
        auto host = startBenchHost(path, 1, ui);
        ConnectionPtr cn = host->pGetCN();
        records = static_cast<long>(cn->execute("select count(*) from kdw_sfjl")->field(std::size_t{0}).toInt());
        const std::vector<OpenRow> rows = rowsToPay(*cn, 14);
        if (rows.size() < 4) throw std::runtime_error("no open arrears row to pay in " + path);
        for (std::size_t i = 0; i < rows.size(); i += 2) times.push_back(chargeMs(*host, rows[i]));
        long id = 90000000;
        for (std::size_t i = 1; i < rows.size(); i += 2) floors.push_back(floorMs(path, rows[i], id++));
        FormInstances::releaseAll();
        globals() = ModuleGlobals{};
    }
    for (const char* suffix : {"", "-wal", "-shm", ".counters"}) std::filesystem::remove(path + suffix);
    std::printf("charge of one arrears row in its transaction, %s (%ld fee records): %.1f ms median of %zu (%.1f to "
                "%.1f; floor %.1f ms; %.2f x floor; goal under 50 ms)\n",
                what, records, median(times), times.size(), *std::min_element(times.begin(), times.end()),
                *std::max_element(times.begin(), times.end()), median(floors), median(times) / median(floors));
}

int run(int argc, char** argv) {
    const std::string cache = FO_BENCH_CACHE;
    setenv("XDG_STATE_HOME", cache.c_str(), 1);
    // `--small`: only the small school (a quick look, no large school made).
    const bool smallOnly = argc > 1 && std::string(argv[1]) == "--small";
    std::printf("machine: %s, SQLite %s\n", cpuName().c_str(), sqlite3_libversion());
    if (!smallOnly) benchCharges("large school", cachedBulkSchool(cache, BulkOptions{8000, 7}));
    benchCharges("small school", cachedBulkSchool(cache, BulkOptions{80, 7}));
    return 0;
}

}  // namespace
}  // namespace fo::bench

int main(int argc, char** argv) {
    try {
        return fo::bench::run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ChargeBench: %s\n", e.what());
        return 1;
    }
}
