#include <cstring>
#include <iostream>
#include <string>

#include "app/Commands.h"

namespace {

void usage(std::ostream& out) {
    out << "usage:\n"
           "  feeoffice init-demo FILE [--students N] [--seed S] [--today yyyy-mm-dd]\n"
           "  feeoffice sql --db FILE [--dialect 1|0] STATEMENT\n"
           "  feeoffice drive --db FILE [--dialect 1|0] [--user ID] [--settings DIR]\n"
           "                  [--export-dir DIR] [--set NAME=VALUE]... SCRIPT\n"
           "  feeoffice [--db FILE] [--dialect 1|0]          (the main window)\n"
           "  feeoffice tour --db FILE --out DIR [--dialect 1|0]\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h"))) {
        usage(std::cout);
        return 0;
    }
    // No verb (or only options): the main window.
    if (argc < 2 || argv[1][0] == '-') {
        try {
            return fo::app::runGui(fo::app::Args(argv + 1, argv + argc));
        } catch (const std::exception& e) {
            std::cerr << "feeoffice: " << e.what() << '\n';
            return 1;
        }
    }
    const std::string verb = argv[1];
    const fo::app::Args args(argv + 2, argv + argc);
    try {
        if (verb == "sql") return fo::app::runSql(args);
        if (verb == "init-demo") return fo::app::runInitDemo(args);
        if (verb == "drive") return fo::app::runDrive(args);
        if (verb == "tour") return fo::app::runTour(args);
    } catch (const std::exception& e) {
        std::cerr << "feeoffice: " << e.what() << '\n';
        return 1;
    }
    std::cerr << "feeoffice: unknown verb '" << verb << "'\n";
    usage(std::cerr);
    return 2;
}
