#include "support/StatementTrace.h"

#include <cctype>

namespace fo::test {
namespace {

// A name in a statement: a function call with its number of arguments, or a
// bare word (a keyword, a column).
struct Word {
    std::string name;  // lower case
    bool call = false;
    int arguments = 0;
};

bool nameChar(unsigned char c) { return std::isalnum(c) || c == '_' || c >= 0x80; }

// Past the literal or quoted name that starts at `i`.
std::size_t skipQuoted(const std::string& s, std::size_t i) {
    const char close = s[i] == '[' ? ']' : s[i];
    for (++i; i < s.size(); ++i) {
        if (s[i] != close) continue;
        if (close != ']' && i + 1 < s.size() && s[i + 1] == close) {
            ++i;  // a doubled quote stands for one
            continue;
        }
        return i + 1;
    }
    return i;
}

bool quoteAt(const std::string& s, std::size_t i) { return s[i] == '\'' || s[i] == '"' || s[i] == '['; }

// The number of arguments of the call whose "(" is at `open`.
int countArguments(const std::string& s, std::size_t open) {
    int depth = 0, commas = 0;
    bool any = false;
    for (std::size_t i = open; i < s.size();) {
        if (quoteAt(s, i)) {
            any = true;
            i = skipQuoted(s, i);
            continue;
        }
        const char c = s[i++];
        if (c == '(') ++depth;
        else if (c == ')' && --depth == 0) break;
        else if (c == ',' && depth == 1) ++commas;
        else if (depth >= 1 && !std::isspace(static_cast<unsigned char>(c))) any = true;
    }
    return any ? commas + 1 : 0;
}

std::vector<Word> wordsOf(const std::string& s) {
    std::vector<Word> out;
    for (std::size_t i = 0; i < s.size();) {
        if (quoteAt(s, i)) {
            i = skipQuoted(s, i);
            continue;
        }
        if (!nameChar(static_cast<unsigned char>(s[i])) || std::isdigit(static_cast<unsigned char>(s[i]))) {
            // A number runs on to its end, so "1e5" names nothing.
            if (std::isdigit(static_cast<unsigned char>(s[i])))
                while (i < s.size() && nameChar(static_cast<unsigned char>(s[i]))) ++i;
            else
                ++i;
            continue;
        }
        Word w;
        while (i < s.size() && nameChar(static_cast<unsigned char>(s[i])))
            w.name += static_cast<char>(std::tolower(static_cast<unsigned char>(s[i++])));
        std::size_t next = i;
        while (next < s.size() && std::isspace(static_cast<unsigned char>(s[next]))) ++next;
        if (next < s.size() && s[next] == '(') {
            w.call = true;
            w.arguments = countArguments(s, next);
        }
        out.push_back(std::move(w));
    }
    return out;
}

}  // namespace

std::vector<std::string> accessForms(const std::string& sql) {
    std::vector<std::string> found;
    for (const Word& w : wordsOf(sql)) {
        if (!w.call) continue;
        if (w.name == "format" || w.name == "iif") found.push_back(w.name + "(");
        else if (w.name == "isnull" && w.arguments == 1) found.push_back("isnull( with one argument");
    }
    return found;
}

std::vector<std::string> sqlServerForms(const std::string& sql) {
    std::vector<std::string> found;
    for (const Word& w : wordsOf(sql)) {
        if (w.name == "case" && !w.call) found.push_back("case");
        else if (w.call && w.name == "getdate") found.push_back("getdate(");
        else if (w.call && w.name == "isnull" && w.arguments == 2) found.push_back("isnull( with two arguments");
    }
    return found;
}

void StatementTrace::statementSent(const std::string& sql) noexcept {
    try {
        std::lock_guard lock(mutex_);
        statements_.push_back(sql);
    } catch (...) {
        // Out of memory: the trace misses a statement, the statement still runs.
    }
}

std::vector<std::string> StatementTrace::statements() const {
    std::lock_guard lock(mutex_);
    return statements_;
}

}  // namespace fo::test
