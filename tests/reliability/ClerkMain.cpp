// A clerk in a process of its own, for the reliability tests: works the
// module's windows on a fee database and prints one line per operation,
// flushed at once, so a parent can count what it was told was committed
// and kill it at any moment.
//
//   reliability_clerk --db BOOKS --dialect 1|0 --settings DIR --name NAME
//                     [--seed S] [--ops N] [--mode mix|reduce|charge|cancel|coming]
//                     [--targets A,B,...] [--barrier FILE] [--mistakes 1|0]
//                     [--window single|wizard|list] [--preview 1|0] [--after FILE] [--then FILE]
//
// mix: N postings chosen at random (N=0: until killed), reasons NAME-i.
// reduce, charge: each target arrears row reduced or paid in full, from
//   windows all filled in before the barrier opens. cancel: each target
//   reduction cancelled from one records window listed before the barrier.
// coming: see Clerk::comingCharge; the last word waits for the barrier and
//   --after, --then is written when done.
//
// Output lines: "done ..." (ClerkProcess reads them), "msg TEXT" for every
// message box, "ready" at the barrier, "abort TEXT" when a window asked what
// nobody answers, "escaped TEXT" when an exception left a window.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <thread>

#include "reliability/Books.h"
#include "reliability/Clerk.h"
#include "ui/FormInstance.h"

using namespace fo;
using namespace fo::test;

namespace {

std::string oneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    std::replace(text.begin(), text.end(), '\r', ' ');
    return text;
}

void report(const Posting& p) {
    for (const std::string& m : p.messages) std::cout << "msg " << oneLine(m) << "\n";
    const std::string students = joined(p.students);
    std::cout << "done " << p.kind << " " << p.committed << " " << p.attempted << " " << p.records << " "
              << (p.tag.empty() ? "-" : p.tag) << " " << (students.empty() ? "-" : students) << std::endl;
}

void waitForFile(const std::string& path) {
    while (!path.empty() && !std::filesystem::exists(path)) std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

// Runs one step, reporting what escaped it instead of dying of it.
template <class Step>
void guarded(Step&& step) {
    try {
        step();
    } catch (const HeadlessAbort& a) {
        std::cout << "abort " << oneLine(a.message()) << std::endl;
        FormInstances::releaseAll();
    } catch (const std::exception& e) {
        std::cout << "escaped " << oneLine(e.what()) << std::endl;
        FormInstances::releaseAll();
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::map<std::string, std::string> arg{{"--dialect", "1"}, {"--seed", "1"}, {"--ops", "10"}, {"--mode", "mix"},
                                           {"--name", "clerk"}, {"--mistakes", "1"}};
    for (int i = 1; i + 1 < argc; i += 2) arg[argv[i]] = argv[i + 1];
    if (arg["--db"].empty() || arg["--settings"].empty()) {
        std::cerr << "usage: reliability_clerk --db BOOKS --settings DIR [options; see ClerkMain.cpp]\n";
        return 2;
    }
    const std::string name = arg["--name"], mode = arg["--mode"];
    const auto targets = split(arg["--targets"]);
    auto atBarrier = [&] {
        if (arg["--barrier"].empty()) return;
        std::cout << "ready" << std::endl;
        waitForFile(arg["--barrier"]);
    };

    ClerkOffice office(arg["--db"], std::stoi(arg["--dialect"]), arg["--settings"]);
    Clerk clerk(office, std::stoull(arg["--seed"]));
    clerk.setMistakes(arg["--mistakes"] != "0");
    if (mode == "mix") {
        atBarrier();
        const long ops = std::stol(arg["--ops"]);
        for (long i = 0; ops == 0 || i < ops; ++i) guarded([&] { report(clerk.anyPosting(name + "-" + std::to_string(i))); });
    } else if (mode == "reduce" || mode == "charge" || mode == "cancel") {
        guarded([&] {
            for (const Posting& p : mode == "cancel" ? clerk.cancelFromOneList(targets, atBarrier)
                                                     : clerk.rowsTogether(mode, targets, name, atBarrier))
                report(p);
        });
    } else if (mode == "coming") {
        guarded([&] {
            report(clerk.comingCharge(arg["--window"], targets, name, arg["--preview"] == "1", [&] {
                atBarrier();
                waitForFile(arg["--after"]);
            }));
        });
        if (!arg["--then"].empty()) std::ofstream(arg["--then"]) << "done\n";
    } else {
        std::cerr << "unknown mode " << mode << "\n";
        return 2;
    }
    std::cout << "end" << std::endl;
    return 0;
}
