#pragma once
// Code page 936 (GBK as Windows has it; byte 0x80 is the euro sign).
// The mapping is taken from ICU's converter into lookup tables when the
// program is built, and only pairs that survive a round trip are kept: a
// byte sequence that would come back different after decoding and encoding
// is treated as invalid, so a file is never rewritten with bytes it did not
// have.

#include <string>
#include <string_view>

namespace quelvane {

// Decodes into `to`, which has room for bytes.size() code units, up to the
// first CR: `bytes` is moved to the CR, or to `end`. Returns the end of the
// text, or nullptr when a byte sequence is not a round-trip character of
// code page 936.
char16_t* DecodeCodePage936Line(const char*& bytes, const char* end, char16_t* to);

// Encodes into `to`, which has room for 2 × text.size() bytes. Returns the
// end of the bytes, or nullptr when a character has no round-trip form.
char* EncodeCodePage936(std::u16string_view text, char* to);

// What the bytes are as a whole, without decoding them anywhere.
enum class CodePage936Reading {
  Invalid,
  Valid,
  Gb2312Pairs,  // valid, and every two-byte code is one of GB2312 (A1..F7, A1..FE)
};
CodePage936Reading ReadAsCodePage936(std::string_view bytes);

// Whether the bytes, read as code page 936 as far as they are valid, hold a
// character of its user-defined areas (a Private Use character, U+E000 to
// U+F8FF). Real GBK text has none, while Big5's punctuation and most
// frequent characters read so. Stops at the first.
bool CodePage936ReadsPrivateUse(std::string_view bytes);

}  // namespace quelvane
