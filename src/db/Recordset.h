#pragma once
#include "FeeOfficeApi.h"
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/PackedRows.h"
#include "db/values/Value.h"

namespace fo {

class Recordset;
class RecordsetFilter;

// Where the rows of a set still being read come from: an engine's statement
// kept open. It appends the next rows to the set (through appendRow) and
// lets go of the statement once the last row is read, or when dropped.
class FEEOFFICE_API RowSource {
public:
    virtual ~RowSource() = default;
    // Appends up to `rows` more rows to `to`; false once the last row is read.
    virtual bool readMore(Recordset& to, std::size_t rows) = 0;
};

struct FEEOFFICE_API FieldInfo {  // one column of a result set
    std::string name;  // the column's name as the statement gave it
    DataType type = DataType::Empty;  // its type, when known
    int size = 0;  // its declared size; 0 when not known
};

// A client-side result set, or a set built in memory field by field. Its
// rows are kept packed (PackedRows); the current row is decoded when the
// cursor stands on it, and an edit of it is packed again when the cursor
// moves on. A set is either complete (no engine resource is held: it
// outlives its connection) or still being read from a statement its
// connection keeps open: it reads on by itself when the cursor walks past
// the rows read so far, and reads the rest first wherever it needs every row
// (the count, the last row, a filter, the whole rows). A window reads such a
// set in chunks (readMore) and drops it to let go of the statement.
//
// Cursor semantics follow ADO: a freshly opened set stands on its first row
// (EOF when empty); MoveNext past the last row sets EOF; reading a field at
// EOF throws DbError(NoCurrentRow).
class FEEOFFICE_API Recordset {
public:
    enum State { Closed = 0, Open = 1 };  // what state() answers

    Recordset() = default;
    // A copy reads the rest of a set still being read first; copies share
    // their rows until one of them changes them.
    Recordset(const Recordset& other);
    Recordset& operator=(const Recordset& other);
    Recordset(Recordset&&) noexcept = default;
    Recordset& operator=(Recordset&&) noexcept = default;

    // --- building (in-memory sets and engines) ---
    // Appends a field; only while the set has no rows.
    void appendField(std::string name, DataType type = DataType::Empty, int size = 0);
    // Opens an in-memory set (ADO: rs.Open with no connection).
    void open();
    // Appends a row of nulls and makes it current (ADO: AddNew). Set its
    // fields through field(...) then carry on; there is no separate Update.
    void addNew();
    // Appends a complete row (engines use this); does not move the cursor.
    void appendRow(std::vector<Value> row);
    // The same, packed by the engine as it read the row.
    void appendRow(const PackedRow& row);

    // --- reading ---
    int state() const { return state_; }  // Open or Closed
    void close();  // closes the set; its rows are gone
    std::size_t fieldCount() const { return fields_.size(); }  // how many columns
    const FieldInfo& fieldInfo(std::size_t index) const;  // column `index` (0-based)
    // Field index by case-insensitive name; -1 when unknown.
    int fieldIndex(std::string_view name) const;
    // Current row's value by index or by case-insensitive name. Throws DbError
    // (NoSuchField / NoCurrentRow).
    Value& field(std::size_t index);
    Value& field(std::string_view name);
    const Value& field(std::size_t index) const;
    const Value& field(std::string_view name) const;

    bool eof() const;  // past the last row (or no rows)
    bool bof() const;  // before the first row (or no rows)
    void moveFirst();  // to the first row
    void moveNext();  // to the next row; past the last one is eof()
    void moveLast();  // to the last row
    // Rows visible through the current filter.
    long recordCount() const;
    // Position within the visible rows (0-based), -1 at EOF.
    long absolutePosition() const;

    // ADO Filter: "" clears it. Accepts comparisons `field like 'pattern'`
    // (% and _ wildcards, case-insensitive), `field = 'text'`, `field = number`,
    // `<>`, `<`, `>`, `<=`, `>=`, joined by `or` / `and`, with parentheses.
    // Field names may be bracketed ([学号]). Moves to the first visible row.
    void setFilter(const std::string& expression);
    const std::string& filter() const { return filterText_; }

    // Every row, unfiltered (the rest read first), for code that walks
    // them without the cursor.
    std::size_t totalRows() const;
    std::vector<Value> row(std::size_t index) const;

    // --- a set still being read ---
    // Takes the rows after those appended so far from `source`.
    void readFrom(std::unique_ptr<RowSource> source);
    // True once every row of the statement is read.
    bool complete() const { return !source_; }
    // Reads up to `rows` more rows; false when none was left to read.
    bool readMore(std::size_t rows) const;
    void readAll() const;
    // Visible rows read so far, without reading more.
    std::size_t rowsRead() const { return visibleCount(); }
    // One value of the visible row `index` (0-based, among those read),
    // without moving the cursor.
    Value valueAt(std::size_t index, std::size_t field) const;
    // Bytes the rows take.
    std::size_t rowBytes() const { return rows_->bytes(); }

private:
    void requireOpen() const;
    // Checks a row's width; true when the cursor stood at EOF before it.
    bool beforeAppend(std::size_t width) const;
    // Files an appended row in the filtered view (`row` decoded, or null to
    // decode it) and keeps the cursor where appending leaves it.
    void afterAppend(bool atEof, const std::vector<Value>* row);
    void rebuildView();
    std::size_t currentRow() const;
    std::size_t visibleCount() const { return filtered() ? view_.size() : rows_->size(); }
    // The rows for a change: a copy of its own when another set shares them.
    PackedRows& writableRows() const;
    std::size_t stored(std::size_t visible) const { return filtered() ? view_[visible] : visible; }
    bool filtered() const { return compiledFilter_ != nullptr; }
    // The current row decoded; an edit of it packed again.
    const std::vector<Value>& current() const;
    void storeEdit() const;
    // Reads on while the cursor stands past the rows read so far.
    void readUpToCursor() const;

    std::vector<FieldInfo> fields_;
    mutable std::shared_ptr<PackedRows> rows_ = std::make_shared<PackedRows>();
    mutable std::vector<std::size_t> view_;  // visible rows' indexes, when filtered
    std::size_t pos_ = 0;                    // position among the visible rows
    std::string filterText_;
    std::shared_ptr<const RecordsetFilter> compiledFilter_;  // null when no filter
    int state_ = Closed;
    mutable std::unique_ptr<RowSource> source_;  // null once complete
    mutable bool reading_ = false;
    mutable std::vector<Value> current_;
    mutable std::size_t currentIndex_ = static_cast<std::size_t>(-1);  // the stored row decoded into current_
    mutable bool edited_ = false;
};

using RecordsetPtr = std::shared_ptr<Recordset>;

}  // namespace fo
