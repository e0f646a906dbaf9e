// feeoffice init-demo FILE [--students N] [--seed S] [--today yyyy-mm-dd]
//
// Writes the demo fee office to a new database file and prints what it holds.
// An existing file is never touched (exit 1); bad arguments print the usage
// (exit 2).
#include <cctype>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

#include "app/Commands.h"
#include "db/DateTime.h"
#include "host/DemoSchool.h"

namespace fo::app {
namespace {

int usage() {
    std::cerr << "usage: feeoffice init-demo FILE [--students N] [--seed S] [--today yyyy-mm-dd]\n";
    return 2;
}

std::optional<long> wholeNumber(const std::string& text, long min, long max) {
    if (text.empty() || text.size() > 9) return std::nullopt;
    for (unsigned char c : text)
        if (!std::isdigit(c)) return std::nullopt;
    const long v = std::stol(text);
    if (v < min || v > max) return std::nullopt;
    return v;
}

struct InitDemoArgs {
    std::string file;
    DemoOptions options;
};

std::optional<InitDemoArgs> parse(const Args& args) {
    InitDemoArgs out;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "--students" || word == "--seed" || word == "--today") {
            if (i + 1 >= args.size()) return std::nullopt;
            const std::string& value = args[++i];
            if (word == "--students") {
                auto n = wholeNumber(value, 1, 100000);
                if (!n) return std::nullopt;
                out.options.students = static_cast<int>(*n);
            } else if (word == "--seed") {
                auto n = wholeNumber(value, 0, 999999999);
                if (!n) return std::nullopt;
                out.options.seed = static_cast<unsigned>(*n);
            } else {
                auto d = DateTime::parse(value);
                if (!d || value.size() != 10 || d->dateText() != value) return std::nullopt;
                out.options.today = value;
            }
        } else if (out.file.empty() && word.rfind("--", 0) != 0) {
            out.file = word;
        } else {
            return std::nullopt;
        }
    }
    if (out.file.empty()) return std::nullopt;
    return out;
}

}  // namespace

int runInitDemo(const Args& args) {
    const auto parsed = parse(args);
    if (!parsed) return usage();
    std::error_code ec;
    if (std::filesystem::exists(parsed->file, ec)) {
        std::cerr << "feeoffice: " << parsed->file << " already exists; init-demo writes a new file only\n";
        return 1;
    }
    const DemoSummary s = writeDemoSchool(parsed->file, parsed->options);
    std::cout << "Demo fee office written to " << parsed->file << "\n"
              << "  students:              " << s.students << "\n"
              << "  months carried over:   " << s.monthsCarriedOver << "\n"
              << "  open month:            " << s.openMonth << "\n"
              << "  arrears rows:          " << s.arrearsRows << " (" << s.openArrearsRows << " open)\n"
              << "  receipts:              " << s.receipts << "\n"
              << "  fee records:           " << s.feeRecords << "\n";
    return 0;
}

}  // namespace fo::app
