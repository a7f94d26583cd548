#include "case_fold.h"

#include <unicode/uchar.h>
#include <unicode/utf16.h>

namespace quelvane {
namespace {

bool EqualIgnoringCase(std::u16string_view a, std::u16string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    UChar32 ca, cb;
    U16_NEXT(a.data(), i, a.size(), ca);
    U16_NEXT(b.data(), j, b.size(), cb);
    if (ca != cb && u_foldCase(ca, U_FOLD_CASE_DEFAULT) != u_foldCase(cb, U_FOLD_CASE_DEFAULT)) return false;
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
