#include "db/Recordset.h"
#include "db/TextCase.h"

#include <stdexcept>

#include "db/DbError.h"
#include "db/RecordsetFilter.h"

namespace fo {
namespace {

const char* const kNoCurrentRow =
    "Either BOF or EOF is True, or the current record has been deleted. "
    "Requested operation requires a current record.";
const char* const kNoSuchField =
    "Item cannot be found in the collection corresponding to the requested name or ordinal: ";
const char* const kClosed = "Operation is not allowed when the object is closed.";

// A program reading a result set wrongly: the clerk is told that it failed,
// the engine text keeps how.
DbError misread(int code, const std::string& engineText) {
    return DbError(DbErrorKind::Other, code, "程序内部错误：读取查询结果的方式不对。", engineText);
}

DbError noSuchField(const std::string& which) {
    return DbError(DbErrorKind::Other, dberr::NoSuchField, "程序内部错误：查询结果中没有字段“" + which + "”。",
                   kNoSuchField + which);
}

}  // namespace

void Recordset::appendField(std::string name, DataType type, int size) {
    if (!rows_.empty()) throw std::logic_error("Recordset::appendField on a set that has rows");
    fields_.push_back(FieldInfo{std::move(name), type, size});
}

void Recordset::open() {
    state_ = Open;
    rebuildView();
}

void Recordset::close() {
    state_ = Closed;
    rows_.clear();
    view_.clear();
    pos_ = 0;
    filterText_.clear();
    compiledFilter_.reset();
}

void Recordset::addNew() {
    requireOpen();
    rows_.emplace_back(fields_.size());
    // The new row stays visible whatever the filter says until the view is rebuilt.
    view_.push_back(rows_.size() - 1);
    pos_ = view_.size() - 1;
}

void Recordset::appendRow(std::vector<Value> row) {
    if (row.size() != fields_.size())
        throw std::logic_error("Recordset::appendRow: row width differs from the field count");
    const bool atEof = pos_ >= view_.size();
    rows_.push_back(std::move(row));
    if (state_ == Open && (!compiledFilter_ || compiledFilter_->matches(rows_.back()))) {
        view_.push_back(rows_.size() - 1);
        if (atEof) pos_ = view_.size();  // the cursor does not move onto the new row
    }
}

const FieldInfo& Recordset::fieldInfo(std::size_t index) const {
    if (index >= fields_.size()) throw noSuchField(std::to_string(index));
    return fields_[index];
}

int Recordset::fieldIndex(std::string_view name) const {
    for (std::size_t i = 0; i < fields_.size(); ++i)
        if (equalsIgnoreCase(fields_[i].name, name)) return static_cast<int>(i);
    return -1;
}

Value& Recordset::field(std::size_t index) {
    return const_cast<Value&>(static_cast<const Recordset&>(*this).field(index));
}

Value& Recordset::field(std::string_view name) {
    return const_cast<Value&>(static_cast<const Recordset&>(*this).field(name));
}

const Value& Recordset::field(std::size_t index) const {
    requireOpen();
    if (index >= fields_.size()) throw noSuchField(std::to_string(index));
    return rows_[currentRow()][index];
}

const Value& Recordset::field(std::string_view name) const {
    requireOpen();
    const int index = fieldIndex(name);
    if (index < 0) throw noSuchField(std::string(name));
    return rows_[currentRow()][static_cast<std::size_t>(index)];
}

bool Recordset::eof() const {
    requireOpen();
    return pos_ >= view_.size();
}

bool Recordset::bof() const {
    requireOpen();
    // The cursor never moves before the first row, so BOF holds only for an empty view.
    return view_.empty();
}

void Recordset::moveFirst() {
    requireOpen();
    pos_ = 0;
}

void Recordset::moveNext() {
    requireOpen();
    if (pos_ >= view_.size()) throw misread(dberr::NoCurrentRow, kNoCurrentRow);
    ++pos_;
}

void Recordset::moveLast() {
    requireOpen();
    pos_ = view_.empty() ? 0 : view_.size() - 1;
}

long Recordset::recordCount() const {
    requireOpen();
    return static_cast<long>(view_.size());
}

long Recordset::absolutePosition() const {
    requireOpen();
    return pos_ < view_.size() ? static_cast<long>(pos_) : -1;
}

void Recordset::setFilter(const std::string& expression) {
    requireOpen();
    bool blank = true;
    for (char c : expression) blank = blank && (c == ' ' || c == '\t');
    compiledFilter_ = blank ? nullptr : RecordsetFilter::compile(expression, fields_);
    filterText_ = blank ? std::string() : expression;
    rebuildView();
}

void Recordset::requireOpen() const {
    if (state_ != Open) throw misread(dberr::NotOpen, kClosed);
}

void Recordset::rebuildView() {
    view_.clear();
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (!compiledFilter_ || compiledFilter_->matches(rows_[i])) view_.push_back(i);
    pos_ = 0;
}

std::size_t Recordset::currentRow() const {
    if (pos_ >= view_.size()) throw misread(dberr::NoCurrentRow, kNoCurrentRow);
    return view_[pos_];
}

}  // namespace fo
