#include "code_page_936.h"

#include <unicode/ucnv.h>
#include <unicode/uset.h>

#include <array>
#include <memory>
#include <stdexcept>
#include <vector>

namespace quelvane {
namespace {

constexpr unsigned kFirstLead = 0x81, kLastLead = 0xFE;
constexpr unsigned kFirstTrail = 0x40, kLastTrail = 0xFE;
constexpr unsigned kTrailCount = kLastTrail - kFirstTrail + 1;
constexpr char16_t kNoMapping = 0;  // U+0000 is only ever the single byte 0x00

struct Tables {
  std::array<char16_t, 256> single{};  // bytes 0x80..0xFF that stand alone
  std::vector<char16_t> pairs = std::vector<char16_t>((kLastLead - kFirstLead + 1) * kTrailCount, kNoMapping);
  // Code unit -> bytes: 0 = none, < 0x100 one byte, otherwise lead << 8 | trail.
  std::vector<uint16_t> encode = std::vector<uint16_t>(0x10000, 0);
};

Tables BuildTables() {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<UConverter, decltype(&ucnv_close)> converter(ucnv_open("windows-936", &status), ucnv_close);
  if (U_FAILURE(status)) throw std::runtime_error("ICU has no converter for code page 936");
  std::unique_ptr<USet, decltype(&uset_close)> roundTrip(uset_openEmpty(), uset_close);
  ucnv_getUnicodeSet(converter.get(), roundTrip.get(), UCNV_ROUNDTRIP_SET, &status);
  if (U_FAILURE(status)) throw std::runtime_error("ICU cannot list code page 936");

  Tables tables;
  for (int32_t range = 0; range < uset_getItemCount(roundTrip.get()); ++range) {
    UChar32 first = 0, last = 0;
    uset_getItem(roundTrip.get(), range, &first, &last, nullptr, 0, &status);
    for (UChar32 c = first; c <= last && c < 0x10000; ++c) {
      UChar unit = static_cast<UChar>(c);
      char bytes[4];
      UErrorCode error = U_ZERO_ERROR;
      int32_t length = ucnv_fromUChars(converter.get(), bytes, sizeof bytes, &unit, 1, &error);
      if (U_FAILURE(error)) continue;
      auto b0 = static_cast<unsigned char>(bytes[0]);
      if (length == 1) {
        if (b0 < 0x80) continue;  // ASCII is decoded without the table
        tables.single[b0] = unit;
        tables.encode[unit] = b0;
      } else if (length == 2) {
        auto b1 = static_cast<unsigned char>(bytes[1]);
        if (b0 < kFirstLead || b0 > kLastLead || b1 < kFirstTrail || b1 > kLastTrail) continue;
        tables.pairs[(b0 - kFirstLead) * kTrailCount + (b1 - kFirstTrail)] = unit;
        tables.encode[unit] = static_cast<uint16_t>(b0 << 8 | b1);
      }
    }
  }
  for (unsigned ascii = 0; ascii < 0x80; ++ascii) tables.encode[ascii] = static_cast<uint16_t>(ascii);
  return tables;
}

const Tables& GetTables() {
  static const Tables tables = BuildTables();
  return tables;
}

}  // namespace

bool DecodeCodePage936(std::string_view bytes, std::u16string& out) {
  const Tables& tables = GetTables();
  size_t start = out.size();
  out.resize(start + bytes.size());  // never more code units than bytes
  char16_t* to = out.data() + start;
  const auto* from = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* end = from + bytes.size();
  auto fail = [&] {
    out.resize(start);
    return false;
  };
  while (from < end) {
    unsigned b0 = *from++;
    if (b0 < 0x80) {
      *to++ = static_cast<char16_t>(b0);
      continue;
    }
    char16_t unit = tables.single[b0];
    if (unit == kNoMapping) {
      if (from == end || b0 < kFirstLead || b0 > kLastLead) return fail();
      unsigned b1 = *from++;
      if (b1 < kFirstTrail || b1 > kLastTrail) return fail();
      unit = tables.pairs[(b0 - kFirstLead) * kTrailCount + (b1 - kFirstTrail)];
      if (unit == kNoMapping) return fail();
    }
    *to++ = unit;
  }
  out.resize(static_cast<size_t>(to - out.data()));
  return true;
}

bool EncodeCodePage936(std::u16string_view text, std::string& out) {
  const Tables& tables = GetTables();
  size_t start = out.size();
  out.resize(start + 2 * text.size());
  char* to = out.data() + start;
  for (char16_t unit : text) {
    uint16_t code = tables.encode[unit];
    if (code < 0x100) {
      if (code == 0 && unit != 0) {
        out.resize(start);
        return false;
      }
      *to++ = static_cast<char>(code);
    } else {
      *to++ = static_cast<char>(code >> 8);
      *to++ = static_cast<char>(code & 0xFF);
    }
  }
  out.resize(static_cast<size_t>(to - out.data()));
  return true;
}

}  // namespace quelvane
