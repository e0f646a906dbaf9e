#include "db/Statement.h"

#include "db/DbError.h"
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
    values_[static_cast<std::size_t>(index - 1)] = std::move(value);
    return *this;
}

Statement& Statement::bindAll(std::vector<Value> values) {
    if (values.size() != values_.size())
        throw misuse(std::to_string(values.size()) + " values for " + std::to_string(values_.size()) + " parameters",
                     text_);
    values_ = std::move(values);
    return *this;
}

void Statement::clearBindings() {
    for (Value& v : values_) v = Value();
}

RecordsetPtr Statement::execute(long* recordsAffected) {
    if (session_.expired())
        throw DbError(DbErrorKind::Other, dberr::NotOpen, "程序内部错误：数据库连接的使用顺序不对，本次操作没有保存。",
                      "Operation is not allowed when the object is closed.", text_);
    if (StatementObserver* observer = statementObserver()) observer->statementSent(text_);
    long affected = 0;
    RecordsetPtr rs = engine_->execute(values_, &affected);
    if (recordsAffected) *recordsAffected = affected;
    return rs;
}

}  // namespace fo
