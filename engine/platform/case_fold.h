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

// The only characters beyond ASCII whose simple case folding is ASCII:
// ſ (U+017F) folds to s and the Kelvin sign (U+212A) to k.
constexpr bool MayFoldToAscii(char32_t c) { return c == 0x017F || c == 0x212A; }

}  // namespace quelvane
