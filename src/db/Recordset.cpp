#include "db/Recordset.h"
#include "db/values/TextCase.h"

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
const char* const kRecordsetClosed = "Operation is not allowed when the object is closed.";
constexpr std::size_t kNone = static_cast<std::size_t>(-1);
// Rows read at a time when the cursor or a count needs more.
constexpr std::size_t kReadStep = 4096;

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

Recordset::Recordset(const Recordset& other) { *this = other; }

Recordset& Recordset::operator=(const Recordset& other) {
    if (this == &other) return *this;
    other.readAll();
    other.storeEdit();
    fields_ = other.fields_;
    rows_ = other.rows_;
    view_ = other.view_;
    pos_ = other.pos_;
    filterText_ = other.filterText_;
    compiledFilter_ = other.compiledFilter_;
    state_ = other.state_;
    source_.reset();
    current_.clear();
    currentIndex_ = kNone;
    edited_ = false;
    return *this;
}

PackedRows& Recordset::writableRows() const {
    if (rows_.use_count() > 1) {
        auto own = std::make_shared<PackedRows>();
        std::vector<Value> row;
        for (std::size_t i = 0; i < rows_->size(); ++i) {
            rows_->read(i, row);
            own->append(row);
        }
        rows_ = std::move(own);
    }
    return *rows_;
}

void Recordset::appendField(std::string name, DataType type, int size) {
    if (!rows_->empty()) throw std::logic_error("Recordset::appendField on a set that has rows");
    fields_.push_back(FieldInfo{std::move(name), type, size});
}

void Recordset::open() {
    state_ = Open;
    rebuildView();
}

void Recordset::close() {
    state_ = Closed;
    source_.reset();
    rows_ = std::make_shared<PackedRows>();
    view_.clear();
    pos_ = 0;
    filterText_.clear();
    compiledFilter_.reset();
    current_.clear();
    currentIndex_ = kNone;
    edited_ = false;
}

void Recordset::addNew() {
    requireOpen();
    readAll();
    storeEdit();
    writableRows().append(std::vector<Value>(fields_.size()));
    // The new row stays visible whatever the filter says until the view is rebuilt.
    if (filtered()) view_.push_back(rows_->size() - 1);
    pos_ = visibleCount() - 1;
}

void Recordset::appendRow(std::vector<Value> row) {
    const bool atEof = beforeAppend(row.size());
    writableRows().append(row);
    afterAppend(atEof, &row);
}

void Recordset::appendRow(const PackedRow& row) {
    const bool atEof = beforeAppend(row.width());
    writableRows().append(row);
    afterAppend(atEof, nullptr);
}

bool Recordset::beforeAppend(std::size_t width) const {
    if (width != fields_.size())
        throw std::logic_error("Recordset::appendRow: row width differs from the field count");
    return pos_ >= visibleCount();
}

void Recordset::afterAppend(bool atEof, const std::vector<Value>* row) {
    if (state_ != Open) return;
    if (filtered()) {
        std::vector<Value> stored;
        if (!row) rows_->read(rows_->size() - 1, stored);
        if (compiledFilter_->matches(row ? *row : stored)) view_.push_back(rows_->size() - 1);
    }
    // The cursor does not move onto a row appended by hand; rows read on
    // from the statement are where the cursor walks next.
    if (atEof && !reading_) pos_ = visibleCount();
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
    const Value& v = static_cast<const Recordset&>(*this).field(index);
    edited_ = true;
    return const_cast<Value&>(v);
}

Value& Recordset::field(std::string_view name) {
    const Value& v = static_cast<const Recordset&>(*this).field(name);
    edited_ = true;
    return const_cast<Value&>(v);
}

const Value& Recordset::field(std::size_t index) const {
    requireOpen();
    if (index >= fields_.size()) throw noSuchField(std::to_string(index));
    return current()[index];
}

const Value& Recordset::field(std::string_view name) const {
    requireOpen();
    const int index = fieldIndex(name);
    if (index < 0) throw noSuchField(std::string(name));
    return current()[static_cast<std::size_t>(index)];
}

