// The engine's NOCASE collation must order every pair of texts as SQLite's
// own does: an index written by one is searched and checked by the other.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "db/sqlite/SqliteNocase.h"

namespace {

using Session = std::unique_ptr<sqlite3, decltype(&sqlite3_close)>;

Session open(const std::string& path, bool ours) {
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    if (ours) {
        EXPECT_EQ(fo::registerNocaseCollation(db), SQLITE_OK);
    }
    return Session(db, sqlite3_close);
}

// The first column of the first row `sql` gives with `texts` bound in turn
// ("" when it gives none).
std::string firstOf(sqlite3* db, const char* sql, std::initializer_list<std::string> texts) {
    sqlite3_stmt* q = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, sql, -1, &q, nullptr), SQLITE_OK) << sql;
    int n = 0;
    for (const std::string& t : texts) sqlite3_bind_text(q, ++n, t.data(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
    const int step = sqlite3_step(q);
    EXPECT_TRUE(step == SQLITE_ROW || step == SQLITE_DONE) << sqlite3_errmsg(db);
    const unsigned char* text = step == SQLITE_ROW ? sqlite3_column_text(q, 0) : nullptr;
    std::string r = text ? reinterpret_cast<const char*>(text) : "";
    sqlite3_finalize(q);
    return r;
}

// -1, 0 or 1: how the session's NOCASE orders `a` against `b`.
std::string order(sqlite3* db, const std::string& a, const std::string& b) {
    return firstOf(db, "select case when ?1=?2 collate nocase then 0 when ?1<?2 collate nocase then -1 else 1 end",
                   {a, b});
}

// Texts that reach every way a comparison can end: letters of both cases
// and the bytes just outside them, digits, a NUL, UTF-8 bytes, long shared
// prefixes (bill numbers), and lengths on both sides of an eight-byte word.
std::vector<std::pair<std::string, std::string>> testPairs() {
    const std::string alphabet("aAzZ@[`{_09SF\0\x80\xC3\xA9", 18);
    std::mt19937 random(20261207);
    auto text = [&](std::size_t length) {
        std::string s;
        for (std::size_t i = 0; i < length; ++i) s += alphabet[random() % alphabet.size()];
        return s;
    };
    std::vector<std::pair<std::string, std::string>> pairs;
    for (int i = 0; i < 4000; ++i) {
        std::string a = text(random() % 20);
        if (random() % 2) a = "SF2026120" + a;
        std::string flipped = a, changed = a;
        for (char& c : flipped)
            if (std::isalpha(static_cast<unsigned char>(c)) && random() % 2) c ^= 0x20;
        if (!changed.empty()) changed[random() % changed.size()] = alphabet[random() % alphabet.size()];
        pairs.push_back({a, text(random() % 20)});
        pairs.push_back({a, flipped});
        pairs.push_back({flipped, a});
        pairs.push_back({a, changed});
        pairs.push_back({a, a.substr(0, random() % (a.size() + 1))});
        pairs.push_back({flipped.substr(0, random() % (a.size() + 1)), a});
    }
    return pairs;
}

TEST(SqliteNocase, OrdersEveryPairAsSqlitesOwn) {
    Session own = open(":memory:", false), ours = open(":memory:", true);
    int differing = 0;
    for (const auto& [a, b] : testPairs()) {
        const std::string expected = order(own.get(), a, b);
        if (order(ours.get(), a, b) != expected && ++differing <= 5)
            ADD_FAILURE() << "'" << a << "' against '" << b << "': SQLite's own says " << expected;
    }
    EXPECT_EQ(differing, 0);
}

}  // namespace
