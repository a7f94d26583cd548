#include "case_fold.h"

#include <unicode/uchar.h>
#include <unicode/utf16.h>

namespace quelvane {
namespace {

char32_t FoldAscii(char32_t c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

// Whether two code points fold alike. Most tests compare ASCII with ASCII,
// or ASCII with a Chinese character, and are settled without asking ICU:
// on a novel, head and tail removal otherwise costs one lookup per line.
bool FoldAlike(UChar32 a, UChar32 b) {
  const bool asciiA = a < 0x80, asciiB = b < 0x80;
  if (asciiA && asciiB) return FoldAscii(a) == FoldAscii(b);
  if (asciiA != asciiB && !MayFoldToAscii(asciiA ? b : a)) return false;
  return u_foldCase(a, U_FOLD_CASE_DEFAULT) == u_foldCase(b, U_FOLD_CASE_DEFAULT);
}

bool EqualIgnoringCase(std::u16string_view a, std::u16string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    UChar32 ca, cb;
    U16_NEXT(a.data(), i, a.size(), ca);
    U16_NEXT(b.data(), j, b.size(), cb);
    if (ca != cb && !FoldAlike(ca, cb)) return false;
  }
  return i == a.size() && j == b.size();
}

}  // namespace

bool StartsWithIgnoringCase(std::u16string_view line, std::u16string_view text) {
  return line.size() >= text.size() && EqualIgnoringCase(line.substr(0, text.size()), text);
}

bool EndsWithIgnoringCase(std::u16string_view line, std::u16string_view text) {
  return line.size() >= text.size() && EqualIgnoringCase(line.substr(line.size() - text.size()), text);
}

}  // namespace quelvane
