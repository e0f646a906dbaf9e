#pragma once
#include "FeeOfficeApi.h"
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "db/values/Value.h"

namespace fo {

// One row packed value by value, for a reader that takes the values
// straight from an engine: no Value, and no string, is made for each.
// start() begins a row of `width` values; exactly that many follow (a row
// with more or fewer is refused when it is stored). A reader packs every
// value of a long list through these, so each is one bounds check and a few
// stores, inline.
class FEEOFFICE_API PackedRow {
public:
    // The byte before each packed value: what follows it.
    enum Tag : unsigned char { Null, Integer, Money, Double, Text, Date };

    void start(std::size_t width) {  // begins a row of `width` values
        used_ = values_ = 0;
        width_ = width;
        used_ = static_cast<std::size_t>(putVarint(room(10), width) - bytes_.data());
    }
    void null() { added(tagged(Null, 0)); }  // appends a null
    void integer(std::int64_t v) { added(putVarint(tagged(Integer, 10), zigzag(v))); }  // appends an integer
    void money(Currency v) { added(putVarint(tagged(Money, 10), zigzag(v.raw()))); }  // appends an amount
    void real(double v) {  // appends a floating-point number
        unsigned char* p = tagged(Double, sizeof v);
        std::memcpy(p, &v, sizeof v);
        added(p + sizeof v);
    }
    void text(std::string_view v) {  // appends a text
        unsigned char* p = putVarint(tagged(Text, 10 + v.size()), v.size());
        if (!v.empty()) std::memcpy(p, v.data(), v.size());
        added(p + v.size());
    }
    void date(const DateTime& d) {  // appends a date and time
        unsigned char* p = tagged(Date, 7);
        p[0] = static_cast<unsigned char>(d.year & 0xff);
        p[1] = static_cast<unsigned char>((d.year >> 8) & 0xff);
        p[2] = static_cast<unsigned char>(d.month);
        p[3] = static_cast<unsigned char>(d.day);
        p[4] = static_cast<unsigned char>(d.hour);
        p[5] = static_cast<unsigned char>(d.minute);
        p[6] = static_cast<unsigned char>(d.second);
        added(p + 7);
    }
    void value(const Value& v);  // appends any value
    std::size_t width() const { return width_; }  // the values a row holds

private:
    friend class PackedRows;
    // Room for `n` more bytes at the row's end; the buffer is kept from row
    // to row, so it grows only while the rows do.
    unsigned char* room(std::size_t n) { return used_ + n <= bytes_.size() ? bytes_.data() + used_ : grow(n); }
    unsigned char* grow(std::size_t n);
    // Writes the tag of a value and makes room for `n` bytes after it.
    unsigned char* tagged(Tag tag, std::size_t n) {
        unsigned char* p = room(1 + n);
        *p = tag;
        return p + 1;
    }
    // A value written up to `end`.
    void added(unsigned char* end) {
        used_ = static_cast<std::size_t>(end - bytes_.data());
        ++values_;
    }
    // Small negative numbers stay small: 0, -1, 1, -2 ... become 0, 1, 2, 3 ...
    static std::uint64_t zigzag(std::int64_t v) {
        return (static_cast<std::uint64_t>(v) << 1) ^ static_cast<std::uint64_t>(v >> 63);
    }
    static unsigned char* putVarint(unsigned char* p, std::uint64_t v) {
        for (; v >= 0x80; v >>= 7) *p++ = static_cast<unsigned char>(v | 0x80);
        *p++ = static_cast<unsigned char>(v);
        return p;
    }
    std::vector<unsigned char> bytes_;
    std::size_t used_ = 0, width_ = 0, values_ = 0;
};

// Rows of values kept packed: each row one run of bytes in large blocks (a
// tag per value, whole numbers and amounts as variable-length integers,
// text with its length, dates in seven bytes), so a million rows of a list
// cost their text and a few bytes a value instead of a variant each. Rows
// are appended and read back whole or one value at a time.
class FEEOFFICE_API PackedRows {
public:
    std::size_t size() const { return rows_.size(); }  // the rows held
    bool empty() const { return rows_.empty(); }  // whether no row is held
    void clear();  // drops every row
    void append(const std::vector<Value>& row);  // packs one row at the end
    void append(const PackedRow& row);  // appends a row packed already
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
