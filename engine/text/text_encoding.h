#pragma once
// How a file's bytes become text and back, and how a file's encoding is
// decided from all of its bytes, in this order:
//  1. EF BB BF first: UTF-8 with its mark (strict after it too).
//  2. FF FE 00 00 or 00 00 FE FF first: not text (UTF-32 is not tidied).
//  3. FF FE / FE FF first: UTF-16 LE / BE with its mark; an odd number of
//     bytes is not text.
//  4. A NUL byte anywhere: not text, for that reason.
//  5. Valid UTF-8 with a byte above 7F: UTF-8, unless the UTF-8 reading
//     has nothing at or above U+0800 and the bytes are also code page 936
//     made of GB2312 pairs only: such short GBK texts merely look like
//     UTF-8 (一 is D2 BB, U+04BB in UTF-8), real UTF-8 Chinese never does.
//  6. Valid code page 936: code page 936.
//  7. Valid GB18030: GB18030.
//  8. Anything else: not text.
// A file is written back in its encoding, with its mark.

#include <optional>
#include <string>
#include <string_view>

namespace quelvane {

enum class TextEncoding { CodePage936, Gb18030, Utf8, Utf8WithBom, Utf16Le, Utf16Be };

struct EncodingDecision {
  std::optional<TextEncoding> encoding;  // nullopt: not text
  bool hasNulByte = false;               // the reason it is not, rule 4
};

// Rules 1 to 5 and the start of 6: CodePage936 here means rules 6 to 8,
// settled by decoding (GB18030 when some bytes are not code page 936), so
// that a code page 936 file is gone through once only.
EncodingDecision DetectEncoding(std::string_view bytes);

// The bytes that precede the first line (the byte-order mark, if any), and
// those that end each written line: CR LF as code units of the encoding.
std::string_view EncodingPreamble(TextEncoding encoding);
std::string_view EncodedLineBreak(TextEncoding encoding);

// Both fail (nullptr), rather than substitute, when the text has no exact
// form in the encoding: the caller then leaves the file as it was.
// Decoding needs room for as many code units as there are bytes, encoding
// for kMaxBytesPerUnit × text.size() bytes (GB18030 writes U+0080 in four).
inline constexpr size_t kMaxBytesPerUnit = 4;

// Decodes one line: the bytes from `bytes` up to the next CR or `end`,
// moving `bytes` there.
char16_t* DecodeLine(TextEncoding encoding, const char*& bytes, const char* end, char16_t* to);
// Moves `bytes` from the CR DecodeLine stopped at past the line end: the
// CR, and the LF right after it if there is one.
void SkipLineEnd(TextEncoding encoding, const char*& bytes, const char* end);
char* EncodeText(TextEncoding encoding, std::u16string_view text, char* to);

// The same for a whole text held in strings, for names, settings and tests:
// every CR is decoded too, and a byte-order mark is a character like any
// other. Both append to `out`, or leave it as it was and return false.
bool Decode(std::string_view bytes, TextEncoding encoding, std::u16string& out);
bool Encode(std::u16string_view text, TextEncoding encoding, std::string& out);

}  // namespace quelvane
