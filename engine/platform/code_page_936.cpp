#include "code_page_936.h"

#include <cstdint>

namespace quelvane {
namespace {

#include "code_page_936_tables.inc"

constexpr unsigned kFirstLead = 0x81, kLastLead = 0xFE;
constexpr unsigned kFirstTrail = 0x40, kLastTrail = 0xFE;
constexpr unsigned kTrailCount = kLastTrail - kFirstTrail + 1;
constexpr char16_t kNoMapping = 0;  // U+0000 is only ever the single byte 0x00

}  // namespace

char16_t* DecodeCodePage936(std::string_view bytes, char16_t* to) {
  const auto* from = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* end = from + bytes.size();
  while (from < end) {
    const unsigned b0 = *from++;
    if (b0 < 0x80) {
      *to++ = static_cast<char16_t>(b0);
      continue;
    }
    char16_t unit = kSingleByte[b0 - 0x80];
    if (unit == kNoMapping) {
      if (from == end || b0 < kFirstLead || b0 > kLastLead) return nullptr;
      const unsigned b1 = *from++;
      if (b1 < kFirstTrail || b1 > kLastTrail) return nullptr;
      unit = kDoubleByte[(b0 - kFirstLead) * kTrailCount + (b1 - kFirstTrail)];
      if (unit == kNoMapping) return nullptr;
    }
    *to++ = unit;
  }
  return to;
}

char* EncodeCodePage936(std::u16string_view text, char* to) {
  for (const char16_t unit : text) {
    const uint16_t code = kEncode[unit];
    if (code >= 0x100) {
      *to++ = static_cast<char>(code >> 8);
      *to++ = static_cast<char>(code & 0xFF);
    } else if (code != 0 || unit == 0) {
      *to++ = static_cast<char>(code);
    } else {
      return nullptr;
    }
  }
  return to;
}

bool DecodeCodePage936(std::string_view bytes, std::u16string& out) {
  const size_t start = out.size();
  out.resize(start + bytes.size());
  char16_t* end = DecodeCodePage936(bytes, out.data() + start);
  out.resize(end ? static_cast<size_t>(end - out.data()) : start);
  return end != nullptr;
}

bool EncodeCodePage936(std::u16string_view text, std::string& out) {
  const size_t start = out.size();
  out.resize(start + 2 * text.size());
  char* end = EncodeCodePage936(text, out.data() + start);
  out.resize(end ? static_cast<size_t>(end - out.data()) : start);
  return end != nullptr;
}

}  // namespace quelvane
