#pragma once
#include <cstddef>
#include <list>
#include <string>
#include <unordered_map>

struct sqlite3;
struct sqlite3_stmt;

namespace fo {

// The prepared statements of one SQLite session, by the text they were
// prepared from, so that a text run again skips the parse. Only the most
// recently used are kept; each is reset before it goes back, so a kept
// statement holds neither a lock nor a snapshot. A statement is lent out by
// take() and handed back by give(); one lent out is not in the cache, so a
// text running inside itself never shares its statement.
class StatementCache {
public:
    explicit StatementCache(std::size_t capacity = 64) : capacity_(capacity) {}
    ~StatementCache() { clear(); }
    StatementCache(const StatementCache&) = delete;
    StatementCache& operator=(const StatementCache&) = delete;

    // The statement prepared from `text`, or nullptr; the caller owns it
    // until it gives it back.
    sqlite3_stmt* take(const std::string& text);
    // Keeps `stmt` (prepared from `text`) after resetting it; the least
    // recently used one goes when the cache is full.
    void give(const std::string& text, sqlite3_stmt* stmt);
    // Finalises every kept statement (before the session closes).
    void clear();

    // Texts worth keeping: queries and row changes. Others (schema changes,
    // pragmas, transaction control) run seldom or act when prepared.
    static bool worthKeeping(const std::string& text);

private:
    using Order = std::list<std::string>;  // most recently used first
    struct Entry {
        sqlite3_stmt* stmt;
        Order::iterator place;
    };
    std::size_t capacity_;
    Order order_;
    std::unordered_map<std::string, Entry> entries_;
};

}  // namespace fo
