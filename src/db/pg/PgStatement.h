#pragma once
#include <memory>
#include <string>
#include <vector>

#include "db/Statement.h"

namespace fo {

class PgEngine;

// A statement of the server engine, prepared on the server once per kind of
// values bound (a whole number as bigint, money as numeric, a date as
// timestamp, text and null left for the server to infer from where they
// stand), so that a parameter in a select list gets the type of what is
// bound there. Values travel as text, money in its exact decimals.
class PgStatement final : public EngineStatement {
public:
    // `serverText` is the statement as the server reads it ("$n" parameters,
    // rewritten); `text` the caller's, for errors.
    PgStatement(PgEngine& engine, std::string text, std::string serverText, int parameters);
    ~PgStatement() override;
    PgStatement(const PgStatement&) = delete;
    PgStatement& operator=(const PgStatement&) = delete;

    int parameterCount() const override { return parameters_; }
    RecordsetPtr execute(const std::vector<Value>& values, long* affected) override;
    // In one round trip (see PgEngine::runSeries).
    void executeSeries(std::vector<SeriesRun>& runs) override;

    // The statement made ready on the server for `values`: its name there
    // and the values as the server reads them (null for null; `params`
    // points into `texts`, so a Bound is filled where it stays).
    struct Bound {
        std::string name;
        std::vector<std::string> texts;
        std::vector<const char*> params;
    };
    void bind(const std::vector<Value>& values, Bound& out);
    const std::string& text() const { return text_; }

private:
    PgEngine& engine_;
    std::weak_ptr<const int> engineAlive_;
    std::string text_, serverText_;
    int parameters_;
    std::string name_;             // on the server; empty before the first run
    std::vector<unsigned> types_;  // the type of each parameter it was prepared with
};

}  // namespace fo
