// What both batch benchmarks share: a generated school on the embedded
// engine or on a PostgreSQL server, run by the reference host with the
// headless binding, a clock, and the figures printed as
// "name: N ms (floor M ms, ratio R)" with the machine and engine they ran on.
#pragma once
#include <libpq-fe.h>
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "data/PgFeeSchema.h"
#include "db/pg/PgLink.h"
#include "host/demo/DemoSchool.h"
#include "host/ReferenceHost.h"
#include "host/api/ModuleGlobals.h"
#include "ui/controls/CommandButton.h"
#include "ui/FormInstance.h"
#include "ui/headless/HeadlessUi.h"

namespace fo::bench {

inline double millisecondsOf(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

inline std::string cpuName() {
    std::ifstream in("/proc/cpuinfo");
    for (std::string line; std::getline(in, line);)
        if (line.rfind("model name", 0) == 0) return line.substr(line.find(':') + 2);
    return "unknown CPU";
}

// The server of a run on PostgreSQL: `--postgres STATE` names the file the
// cluster script wrote (its socket folder); nothing for the embedded engine.
inline std::string serverFolder(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--postgres") == 0) {
        std::ifstream in(argv[2]);
        std::string folder;
        if (!std::getline(in, folder) || folder.empty()) throw std::runtime_error("no PostgreSQL cluster in " + std::string(argv[2]));
        return folder;
    }
    if (argc != 1) throw std::runtime_error("usage: BENCH [--postgres STATE]");
    return {};
}

inline void printFigure(const std::string& name, double ms, double floorMs) {
    std::printf("%s: %.1f ms (floor %.1f ms, %.2f x floor; goal under 1000 ms and within 3 x floor)\n", name.c_str(),
                ms, floorMs, floorMs > 0 ? ms / floorMs : 0.0);
}

// A libpq session for a floor: statements prepared once, run with their
// parameters as text.
class PgSession {
public:
    explicit PgSession(const std::string& link) : conn_(PQconnectdb(pgConninfo(link).c_str())) {
        if (PQstatus(conn_) != CONNECTION_OK) throw std::runtime_error(PQerrorMessage(conn_));
        exec("set search_path = feeoffice, pg_catalog, public");
    }
    ~PgSession() { PQfinish(conn_); }
    PgSession(const PgSession&) = delete;
    PgSession& operator=(const PgSession&) = delete;

    // Runs `sql`; returns the rows it gave.
    long exec(const std::string& sql) {
        PGresult* r = PQexec(conn_, sql.c_str());
        return finish(r);
    }
    void prepare(const std::string& name, const std::string& sql) {
        finish(PQprepare(conn_, name.c_str(), sql.c_str(), 0, nullptr));
    }
    long run(const std::string& name, const std::vector<std::string>& values) {
        std::vector<const char*> params;
        for (const std::string& v : values) params.push_back(v.c_str());
        return finish(PQexecPrepared(conn_, name.c_str(), static_cast<int>(params.size()), params.data(), nullptr,
                                     nullptr, 0));
    }
    std::string version() const { return std::to_string(PQserverVersion(conn_) / 10000) + "." + std::to_string(PQserverVersion(conn_) % 100); }

private:
    long finish(PGresult* r) {
        const ExecStatusType status = PQresultStatus(r);
        const long rows = PQntuples(r);
        const std::string error = PQresultErrorMessage(r);
        PQclear(r);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) throw std::runtime_error(error);
        return rows;
    }
    PGconn* conn_;
};

// A generated school of `students` on 2026-12-06 (September to November
// carried over, December open) and a sixth fee item, a monthly 午点费 of 100
// for the first fee type: a file in a throw-away folder, or a database of
// its own on the server in `serverFolder`, dropped afterwards.
// Hands a fee database to the module as the host application does, with the
// headless binding answering every message box with its OK button.
inline std::shared_ptr<ReferenceHost> startBenchHost(const std::string& database, int dialect, HeadlessUi& ui,
                                                     const std::string& options = {}) {
    auto host = std::make_shared<ReferenceHost>(database, dialect);
    if (!options.empty()) host->setConnectionOptions(options);
    host->installInModuleGlobals();
    globals().host = host;
    globals().settings = host->loadSettings();
    globals().feePeriod = host->pFindJzDate();
    globals().transLinkString = host->gLinkString();
    ui.install();
    ui.setModalRunner([](Form& f) {
        if (f.name() == "frmMsg") f.find<CommandButton>("cmdOk")->userClick();
    });
    return host;
}

class School {
public:
    School(int students, const std::string& serverFolder) {
        const std::string tag = "feeoffice-bench-" + std::to_string(::getpid());
        if (serverFolder.empty()) {
            dir_ = std::filesystem::temp_directory_path() / tag;
            std::filesystem::remove_all(dir_);
            std::filesystem::create_directories(dir_);
            database_ = (dir_ / "fee.db").string();
        } else {
            database_ = pgProviderString(PgLinkParts{serverFolder, "5432", "fo_bench_" + std::to_string(::getpid()), "feeoffice"});
            dropPgDatabase(database_);
        }
        DemoOptions options;
        options.students = students;
        options.today = "2026-12-06";
        writeDemoSchool(database_, options);
        exec("insert into kdw_sfxm(id,bh,mc,jflx,cqts,qftj) values(6,'06','午点费',3,'N','Y')");
        exec("insert into kdw_sflx(id,mc,sfxmid,je,mrcqts) values(1,'全日制',6,100,0)");
    }
    ~School() {
        ui_.setModalRunner([](Form& f) { f.unload(); });
        FormInstances::releaseAll();
        globals() = ModuleGlobals{};
        host_.reset();
        if (onServer()) {
            try {
                dropPgDatabase(database_);
            } catch (...) {
            }
        } else {
            std::filesystem::remove_all(dir_);
        }
    }

    bool onServer() const { return dir_.empty(); }
    // The database file, or the server database's link string.
    const std::string& database() const { return database_; }
    std::string engineName() const { return onServer() ? "PostgreSQL" : "SQLite"; }

    // Runs one statement on a connection of its own.
    void exec(const std::string& sql) const { openConnection(linkStringFor(database_))->execute(sql); }

    void printMachine() const {
        std::printf("machine: %s, %u hardware threads, %s %s\n", cpuName().c_str(), std::thread::hardware_concurrency(),
                    engineName().c_str(), onServer() ? PgSession(database_).version().c_str() : sqlite3_libversion());
    }

    // Hands the school (or a copy of its file at `file`) to the module as the
    // host application does, its sessions opened with `options`.
    void startHost(int dialect, const std::string& file = {}, const std::string& options = {}) {
        host_ = startBenchHost(file.empty() ? database_ : file, dialect, ui_, options);
    }
    // Lets go of the module's windows and the host, as closing the program does.
    void stopHost() {
        FormInstances::releaseAll();
        globals() = ModuleGlobals{};
        host_.reset();
    }
    ReferenceHost& host() { return *host_; }
    HeadlessUi& ui() { return ui_; }

private:
    std::filesystem::path dir_;  // empty on a server
    std::string database_;
    std::shared_ptr<ReferenceHost> host_;
    HeadlessUi ui_;
};

}  // namespace fo::bench
