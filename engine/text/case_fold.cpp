#include "case_fold.h"

#include <algorithm>
#include <cstddef>

#include "text.h"

namespace quelvane {
namespace {

#include "case_folding_table.inc"

char32_t FoldAscii(char32_t c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

// Whether two code points fold alike. Most tests compare ASCII with ASCII,
// or ASCII with a Chinese character, and are settled without a lookup: on a
// novel, head and tail removal otherwise costs one search per line.
bool FoldAlike(char32_t a, char32_t b) {
  const bool asciiA = a < 0x80, asciiB = b < 0x80;
  if (asciiA && asciiB) return FoldAscii(a) == FoldAscii(b);
  if (asciiA != asciiB && !MayFoldToAscii(asciiA ? b : a)) return false;
  return FoldCase(a) == FoldCase(b);
}

bool EqualIgnoringCase(std::u16string_view a, std::u16string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const char32_t ca = NextCodePoint(a, i), cb = NextCodePoint(b, j);
    if (ca != cb && !FoldAlike(ca, cb)) return false;
  }
  return i == a.size() && j == b.size();
}

}  // namespace

char32_t FoldCase(char32_t c) {
  if (c < 0x80) return FoldAscii(c);
  const char32_t* end = kFoldedFrom + kFoldedCount;
  const char32_t* at = std::lower_bound(kFoldedFrom, end, c);
  return at != end && *at == c ? kFoldedTo[at - kFoldedFrom] : c;
}

bool StartsWithIgnoringCase(std::u16string_view line, std::u16string_view text) {
  return line.size() >= text.size() && EqualIgnoringCase(line.substr(0, text.size()), text);
}

bool EndsWithIgnoringCase(std::u16string_view line, std::u16string_view text) {
  return line.size() >= text.size() && EqualIgnoringCase(line.substr(line.size() - text.size()), text);
}

}  // namespace quelvane
