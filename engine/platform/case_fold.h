#pragma once
// The case-insensitive tests of head and tail removal: Unicode simple case
// folding, code point by code point (ICU's u_foldCase, default option). No
// width folding: Ａ is not a.

#include <string_view>

namespace quelvane {

// Whether the first (last) text.size() code units of `line` fold to the
// same code points as `text`.
bool StartsWithIgnoringCase(std::u16string_view line, std::u16string_view text);
bool EndsWithIgnoringCase(std::u16string_view line, std::u16string_view text);

}  // namespace quelvane
