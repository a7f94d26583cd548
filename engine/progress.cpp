#include "progress.h"

namespace quelvane {

int ProgressSquares(size_t index, size_t count) {
  const size_t scaled = (index + 1) * kProgressWidth;
  size_t squares = scaled / count;
  const size_t twiceRemainder = 2 * (scaled % count);
  if (twiceRemainder > count || (twiceRemainder == count && squares % 2 == 1)) ++squares;
  return static_cast<int>(squares);
}

}  // namespace quelvane
