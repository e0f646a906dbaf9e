#include "db/Statement.h"

#include "db/DbError.h"
#include "db/sql/StorableText.h"
#include "db/StatementObserver.h"

namespace fo {
namespace {

DbError misuse(const std::string& engineText, const std::string& statement) {
    return DbError(DbErrorKind::Other, dberr::BadParameter, "程序内部错误：数据库语句的参数不对，本次操作没有保存。",
                   engineText, statement);
}

}  // namespace

Statement::Statement(std::string text, std::unique_ptr<EngineStatement> engine, std::weak_ptr<const void> session)
    : text_(std::move(text)), engine_(std::move(engine)), session_(std::move(session)),
      values_(static_cast<std::size_t>(engine_->parameterCount())) {}

Statement::Statement(Statement&&) noexcept = default;
Statement& Statement::operator=(Statement&&) noexcept = default;
Statement::~Statement() = default;

Statement& Statement::bind(int index, Value value) {
    if (index < 1 || index > parameterCount())
        throw misuse("bind index " + std::to_string(index) + " out of range 1.." + std::to_string(parameterCount()),
                     text_);
    if (value.isText()) requireStorableText(value.toText(), text_);
    values_[static_cast<std::size_t>(index - 1)] = std::move(value);
    return *this;
}

Statement& Statement::bindAll(std::vector<Value> values) {
    if (values.size() != values_.size())
        throw misuse(std::to_string(values.size()) + " values for " + std::to_string(values_.size()) + " parameters",
                     text_);
    for (const Value& v : values)
        if (v.isText()) requireStorableText(v.toText(), text_);
    values_ = std::move(values);
    return *this;
}

void Statement::clearBindings() {
    for (Value& v : values_) v = Value();
}

void Statement::beforeRun() const {
    if (session_.expired())
        throw DbError(DbErrorKind::Other, dberr::NotOpen, "程序内部错误：数据库连接的使用顺序不对，本次操作没有保存。",
                      "Operation is not allowed when the object is closed.", text_);
    if (StatementObserver* observer = statementObserver()) observer->statementSent(text_);
}

RecordsetPtr Statement::execute(long* recordsAffected) {
    beforeRun();
    long affected = 0;
    RecordsetPtr rs = engine_->execute(values_, &affected);
    if (recordsAffected) *recordsAffected = affected;
    return rs;
}

std::vector<RecordsetPtr> Statement::executeSeries(const std::vector<Run>& series, std::vector<long>& affected) {
    std::vector<SeriesRun> runs;
    runs.reserve(series.size());
    const Statement* first = series.empty() ? nullptr : series.front().first;
    for (const auto& [s, values] : series) {
        if (s->session_.owner_before(first->session_) != first->session_.owner_before(s->session_))
            throw misuse("a series of statements of more than one connection", s->text_);
        if (values.size() != s->values_.size())
            throw misuse(std::to_string(values.size()) + " values for " + std::to_string(s->values_.size()) +
                             " parameters",
                         s->text_);
        s->beforeRun();
        runs.push_back({s->engine_.get(), &values, nullptr, 0});
    }
    if (!runs.empty()) runs.front().statement->executeSeries(runs);
    std::vector<RecordsetPtr> sets;
    affected.clear();
    for (SeriesRun& run : runs) {
        sets.push_back(std::move(run.set));
        affected.push_back(run.affected);
    }
    return sets;
}

}  // namespace fo
