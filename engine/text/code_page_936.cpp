#include "code_page_936.h"

#include <cstdint>

#include "double_byte_pairs.h"

namespace quelvane {
namespace {

#include "code_page_936_tables.inc"

constexpr char16_t kNoMapping = 0;  // U+0000 is only ever the single byte 0x00

}  // namespace

char16_t* DecodeCodePage936Line(const char*& bytes, const char* end, char16_t* to) {
  const auto* from = reinterpret_cast<const unsigned char*>(bytes);
  const auto* stop = reinterpret_cast<const unsigned char*>(end);
  while (from < stop) {
    DecodePairs(kDoubleByte, from, stop, to);
    if (from == stop) break;
    const unsigned b0 = *from;
    if (b0 < 0x80) {
      if (b0 == '\r') break;  // never a trail byte (trails are 0x40..0xFE)
      *to++ = static_cast<char16_t>(b0);
      ++from;
    } else if (char16_t unit; stop - from >= 2 && (unit = kDoubleByte[TwoBytes(from)]) != kNoMapping) {
      *to++ = unit;
      from += 2;
    } else if (kSingleByte[b0 - 0x80] != kNoMapping) {  // 0x80 and 0xFF lead no pair
      *to++ = kSingleByte[b0 - 0x80];
      ++from;
    } else {
      return nullptr;
    }
  }
  bytes = reinterpret_cast<const char*>(from);
  return to;
}

CodePage936Reading ReadAsCodePage936(std::string_view bytes) {
  const auto* from = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* const end = from + bytes.size();
  bool gb2312 = true;
  while (from < end) {
    const unsigned b0 = *from;
    if (b0 < 0x80) {
      ++from;
    } else if (end - from >= 2 && kDoubleByte[TwoBytes(from)] != kNoMapping) {
      gb2312 = gb2312 && b0 >= 0xA1 && b0 <= 0xF7 && from[1] >= 0xA1 && from[1] != 0xFF;
      from += 2;
    } else if (kSingleByte[b0 - 0x80] != kNoMapping) {
      ++from;
    } else {
      return CodePage936Reading::Invalid;
    }
  }
  return gb2312 ? CodePage936Reading::Gb2312Pairs : CodePage936Reading::Valid;
}

char* EncodeCodePage936(std::u16string_view text, char* to) {
  for (const char16_t unit : text) {
    const uint16_t code = kEncode[unit];
    if (code >= 0x100) {
      to[0] = static_cast<char>(code & 0xFF);  // the compiler makes one two-byte store of it
      to[1] = static_cast<char>(code >> 8);
      to += 2;
    } else if (code != 0 || unit == 0) {
      *to++ = static_cast<char>(code);
    } else {
      return nullptr;
    }
  }
  return to;
}

}  // namespace quelvane
