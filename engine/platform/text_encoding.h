#pragma once
// How a file's bytes become text and back. A file that starts with the
// UTF-8 byte-order mark, or is entirely valid UTF-8 with at least one byte
// above 0x7F, is UTF-8 (the mark is kept); every other file is code page
// 936. Files that are plainly not text in either (NUL bytes, a UTF-16
// byte-order mark) are refused up front rather than rewritten.

#include <optional>
#include <string>
#include <string_view>

namespace quelvane {

enum class TextEncoding { CodePage936, Utf8, Utf8WithBom };

// nullopt when the bytes are not text this program may rewrite.
std::optional<TextEncoding> DetectEncoding(std::string_view bytes);

// The bytes that precede the first line (the byte-order mark, if any).
std::string_view EncodingPreamble(TextEncoding encoding);

// Both fail (nullptr), rather than substitute, when the text has no exact
// form in the encoding: the caller then leaves the file as it was.
// Decoding needs room for as many code units as there are bytes, encoding
// for kMaxBytesPerUnit × text.size() bytes.
inline constexpr size_t kMaxBytesPerUnit = 3;

// Decodes one line: the bytes from `bytes` up to the next CR or `end`,
// moving `bytes` there.
char16_t* DecodeLine(TextEncoding encoding, const char*& bytes, const char* end, char16_t* to);
char* EncodeText(TextEncoding encoding, std::u16string_view text, char* to);

}  // namespace quelvane
