#pragma once
// GB18030, the national standard that contains GBK: one byte for ASCII,
// two bytes for the GBK range, four bytes (81..FE 30..39 81..FE 30..39) for
// the rest of Unicode. As for code page 936 the mapping is ICU's converter,
// turned into tables when the program is built, round-trip pairs only: a
// byte sequence that would come back different is invalid.

#include <string>
#include <string_view>

namespace quelvane {

// Decodes into `to`, with room for bytes.size() code units, up to the first
// CR: `bytes` is moved to the CR, or to `end`. nullptr when a sequence is
// not a round-trip character of GB18030.
char16_t* DecodeGb18030Line(const char*& bytes, const char* end, char16_t* to);

// Encodes into `to`, with room for 4 × text.size() bytes; nullptr for an
// unpaired surrogate, the only text GB18030 cannot hold.
char* EncodeGb18030(std::u16string_view text, char* to);

}  // namespace quelvane
