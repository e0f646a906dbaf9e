#include "support/StatementTrace.h"

#include "db/sql/SqlLex.h"
#include "db/values/TextCase.h"

namespace fo::test {
namespace {

using namespace sqllex;

// A name in a statement, outside its literals, quoted names and comments: a
// function call with its number of arguments, or a bare word (a keyword, a
// column).
struct Word {
    std::string name;  // lower case
    bool call = false;
    int arguments = 0;
};

// The number of arguments of the call whose "(" is piece `open`.
int countArguments(const std::string& s, const std::vector<Piece>& pieces, std::size_t open) {
    int depth = 0, commas = 0;
    bool any = false;
    for (std::size_t i = open; i < pieces.size(); i = nextSignificant(pieces, i)) {
        if (isPunct(s, pieces[i], '(')) ++depth;
        else if (isPunct(s, pieces[i], ')') && --depth == 0) break;
        else if (isPunct(s, pieces[i], ',') && depth == 1) ++commas;
        else any = true;
    }
    return any ? commas + 1 : 0;
}

std::vector<Word> wordsOf(const std::string& s) {
    const std::vector<Piece> pieces = lex(s);
    std::vector<Word> out;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (pieces[i].kind != Lex::Word) continue;
        Word w{lowerAscii(textOf(s, pieces[i]))};
        const std::size_t next = nextSignificant(pieces, i);
        if (next < pieces.size() && isPunct(s, pieces[next], '(')) {
            w.call = true;
            w.arguments = countArguments(s, pieces, next);
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
