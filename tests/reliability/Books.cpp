#include "reliability/Books.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <set>

#include "db/values/TextCase.h"
#include "host/ReferenceHost.h"
#include "support/DemoDatabase.h"

namespace fo::test {
namespace {

// A demo school of its own for each test: a copy of the file written once
// per build, or on the run's PostgreSQL test cluster a clone of the school
// written once per run, dropped when the program ends.
std::string demoOffice(const TempDir& dir, bool onServer) {
    // The cluster ctest started for the run (a test run by hand names it
    // in FEEOFFICE_TEST_PG itself).
    if (onServer) ::setenv("FEEOFFICE_TEST_PG", RELIABILITY_PG_STATE, 0);
    static std::mutex mutex;
    static std::vector<std::unique_ptr<DemoDatabase>> made;
    auto db = std::make_unique<DemoDatabase>(dir, DemoOptions{120, 1, "2026-12-06"}, "fee.db", onServer);
    std::lock_guard lock(mutex);
    return made.emplace_back(std::move(db))->location();
}

}  // namespace

const std::vector<BooksEngine>& booksEngines() {
    static const std::vector<BooksEngine> engines = {
        {"SQLite", [](const TempDir& dir) { return demoOffice(dir, false); }},
        {"PostgreSQL", [](const TempDir& dir) { return demoOffice(dir, true); }}};
    return engines;
}

std::vector<BooksFault> checkBooksAt(const std::string& locator) {
    ReferenceHost host(locator);
    ConnectionPtr cn = host.pGetCN();
    BooksCheckOptions options;
    options.counters = [&host] { return host.counters()->readings(); };
    auto faults = checkBooks(*cn, options);
    cn->close();
    return faults;
}

std::string describe(const std::vector<BooksFault>& faults) {
    std::string out;
    for (const BooksFault& f : faults) out += f.code + ": " + f.text + "\n";
    return out;
}

bool looksEnglish(std::string text, const std::string& typed) {
    if (!typed.empty())
        for (std::size_t at; (at = text.find(typed)) != std::string::npos;) text.erase(at, typed.size());
    // Names of the books a message may show: columns, counters, the engine.
    static const std::set<std::string> names = {"tzje", "zhekou", "scjy", "hkje", "ssje", "jmje", "xsid",
                                                "inandoutml", "qfhzb", "bill", "sqlite"};
    std::string word;
    auto english = [&] {
        const bool upperOnly = std::none_of(word.begin(), word.end(), [](char c) { return c >= 'a' && c <= 'z'; });
        return word.size() >= 4 && !upperOnly && !names.count(lowerAscii(word));
    };
    for (char c : text + " ") {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            word += c;
            continue;
        }
        if (english()) return true;
        word.clear();
    }
    return false;
}

std::string joined(const std::vector<std::string>& parts) {
    std::string out;
    for (const std::string& p : parts) out += (out.empty() ? "" : ",") + p;
    return out;
}

std::vector<std::string> split(const std::string& text, char sep) {
    std::vector<std::string> parts;
    if (text.empty()) return parts;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(sep, start)) != std::string::npos; start = at + 1)
        parts.push_back(text.substr(start, at - start));
    parts.push_back(text.substr(start));
    return parts;
}

long fromEnvironment(const char* name, long fallback) {
    const char* v = std::getenv(name);
    if (!v || !*v) return fallback;
    char* end = nullptr;
    const long n = std::strtol(v, &end, 10);
    return end && *end == '\0' ? n : fallback;
}

std::string engineDialectName(const ::testing::TestParamInfo<EngineDialect>& info) {
    return booksEngines()[std::get<0>(info.param)].name + (std::get<1>(info.param) == 1 ? "_SqlServer" : "_Access");
}

}  // namespace fo::test
