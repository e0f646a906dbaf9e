#pragma once

namespace fo {

// A 128-bit integer for exact intermediate results of money arithmetic
// (products of two amounts on the four-decimal scale, long sums).
__extension__ typedef __int128 WideInt;

}  // namespace fo
