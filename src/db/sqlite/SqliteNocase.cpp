#include "db/sqlite/SqliteNocase.h"

#include <sqlite3.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace fo {
namespace {

inline int folded(unsigned char c) { return static_cast<unsigned>(c - 'A') < 26u ? c + ('a' - 'A') : c; }

// True when one of the word's eight bytes is zero.
inline bool holdsNul(std::uint64_t w) { return ((w - 0x0101010101010101ull) & ~w & 0x8080808080808080ull) != 0; }

int nocaseCompare(void*, int leftLength, const void* left, int rightLength, const void* right) {
    const auto* a = static_cast<const unsigned char*>(left);
    const auto* b = static_cast<const unsigned char*>(right);
    const int n = std::min(leftLength, rightLength);
    int i = 0;
    if constexpr (std::endian::native == std::endian::little) {
        // Bytes equal as they stand are equal folded, so whole words are
        // skipped up to the first byte that differs; a word in which a NUL
        // of the left text may end the comparison is left to the byte walk.
        // The last word may overlap the one before it, whose bytes were
        // equal and held no NUL.
        while (i < n && n >= 8) {
            const int at = std::min(i, n - 8);
            std::uint64_t x, y;
            std::memcpy(&x, a + at, 8);
            std::memcpy(&y, b + at, 8);
            if (holdsNul(x)) break;
            if (x != y) {
                i = at + std::countr_zero(x ^ y) / 8;
                break;
            }
            i = at + 8;
        }
    }
    for (; i < n; ++i) {
        const int c = folded(a[i]), d = folded(b[i]);
        if (a[i] == 0) return d != 0 ? -d : leftLength - rightLength;
        if (c != d) return c - d;
    }
    return leftLength - rightLength;
}

}  // namespace

int registerNocaseCollation(sqlite3* db) {
    return sqlite3_create_collation_v2(db, "NOCASE", SQLITE_UTF8, nullptr, nocaseCompare, nullptr);
}

}  // namespace fo
