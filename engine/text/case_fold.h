#pragma once
// The case-insensitive tests of head and tail removal: Unicode simple case
// folding, code point by code point (as ICU's u_foldCase with the default
// option, from which the table is generated). No width folding: Ａ is not a.

#include <string_view>

namespace quelvane {

// The simple case folding of one code point.
char32_t FoldCase(char32_t c);

// Whether the first (last) text.size() code units of `line` fold to the
// same code points as `text`.
bool StartsWithIgnoringCase(std::u16string_view line, std::u16string_view text);
bool EndsWithIgnoringCase(std::u16string_view line, std::u16string_view text);

// The only characters beyond ASCII whose simple case folding is ASCII:
// ſ (U+017F) folds to s and the Kelvin sign (U+212A) to k.
constexpr bool MayFoldToAscii(char32_t c) { return c == 0x017F || c == 0x212A; }

}  // namespace quelvane
