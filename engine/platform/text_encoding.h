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

// Both fail, rather than substitute, when the text has no exact form in
// the encoding: the caller then leaves the file as it was.
bool DecodeText(TextEncoding encoding, std::string_view bytes, std::u16string& out);
bool EncodeText(TextEncoding encoding, std::u16string_view text, std::string& out);

}  // namespace quelvane
