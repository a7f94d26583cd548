#pragma once
// Big5 as Windows has it (code page 950, ICU's windows-950-2000), as
// Traditional Chinese texts from Taiwan and Hong Kong are saved: ASCII and
// two-byte codes. As for code page 936 the mapping is ICU's, turned into
// tables when the program is built, round-trip pairs only; the user-defined
// areas (where Hong Kong's extra characters live) are left out, so a file
// that uses them is not read as Big5.

#include <string>
#include <string_view>

namespace quelvane {

// Decodes into `to`, with room for bytes.size() code units, up to the first
// CR: `bytes` is moved to the CR, or to `end`. nullptr when a byte sequence
// is not one of the kept codes.
char16_t* DecodeBig5Line(const char*& bytes, const char* end, char16_t* to);

// Encodes into `to`, with room for 2 × text.size() bytes; nullptr when a
// character has no round-trip code (a Simplified 说, say).
char* EncodeBig5(std::u16string_view text, char* to);

}  // namespace quelvane
