#pragma once
// Finding a text in a line in time linear in the line, whatever both are.
// Most find texts are short and rare in a line: a scan for their first unit
// with a direct compare is fastest there. When those compares do more work
// than the scan (a find text like "aaa...ab" in a line of "a"s would make
// them quadratic), the search goes on by Knuth-Morris-Pratt.

#include <string_view>
#include <vector>

#include "text.h"

namespace quelvane {

class TextSearch {
 public:
  explicit TextSearch(std::u16string_view pattern) : pattern_(pattern) {}

  // The first occurrence of the pattern (not empty) in `text` at or after
  // `from`, or npos.
  size_t Find(std::u16string_view text, size_t from = 0) {
    const size_t m = pattern_.size();
    const size_t start = from;
    size_t compared = 0;
    while (from + m <= text.size()) {
      from = FindCodeUnit(text, pattern_.front(), from);
      if (from == std::u16string_view::npos || from + m > text.size()) return std::u16string_view::npos;
      size_t k = 1;
      while (k < m && text[from + k] == pattern_[k]) ++k;
      if (k == m) return from;
      compared += k;
      if (compared > from - start + 64) return FindByPrefixes(text, from + 1);
      ++from;
    }
    return std::u16string_view::npos;
  }

 private:
  size_t FindByPrefixes(std::u16string_view text, size_t from) {
    const size_t m = pattern_.size();
    if (border_.empty()) {
      // border_[k]: the length of the longest proper border of pattern_[0, k].
      border_.assign(m + 1, 0);
      for (size_t k = 1, b = 0; k < m; ++k) {
        while (b > 0 && pattern_[k] != pattern_[b]) b = border_[b];
        if (pattern_[k] == pattern_[b]) ++b;
        border_[k + 1] = b;
      }
    }
    size_t matched = 0;
    for (size_t i = from; i < text.size(); ++i) {
      while (matched > 0 && text[i] != pattern_[matched]) matched = border_[matched];
      if (text[i] == pattern_[matched]) ++matched;
      if (matched == m) return i + 1 - m;
    }
    return std::u16string_view::npos;
  }

  std::u16string_view pattern_;
  std::vector<size_t> border_;
};

}  // namespace quelvane
