#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "db/Value.h"

namespace fo {

// One row packed value by value, for a reader that takes the values
// straight from an engine: no Value, and no string, is made for each.
// start() begins a row of `width` values; exactly that many follow (a row
// with more or fewer is refused when it is stored).
class PackedRow {
public:
    void start(std::size_t width);
    void null();
    void integer(std::int64_t v);
    void money(Currency v);
    void real(double v);
    void text(std::string_view v);
    void date(const DateTime& v);
    void value(const Value& v);
    std::size_t width() const { return width_; }

private:
    friend class PackedRows;
    // Room for `n` more bytes at the row's end; the buffer is kept from row
    // to row, so it grows only while the rows do.
    unsigned char* room(std::size_t n);
    void put(unsigned char tag);
    void putVarint(std::uint64_t v);
    std::vector<unsigned char> bytes_;
    std::size_t used_ = 0, width_ = 0, values_ = 0;
};

// Rows of values kept packed: each row one run of bytes in large blocks (a
// tag per value, whole numbers and amounts as variable-length integers,
// text with its length, dates in seven bytes), so a million rows of a list
// cost their text and a few bytes a value instead of a variant each. Rows
// are appended and read back whole or one value at a time.
class PackedRows {
public:
    std::size_t size() const { return rows_.size(); }
    bool empty() const { return rows_.empty(); }
    void clear();
    void append(const std::vector<Value>& row);
    void append(const PackedRow& row);
    // Replaces row `i` with `row` (an edited row; the old bytes stay unused).
    void replace(std::size_t i, const std::vector<Value>& row);
    // Decodes row `i` into `out` (resized to the row's width).
    void read(std::size_t i, std::vector<Value>& out) const;
    // The value of one field of row `i`.
    Value value(std::size_t i, std::size_t field) const;
    // True when row `i` holds exactly the bytes `row` packs into.
    bool holds(std::size_t i, const std::vector<Value>& row) const;
    // Bytes held, blocks and row starts included.
    std::size_t bytes() const;

private:
    const unsigned char* store(const unsigned char* packed, std::size_t size);
    std::vector<std::unique_ptr<unsigned char[]>> blocks_;
    std::size_t blockUsed_ = 0, blockSize_ = 0, blockBytes_ = 0;
    std::vector<const unsigned char*> rows_;
    PackedRow scratch_;
};

}  // namespace fo
