#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "db/Value.h"

namespace fo {

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
    const unsigned char* store(const std::vector<unsigned char>& packed);
    std::vector<std::unique_ptr<unsigned char[]>> blocks_;
    std::size_t blockUsed_ = 0, blockSize_ = 0, blockBytes_ = 0;
    std::vector<const unsigned char*> rows_;
    std::vector<unsigned char> scratch_;
};

}  // namespace fo
