// What both batch benchmarks share: a generated school run by the reference
// host with the headless binding, a clock, and the figures printed as
// "name: N ms (floor M ms, ratio R)" with the machine they ran on.
#pragma once
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "host/DemoSchool.h"
#include "host/ReferenceHost.h"
#include "host/api/ModuleGlobals.h"
#include "ui/CommandButton.h"
#include "ui/FormInstance.h"
#include "ui/HeadlessUi.h"

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

inline void printMachine() {
    std::printf("machine: %s, %u hardware threads, SQLite %s\n", cpuName().c_str(),
                std::thread::hardware_concurrency(), sqlite3_libversion());
}

inline void printFigure(const char* name, double ms, double floorMs) {
    std::printf("%s: %.1f ms (floor %.1f ms, %.2f x floor; goal under 1000 ms and within 3 x floor)\n", name, ms,
                floorMs, floorMs > 0 ? ms / floorMs : 0.0);
}

// A throw-away folder with a generated school of `students` on 2026-12-06
// (September to November carried over, December open) and a sixth fee item,
// a monthly 午点费 of 100 for the first fee type.
class School {
public:
    explicit School(int students) {
        dir_ = std::filesystem::temp_directory_path() / ("feeoffice-bench-" + std::to_string(::getpid()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        DemoOptions options;
        options.students = students;
        options.today = "2026-12-06";
        writeDemoSchool(path(), options);
        exec("insert into kdw_sfxm(id,bh,mc,jflx,cqts,qftj) values(6,'06','午点费',3,'N','Y')");
        exec("insert into kdw_sflx(id,mc,sfxmid,je,mrcqts) values(1,'全日制',6,100,0)");
    }
    ~School() {
        ui_.setModalRunner([](Form& f) { f.unload(); });
        FormInstances::releaseAll();
        globals() = ModuleGlobals{};
        std::filesystem::remove_all(dir_);
    }

    std::string path() const { return (dir_ / "fee.db").string(); }

    // Runs one statement on a connection of its own.
    void exec(const std::string& sql) const {
        sqlite3* db = nullptr;
        sqlite3_open(path().c_str(), &db);
        char* error = nullptr;
        const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
        const std::string message = error ? error : "";
        sqlite3_free(error);
        sqlite3_close(db);
        if (rc != SQLITE_OK) throw std::runtime_error(message + ": " + sql);
    }

    // Hands the school (or a copy of it at `file`) to the module as the host
    // application does, its sessions opened with `options`.
    void startHost(int dialect, const std::string& file = {}, const std::string& options = {}) {
        host_ = std::make_shared<ReferenceHost>(file.empty() ? path() : file, dialect);
        if (!options.empty()) host_->setConnectionOptions(options);
        host_->installInModuleGlobals();
        globals().host = host_;
        globals().settings = host_->loadSettings();
        globals().feePeriod = host_->pFindJzDate();
        globals().transLinkString = host_->gLinkString();
        ui_.install();
        ui_.setModalRunner([](Form& f) {
            if (f.name() == "frmMsg") f.find<CommandButton>("cmdOk")->userClick();
        });
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
    std::filesystem::path dir_;
    std::shared_ptr<ReferenceHost> host_;
    HeadlessUi ui_;
};

}  // namespace fo::bench
