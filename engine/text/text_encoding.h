#pragma once
// How a file's bytes become text and back: one row per encoding (its name,
// how it is recognised, its line decoder and encoder, its byte-order mark
// and line break; see kEncodings in text_encoding.cpp), and how a file's
// encoding is decided from all of its bytes, in this order:
//  1. EF BB BF first: UTF-8 with its mark (strict after it too).
//  2. FF FE 00 00 or 00 00 FE FF first: not text (UTF-32 is not tidied).
//  3. FF FE / FE FF first: UTF-16 LE / BE with its mark; an odd number of
//     bytes is not text.
//  4. A NUL byte anywhere: not text, for that reason.
//  5. Valid UTF-8 with a byte above 7F: UTF-8, unless the UTF-8 reading
//     has nothing at or above U+0800 and the bytes are also code page 936
//     made of GB2312 pairs only: such short GBK texts merely look like
//     UTF-8 (一 is D2 BB, U+04BB in UTF-8), real UTF-8 Chinese never does.
//     Those go on to the next rule.
//  6. Valid Big5 (see big5.h) whose code page 936 reading holds a Private
//     Use character: Big5. Every Big5 code is also a code page 936 code,
//     but Big5's punctuation and most frequent characters fall in code page
//     936's user-defined areas, which real GBK text never uses.
//  7. Valid code page 936: code page 936.
//  8. Valid GB18030: GB18030.
//  9. Anything else: not text.
// A file is written back in its encoding, with its mark.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quelvane {

enum class TextEncoding { CodePage936, Gb18030, Big5, Utf8, Utf8WithBom, Utf16Le, Utf16Be };
inline constexpr size_t kEncodingCount = static_cast<size_t>(TextEncoding::Utf16Be) + 1;

struct EncodingDecision {
  std::optional<TextEncoding> encoding;  // nullopt: not text
  bool hasNulByte = false;               // the reason it is not, rule 4
};

// Whether the whole file, less its byte-order mark, is valid in an
// encoding. The reader answers it by decoding the file into its lines, so
// that deciding and reading are one pass wherever decoding decides.
using DecodesAs = std::function<bool(TextEncoding encoding)>;

// The rules above. Rules 6 to 8 ask `decodes`; when the answer is the
// decision, it was the last one asked.
EncodingDecision DecideEncoding(std::string_view bytes, const DecodesAs& decodes);
// The same, decoding into a scratch text: for tests and the fuzzer.
EncodingDecision DecideEncoding(std::string_view bytes);

// Decodes one line: the bytes from `bytes` up to the next CR or `end`,
// moving `bytes` there; nullptr when they are not valid. Room for as many
// code units as there are bytes.
using LineDecoder = char16_t* (*)(const char*& bytes, const char* end, char16_t* to);
// Encodes, with room for kMaxBytesPerUnit × text.size() bytes; nullptr,
// rather than a substitute, when the text has no exact form in the encoding:
// the caller then leaves the file as it was.
using TextEncoder = char* (*)(std::u16string_view text, char* to);
inline constexpr size_t kMaxBytesPerUnit = 4;  // GB18030 writes U+0080 in four

struct EncodingForm {
  std::u16string_view name;   // as shown to people: "GBK", "UTF-16"...
  std::string_view preamble;  // precedes the first line: the byte-order mark, if any
  std::string_view lineBreak; // ends each written line: CR LF as code units of the encoding
  LineDecoder decodeLine;
  TextEncoder encode;
};
const EncodingForm& FormOf(TextEncoding encoding);

// The encodings a file may be in, for people: "GBK、GB18030、Big5、UTF-8 或 UTF-16".
std::u16string EncodingNames();

std::string_view EncodingPreamble(TextEncoding encoding);
std::string_view EncodedLineBreak(TextEncoding encoding);
char16_t* DecodeLine(TextEncoding encoding, const char*& bytes, const char* end, char16_t* to);
// Moves `bytes` from the CR a line decoder stopped at past the line end:
// the CR, and the LF right after it if there is one. `lineBreak` is the
// encoding's; once a line, so inline, and byte by byte rather than by a
// call to memcmp.
inline void SkipLineEnd(std::string_view lineBreak, const char*& bytes, const char* end) {
  const size_t unit = lineBreak.size() / 2;
  bytes += unit;  // the CR
  if (static_cast<size_t>(end - bytes) < unit || bytes[0] != lineBreak[unit]) return;
  if (unit == 1 || bytes[1] == lineBreak[3]) bytes += unit;
}
char* EncodeText(TextEncoding encoding, std::u16string_view text, char* to);

// The same for a whole text held in strings, for names, settings and tests:
// every CR is decoded too, and a byte-order mark is a character like any
// other. Both append to `out`, or leave it as it was and return false.
bool Decode(std::string_view bytes, TextEncoding encoding, std::u16string& out);
bool Encode(std::u16string_view text, TextEncoding encoding, std::string& out);

}  // namespace quelvane
