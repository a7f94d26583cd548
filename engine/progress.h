#pragma once
// The progress label of a run: a row of squares that fills up file by file.

#include <cstddef>

namespace quelvane {

inline constexpr int kProgressWidth = 66;
inline constexpr char16_t kProgressSquare = u'■';

// Squares shown while file `index` (from 0) of `count` is in hand:
// (index + 1) × 66 ÷ count, an exact half going to the even neighbour.
int ProgressSquares(size_t index, size_t count);

}  // namespace quelvane
