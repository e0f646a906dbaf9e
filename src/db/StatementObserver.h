#pragma once
#include <string>

namespace fo {

// Sees every statement a connection hands to its engine, just before it
// runs: a statement log, a trace, or a check of what reaches the database.
// It is called on the thread that runs the statement, so an observer that
// several threads share guards its own state; it never throws.
class StatementObserver {
public:
    virtual ~StatementObserver() = default;
    virtual void statementSent(const std::string& sql) noexcept = 0;
};

// Installs `observer` for every connection of the process in place of the
// one before (nullptr: none). The caller keeps it alive while installed and
// removes it only when no other thread runs statements.
void setStatementObserver(StatementObserver* observer);

// The observer in force, nullptr when there is none.
StatementObserver* statementObserver();

}  // namespace fo
