#pragma once
// UTF-8 <-> UTF-16, strictly: overlong forms, encoded surrogates, values
// above U+10FFFF and unpaired surrogates are errors, never replaced.

#include <string>
#include <string_view>

namespace quelvane {

bool IsValidUtf8(std::string_view bytes);

// Decodes into `to`, with room for bytes.size() code units, up to the
// first CR: `bytes` is moved to the CR, or to `end`. nullptr for ill-formed
// input.
char16_t* DecodeUtf8Line(const char*& bytes, const char* end, char16_t* to);
// Into `to`, with room for 3 × text.size() bytes (a pair of units takes 4,
// a lone unit at most 3); nullptr for an unpaired surrogate.
char* EncodeUtf8(std::u16string_view text, char* to);

inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

}  // namespace quelvane