const std::vector<Value>& Recordset::current() const {
    const std::size_t row = currentRow();
    if (row != currentIndex_) {
        storeEdit();
        rows_->read(row, current_);
        currentIndex_ = row;
    }
    return current_;
}

void Recordset::storeEdit() const {
    if (!edited_) return;
    edited_ = false;
    if (currentIndex_ == kNone || currentIndex_ >= rows_->size()) return;
    if (!rows_->holds(currentIndex_, current_)) writableRows().replace(currentIndex_, current_);
}

bool Recordset::eof() const {
    requireOpen();
    return pos_ >= visibleCount();
}

bool Recordset::bof() const {
    requireOpen();
    // The cursor never moves before the first row, so BOF holds only for an empty view.
    return visibleCount() == 0;
}

void Recordset::moveFirst() {
    requireOpen();
    pos_ = 0;
}

void Recordset::moveNext() {
    requireOpen();
    if (pos_ >= visibleCount()) throw misread(dberr::NoCurrentRow, kNoCurrentRow);
    ++pos_;
    readUpToCursor();
}

void Recordset::moveLast() {
    requireOpen();
    readAll();
    pos_ = visibleCount() == 0 ? 0 : visibleCount() - 1;
}

long Recordset::recordCount() const {
    requireOpen();
    readAll();
    return static_cast<long>(visibleCount());
}

long Recordset::absolutePosition() const {
    requireOpen();
    return pos_ < visibleCount() ? static_cast<long>(pos_) : -1;
}

void Recordset::setFilter(const std::string& expression) {
    requireOpen();
    bool blank = true;
    for (char c : expression) blank = blank && (c == ' ' || c == '\t');
    readAll();
    storeEdit();
    compiledFilter_ = blank ? nullptr : RecordsetFilter::compile(expression, fields_);
    filterText_ = blank ? std::string() : expression;
    rebuildView();
}

std::size_t Recordset::totalRows() const {
    readAll();
    return rows_->size();
}

std::vector<Value> Recordset::row(std::size_t index) const {
    readAll();
    storeEdit();
    std::vector<Value> out;
    rows_->read(index, out);
    return out;
}

void Recordset::readFrom(std::unique_ptr<RowSource> source) {
    source_ = std::move(source);
    readUpToCursor();
}

bool Recordset::readMore(std::size_t rows) const {
    if (!source_) return false;
    const std::size_t before = rows_->size();
    reading_ = true;
    bool more = false;
    try {
        more = source_->readMore(const_cast<Recordset&>(*this), rows);
    } catch (...) {
        reading_ = false;
        throw;
    }
    reading_ = false;
    if (!more) source_.reset();
    return rows_->size() > before;
}

void Recordset::readAll() const {
    while (source_) readMore(kReadStep * 16);
}

void Recordset::readUpToCursor() const {
    while (source_ && pos_ >= visibleCount()) readMore(kReadStep);
}

Value Recordset::valueAt(std::size_t index, std::size_t field) const {
    if (index >= visibleCount()) throw misread(dberr::NoCurrentRow, kNoCurrentRow);
    if (stored(index) == currentIndex_ && edited_) return current_.at(field);
    return rows_->value(stored(index), field);
}

void Recordset::requireOpen() const {
    if (state_ != Open) throw misread(dberr::NotOpen, kRecordsetClosed);
}

void Recordset::rebuildView() {
    view_.clear();
    if (filtered()) {
        std::vector<Value> row;
        for (std::size_t i = 0; i < rows_->size(); ++i) {
            rows_->read(i, row);
            if (compiledFilter_->matches(row)) view_.push_back(i);
        }
    }
    pos_ = 0;
    readUpToCursor();
}

std::size_t Recordset::currentRow() const {
    if (pos_ >= visibleCount()) throw misread(dberr::NoCurrentRow, kNoCurrentRow);
    return stored(pos_);
}

}  // namespace fo
