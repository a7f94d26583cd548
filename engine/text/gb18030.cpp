#include "gb18030.h"

#include <cstdint>

#include "double_byte_codec.h"
#include "text.h"

namespace quelvane {
namespace {

#include "gb18030_tables.inc"

// Four-byte codes are numbered in order: ((b0 - 81) × 10 + b1 - 30) × 1260 +
// (b2 - 81) × 10 + b3 - 30. Those of the BMP come first (the table); from
// 90 30 81 30 on they are U+10000 onwards, one by one.
constexpr uint32_t kFirstSupplementaryIndex = 189000;
constexpr uint32_t kSupplementaryCount = 0x100000;

bool IsFourByteCode(const unsigned char* at) {
  return at[0] >= 0x81 && at[0] <= 0xFE && at[1] >= 0x30 && at[1] <= 0x39 && at[2] >= 0x81 && at[2] <= 0xFE &&
         at[3] >= 0x30 && at[3] <= 0x39;
}

uint32_t FourByteIndex(const unsigned char* at) {
  return ((at[0] - 0x81u) * 10 + (at[1] - 0x30u)) * 1260 + (at[2] - 0x81u) * 10 + (at[3] - 0x30u);
}

// A four-byte code at `from`: 4, 0 when none starts there, -1 when it has no character.
int DecodeFourByteCode(const unsigned char* from, const unsigned char* stop, char16_t*& to) {
  if (stop - from < 4 || !IsFourByteCode(from)) return 0;
  const uint32_t index = FourByteIndex(from);
  if (index < std::size(kFourByteBmp) && kFourByteBmp[index] != kNoMapping) {
    *to++ = kFourByteBmp[index];
    return 4;
  }
  const uint32_t offset = index - kFirstSupplementaryIndex;
  if (index < kFirstSupplementaryIndex || offset >= kSupplementaryCount) return -1;
  to = PutCodePoint(0x10000 + offset, to);
  return 4;
}

}  // namespace

char16_t* DecodeGb18030Line(const char*& bytes, const char* end, char16_t* to) {
  return DecodeDoubleByteLine(kSingleByte, kDoubleByte, bytes, end, to, DecodeFourByteCode);
}

char* EncodeGb18030(std::u16string_view text, char* to) {
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    uint32_t code = kEncode[unit];
    if (code == 0 && unit != 0) {
      if (!IsSurrogatePair(text, i)) return nullptr;
      const uint32_t index = kFirstSupplementaryIndex + (CombineSurrogates(unit, text[++i]) - 0x10000);
      code = (0x81 + index / 12600) | (0x30 + index / 1260 % 10) << 8 | (0x81 + index / 10 % 126) << 16 |
             (0x30 + index % 10) << 24;
    }
    to[0] = static_cast<char>(code);
    if (code < 0x100) {
      to += 1;
    } else if (code < 0x10000) {
      to[1] = static_cast<char>(code >> 8);
      to += 2;
    } else {
      to[1] = static_cast<char>(code >> 8);
      to[2] = static_cast<char>(code >> 16);
      to[3] = static_cast<char>(code >> 24);
      to += 4;
    }
  }
  return to;
}

}  // namespace quelvane
