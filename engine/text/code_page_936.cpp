#include "code_page_936.h"

#include <cstdint>

#include "double_byte_codec.h"

namespace quelvane {
namespace {

#include "code_page_936_tables.inc"

// Calls `take(unit, lead, trail)` for each character of `bytes` read as code
// page 936 (trail 0 for a single byte) while it returns true. False when the
// bytes stop being code page 936 before `take` stops.
template <typename Take>
bool ForEachCharacter(std::string_view bytes, Take&& take) {
  const auto* from = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* const end = from + bytes.size();
  while (from < end) {
    const unsigned b0 = *from;
    char16_t unit = static_cast<char16_t>(b0);
    unsigned b1 = 0;
    if (b0 < 0x80) {
      ++from;
    } else if (end - from >= 2 && (unit = kDoubleByte[TwoBytes(from)]) != kNoMapping) {
      b1 = from[1];
      from += 2;
    } else if ((unit = kSingleByte[b0 - 0x80]) != kNoMapping) {
      ++from;
    } else {
      return false;
    }
    if (!take(unit, b0, b1)) return true;
  }
  return true;
}

}  // namespace

char16_t* DecodeCodePage936Line(const char*& bytes, const char* end, char16_t* to) {
  return DecodeDoubleByteLine(kSingleByte, kDoubleByte, bytes, end, to);
}

char* EncodeCodePage936(std::u16string_view text, char* to) { return EncodeDoubleByte(kEncode, text, to); }

CodePage936Reading ReadAsCodePage936(std::string_view bytes) {
  bool gb2312 = true;
  const bool valid = ForEachCharacter(bytes, [&gb2312](char16_t, unsigned lead, unsigned trail) {
    gb2312 = gb2312 && (lead < 0x80 || (lead >= 0xA1 && lead <= 0xF7 && trail >= 0xA1 && trail != 0xFF));
    return true;
  });
  return !valid ? CodePage936Reading::Invalid : gb2312 ? CodePage936Reading::Gb2312Pairs : CodePage936Reading::Valid;
}

bool CodePage936ReadsPrivateUse(std::string_view bytes) {
  bool privateUse = false;
  ForEachCharacter(bytes, [&privateUse](char16_t unit, unsigned, unsigned) {
    privateUse = unit >= 0xE000 && unit <= 0xF8FF;
    return !privateUse;
  });
  return privateUse;
}

}  // namespace quelvane
