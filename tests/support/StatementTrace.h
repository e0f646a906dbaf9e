#pragma once
#include <mutex>
#include <string>
#include <vector>

#include "db/StatementObserver.h"

namespace fo::test {

// The Access forms a statement uses, outside its literals and quoted names:
// "format(", "iif(", "isnull(" with one argument.
std::vector<std::string> accessForms(const std::string& sql);

// The SQL Server forms a statement uses: "isnull(" with two arguments, a
// "case" expression, "getdate(".
std::vector<std::string> sqlServerForms(const std::string& sql);

// Every statement sent to an engine while it lives, in order, from every
// connection of the process.
class StatementTrace final : public StatementObserver {
public:
    StatementTrace() : previous_(statementObserver()) { setStatementObserver(this); }
    ~StatementTrace() override { setStatementObserver(previous_); }
    StatementTrace(const StatementTrace&) = delete;
    StatementTrace& operator=(const StatementTrace&) = delete;

    void statementSent(const std::string& sql) noexcept override;
    std::vector<std::string> statements() const;

private:
    StatementObserver* previous_;
    mutable std::mutex mutex_;
    std::vector<std::string> statements_;
};

}  // namespace fo::test
