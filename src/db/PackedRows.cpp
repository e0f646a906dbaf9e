#include "db/PackedRows.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace fo {
namespace {

using enum PackedRow::Tag;

// Blocks grow from a small first one to their full size, so the many sets
// of a row or two (a posting reads dozens per student) cost a small block,
// not a quarter megabyte; a long list soon fills full-size ones.
constexpr std::size_t kFirstBlockSize = 1024;
constexpr std::size_t kBlockSize = 256 * 1024;

std::uint64_t getVarint(const unsigned char*& p) {
    std::uint64_t v = 0;
    for (int shift = 0;; shift += 7) {
        const unsigned char b = *p++;
        v |= static_cast<std::uint64_t>(b & 0x7f) << shift;
        if (!(b & 0x80)) return v;
    }
}

std::int64_t unzigzag(std::uint64_t v) { return static_cast<std::int64_t>(v >> 1) ^ -static_cast<std::int64_t>(v & 1); }

void pack(const std::vector<Value>& row, PackedRow& out) {
    out.start(row.size());
    for (const Value& v : row) out.value(v);
}

Value unpackOne(const unsigned char*& p) {
    switch (*p++) {
    case Integer: return Value(unzigzag(getVarint(p)));
    case Money: return Value(Currency::fromRaw(unzigzag(getVarint(p))));
    case Double: {
        double d;
        std::memcpy(&d, p, sizeof d);
        p += sizeof d;
        return Value(d);
    }
    case Text: {
        const std::size_t n = getVarint(p);
        std::string t(reinterpret_cast<const char*>(p), n);
        p += n;
        return Value(std::move(t));
    }
    case Date: {
        DateTime d;
        d.year = static_cast<std::int16_t>(p[0] | (p[1] << 8));
        d.month = p[2], d.day = p[3], d.hour = p[4], d.minute = p[5], d.second = p[6];
        p += 7;
        return Value(d);
    }
    default: return Value();
    }
}

void skipOne(const unsigned char*& p) {
    switch (*p++) {
    case Integer:
    case Money: getVarint(p); break;
    case Double: p += sizeof(double); break;
    case Text: p += getVarint(p); break;
    case Date: p += 7; break;
    default: break;
    }
}

}  // namespace

unsigned char* PackedRow::grow(std::size_t n) {
    bytes_.resize(std::max(2 * bytes_.size(), used_ + n));
    return bytes_.data() + used_;
}

void PackedRow::value(const Value& v) {
    switch (v.kind()) {
    case Value::Kind::Null: null(); break;
    case Value::Kind::Integer: integer(v.toInt()); break;
    case Value::Kind::Currency: money(v.toCurrency()); break;
    case Value::Kind::Double: real(v.toDouble()); break;
    case Value::Kind::Text: text(*v.textPtr()); break;
    case Value::Kind::Date: date(*v.toDate()); break;
    }
}

void PackedRows::clear() {
    blocks_.clear();
    rows_.clear();
    blockUsed_ = blockSize_ = blockBytes_ = 0;
}

const unsigned char* PackedRows::store(const unsigned char* packed, std::size_t size) {
    if (blocks_.empty() || blockUsed_ + size > blockSize_) {
        blockSize_ = std::max(blockSize_ == 0 ? kFirstBlockSize : std::min(kBlockSize, 2 * blockSize_), size);
        // Every byte is written before it is read: no zeroing.
        blocks_.push_back(std::make_unique_for_overwrite<unsigned char[]>(blockSize_));
        blockBytes_ += blockSize_;
        blockUsed_ = 0;
    }
    unsigned char* at = blocks_.back().get() + blockUsed_;
    std::memcpy(at, packed, size);
    blockUsed_ += size;
    return at;
}

void PackedRows::append(const std::vector<Value>& row) {
    pack(row, scratch_);
    rows_.push_back(store(scratch_.bytes_.data(), scratch_.used_));
}

void PackedRows::append(const PackedRow& row) {
    // A row of another width than it announced would be read back shifted.
    if (row.values_ != row.width_) throw std::logic_error("PackedRows::append: a row of the wrong width");
    rows_.push_back(store(row.bytes_.data(), row.used_));
}

void PackedRows::replace(std::size_t i, const std::vector<Value>& row) {
    pack(row, scratch_);
    rows_.at(i) = store(scratch_.bytes_.data(), scratch_.used_);
}

bool PackedRows::holds(std::size_t i, const std::vector<Value>& row) const {
    PackedRow asPacked;
    pack(row, asPacked);
    const unsigned char* start = rows_.at(i);
    const unsigned char* p = start;
    for (std::size_t n = getVarint(p), f = 0; f < n; ++f) skipOne(p);
    return static_cast<std::size_t>(p - start) == asPacked.used_ &&
           std::memcmp(start, asPacked.bytes_.data(), asPacked.used_) == 0;
}

void PackedRows::read(std::size_t i, std::vector<Value>& out) const {
    const unsigned char* p = rows_.at(i);
    const std::size_t n = getVarint(p);
    out.resize(n);
    for (std::size_t f = 0; f < n; ++f) out[f] = unpackOne(p);
}

Value PackedRows::value(std::size_t i, std::size_t field) const {
    const unsigned char* p = rows_.at(i);
    const std::size_t n = getVarint(p);
    if (field >= n) return Value();
    for (std::size_t f = 0; f < field; ++f) skipOne(p);
    return unpackOne(p);
}

std::size_t PackedRows::bytes() const { return blockBytes_ + rows_.capacity() * sizeof(rows_[0]); }

}  // namespace fo
