#include "db/StatementCache.h"

#include <sqlite3.h>

#include <cctype>

namespace fo {

sqlite3_stmt* StatementCache::take(const std::string& text) {
    const auto found = entries_.find(text);
    if (found == entries_.end()) return nullptr;
    sqlite3_stmt* stmt = found->second.stmt;
    order_.erase(found->second.place);
    entries_.erase(found);
    return stmt;
}

void StatementCache::give(const std::string& text, sqlite3_stmt* stmt) {
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    if (capacity_ == 0 || entries_.count(text)) {
        sqlite3_finalize(stmt);
        return;
    }
    if (entries_.size() >= capacity_) {
        const auto oldest = entries_.find(order_.back());
        sqlite3_finalize(oldest->second.stmt);
        entries_.erase(oldest);
        order_.pop_back();
    }
    order_.push_front(text);
    entries_.emplace(text, Entry{stmt, order_.begin()});
}

void StatementCache::clear() {
    for (auto& [text, entry] : entries_) sqlite3_finalize(entry.stmt);
    entries_.clear();
    order_.clear();
}

bool StatementCache::worthKeeping(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    std::string word;
    while (i < text.size() && std::isalpha(static_cast<unsigned char>(text[i])) && word.size() < 8)
        word += static_cast<char>(std::tolower(static_cast<unsigned char>(text[i++])));
    return word == "select" || word == "insert" || word == "update" || word == "delete" || word == "with" ||
           word == "replace";
}

}  // namespace fo
