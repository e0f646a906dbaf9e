#include "db/pg/PgStatement.h"

#include <libpq-fe.h>

#include "db/pg/PgEngine.h"

namespace fo {
namespace {

// Type ids of the server's built-in types (pg_type.oid), 0 to let it infer.
constexpr unsigned kBigint = 20, kFloat8 = 701, kNumeric = 1700, kTimestamp = 1114;

unsigned typeOf(const Value& v) {
    switch (v.kind()) {
    case Value::Kind::Integer: return kBigint;
    case Value::Kind::Currency: return kNumeric;
    case Value::Kind::Double: return kFloat8;
    case Value::Kind::Date: return kTimestamp;
    case Value::Kind::Null:
    case Value::Kind::Text: break;
    }
    return 0;
}

}  // namespace

PgStatement::PgStatement(PgEngine& engine, std::string text, std::string serverText, int parameters)
    : engine_(engine), engineAlive_(engine.alive()), text_(std::move(text)), serverText_(std::move(serverText)),
      parameters_(parameters) {}

PgStatement::~PgStatement() {
    if (!name_.empty() && !engineAlive_.expired()) engine_.release(name_);
}

void PgStatement::bind(const std::vector<Value>& values, Bound& bound) {
    std::vector<unsigned> types(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) types[i] = typeOf(values[i]);
    // A null fits whatever the statement was prepared with; another kind of
    // value than before needs the statement prepared for it.
    bool fits = !name_.empty();
    for (std::size_t i = 0; fits && i < types.size(); ++i)
        fits = values[i].isNull() || types[i] == types_[i];
    if (!fits) {
        if (!name_.empty()) engine_.release(name_);
        name_.clear();
        name_ = engine_.prepareOnServer(serverText_, types, text_);
        types_ = types;
    }
    bound.name = name_;
    bound.texts.assign(values.size(), std::string());
    bound.params.assign(values.size(), nullptr);
    for (std::size_t i = 0; i < values.size(); ++i) {
        bound.texts[i] = values[i].toText();
        bound.params[i] = values[i].isNull() ? nullptr : bound.texts[i].c_str();
    }
}

RecordsetPtr PgStatement::execute(const std::vector<Value>& values, long* affected) {
    Bound bound;
    bind(values, bound);
    return engine_.runPrepared(bound.name, bound.params, text_, affected);
}

void PgStatement::executeSeries(std::vector<SeriesRun>& runs) { engine_.runSeries(runs); }

}  // namespace fo
