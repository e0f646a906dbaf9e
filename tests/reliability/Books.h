#pragma once
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "data/checks/BooksCheck.h"
#include "support/TempDir.h"

namespace fo::test {

// An engine the books can live on, for the tests that must hold on every
// engine: it makes a demo fee office of its own for one test and names it
// by a locator that the reference host and the clerk both open (a
// database file on the embedded engine).
struct BooksEngine {
    std::string name;
    std::function<std::string(const TempDir& dir)> demoOffice;
};

// Every engine the tests run on.
const std::vector<BooksEngine>& booksEngines();

// The books check of the books at `locator`, the host's counters included.
std::vector<BooksFault> checkBooksAt(const std::string& locator);

// The faults one per line, for a failure message.
std::string describe(const std::vector<BooksFault>& faults);

// True when a message box text reads as an engine's or library's English
// rather than the module's Chinese: a word of four or more Latin letters,
// not all capitals (a document number's prefix) nor a name of the books,
// leaving out what the clerk typed himself (`typed`).
bool looksEnglish(std::string text, const std::string& typed = {});

// `parts` joined by commas, and a text split at every `sep` (nothing for an
// empty text; an empty piece where two separators meet or one ends it).
std::string joined(const std::vector<std::string>& parts);
std::vector<std::string> split(const std::string& text, char sep = ',');

// A whole number from the environment, or `fallback`: how `make stress`
// raises the counts of the same tests.
long fromEnvironment(const char* name, long fallback);

// A test parameter: an engine and a dialect code.
using EngineDialect = std::tuple<std::size_t, int>;
std::string engineDialectName(const ::testing::TestParamInfo<EngineDialect>& info);

}  // namespace fo::test

// Runs every TEST_P of `suite` on every engine, and on every engine in both dialects.
#define FO_INSTANTIATE_ENGINES(suite)                                                                     \
    INSTANTIATE_TEST_SUITE_P(Engines, suite, ::testing::Range<std::size_t>(0, ::fo::test::booksEngines().size()), \
                             [](const ::testing::TestParamInfo<std::size_t>& info) {                      \
                                 return ::fo::test::booksEngines()[info.param].name;                      \
                             })
#define FO_INSTANTIATE_ENGINES_AND_DIALECTS(suite)                                                        \
    INSTANTIATE_TEST_SUITE_P(Engines, suite,                                                             \
                             ::testing::Combine(::testing::Range<std::size_t>(0, ::fo::test::booksEngines().size()), \
                                                ::testing::Values(1, 0)),                                 \
                             ::fo::test::engineDialectName)
