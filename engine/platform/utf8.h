#pragma once
// UTF-8 <-> UTF-16, strictly: overlong forms, encoded surrogates, values
// above U+10FFFF and unpaired surrogates are errors, never replaced.

#include <string>
#include <string_view>

namespace quelvane {

bool IsValidUtf8(std::string_view bytes);

// Into `to`, with room for bytes.size() code units (3 × text.size() bytes);
// the end, or nullptr for ill-formed input.
char16_t* DecodeUtf8(std::string_view bytes, char16_t* to);
char* EncodeUtf8(std::u16string_view text, char* to);
// Decodes up to the first CR: `bytes` is moved to the CR, or to `end`.
char16_t* DecodeUtf8Line(const char*& bytes, const char* end, char16_t* to);

// Appending forms; on failure `out` is left as it was and false is returned.
bool DecodeUtf8(std::string_view bytes, std::u16string& out);
bool EncodeUtf8(std::u16string_view text, std::string& out);

inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

}  // namespace quelvane
