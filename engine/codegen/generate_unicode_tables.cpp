// Writes the tables the engine needs from ICU as C++ arrays, at build time,
// so that ICU stays the source of truth while a run neither loads ICU nor
// pays to build them:
//  - code page 936, from ICU's windows-936 converter. Only round-trip pairs
//    are kept: a byte sequence that would come back different after decoding
//    and encoding has no entry, and the decoder treats it as invalid;
//  - GB18030, from ICU's gb18030 converter: its one- and two-byte codes and
//    the four-byte codes of the BMP, round-trip pairs only as above (the
//    four-byte codes beyond the BMP are a plain offset from U+10000, which
//    the codec computes);
//  - simple case folding (u_foldCase, default option), as the sorted list of
//    the code points that fold to another.
//
// usage: generate_unicode_tables CODE_PAGE_936_FILE CASE_FOLDING_FILE GB18030_FILE

#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/uset.h>
#include <unicode/utf16.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr unsigned kFirstLead = 0x81, kLastLead = 0xFE;
constexpr unsigned kFirstTrail = 0x40, kLastTrail = 0xFE;
// 81 30 81 30 .. 84 31 A4 39: the four-byte codes of the BMP.
constexpr unsigned kGb18030FourByteBmpCodes = 39420;

template <typename T>
void WriteArray(std::ofstream& out, const std::string& declaration, const std::vector<T>& values) {
  out << declaration << " = {";
  for (size_t i = 0; i < values.size(); ++i) out << (i % 16 == 0 ? "\n    " : " ") << values[i] << ",";
  out << "\n};\n\n";
}

using Converter = std::unique_ptr<UConverter, decltype(&ucnv_close)>;

// The one code unit `bytes` decode to, when encoding it gives back exactly
// `bytes`; 0 otherwise (U+0000 is only ever the byte 0x00).
unsigned RoundTripUnit(UConverter* converter, const std::string& bytes) {
  UChar units[4];
  UErrorCode error = U_ZERO_ERROR;
  const int32_t count =
      ucnv_toUChars(converter, units, 4, bytes.data(), static_cast<int32_t>(bytes.size()), &error);
  if (U_FAILURE(error) || count != 1 || U16_IS_SURROGATE(units[0])) return 0;
  char back[8];
  const int32_t length = ucnv_fromUChars(converter, back, sizeof back, units, 1, &error);
  if (U_FAILURE(error) || std::string(back, static_cast<size_t>(length)) != bytes) return 0;
  return units[0];
}

}  // namespace

// Decoding tables (by the bytes in file order, as for code page 936) and
// one encoding table: unit -> bytes b0 | b1 << 8 | b2 << 16 | b3 << 24,
// whose length shows in its size (four-byte codes end in 0x30..0x39).
bool WriteGb18030(const char* path) {
  UErrorCode status = U_ZERO_ERROR;
  Converter converter(ucnv_open("gb18030", &status), ucnv_close);
  ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  if (U_FAILURE(status)) {
    std::fprintf(stderr, "ICU cannot provide GB18030: %s\n", u_errorName(status));
    return false;
  }
  std::vector<unsigned> single(128, 0), pairs(0x10000, 0), fourByte(kGb18030FourByteBmpCodes, 0);
  std::vector<unsigned long> encode(0x10000, 0);
  for (unsigned ascii = 0; ascii < 0x80; ++ascii) encode[ascii] = ascii;
  for (unsigned b0 = 0x80; b0 <= 0xFF; ++b0) {
    if (const unsigned unit = RoundTripUnit(converter.get(), std::string(1, static_cast<char>(b0)))) {
      single[b0 - 0x80] = unit;
      encode[unit] = b0;
    }
    for (unsigned b1 = kFirstTrail; b1 <= kLastTrail && b0 >= kFirstLead && b0 <= kLastLead; ++b1) {
      const std::string bytes{static_cast<char>(b0), static_cast<char>(b1)};
      if (const unsigned unit = RoundTripUnit(converter.get(), bytes)) {
        pairs[b0 | b1 << 8] = unit;
        encode[unit] = b0 | b1 << 8;
      }
    }
  }
  for (unsigned index = 0; index < kGb18030FourByteBmpCodes; ++index) {
    const unsigned b0 = 0x81 + index / 12600, b1 = 0x30 + index / 1260 % 10, b2 = 0x81 + index / 10 % 126,
                   b3 = 0x30 + index % 10;
    const std::string bytes{static_cast<char>(b0), static_cast<char>(b1), static_cast<char>(b2), static_cast<char>(b3)};
    if (const unsigned unit = RoundTripUnit(converter.get(), bytes)) {
      fourByte[index] = unit;
      encode[unit] = b0 | b1 << 8 | b2 << 16 | static_cast<unsigned long>(b3) << 24;
    }
  }
  std::ofstream out(path);
  out << "// Generated from ICU's gb18030 converter by generate_unicode_tables.\n\n";
  WriteArray(out, "constexpr char16_t kSingleByte[128]", single);
  WriteArray(out, "constexpr char16_t kDoubleByte[0x10000]", pairs);
  WriteArray(out, "constexpr char16_t kFourByteBmp[" + std::to_string(kGb18030FourByteBmpCodes) + "]", fourByte);
  WriteArray(out, "constexpr uint32_t kEncode[0x10000]", encode);
  return static_cast<bool>(out);
}

bool WriteCaseFolding(const char* path) {
  std::vector<unsigned> from, to;
  for (UChar32 c = 0; c <= 0x10FFFF; ++c) {
    const UChar32 folded = u_foldCase(c, U_FOLD_CASE_DEFAULT);
    if (folded == c) continue;
    from.push_back(static_cast<unsigned>(c));
    to.push_back(static_cast<unsigned>(folded));
  }
  std::ofstream out(path);
  out << "// Generated from ICU's u_foldCase by generate_unicode_tables.\n\n";
  out << "constexpr size_t kFoldedCount = " << from.size() << ";\n\n";
  WriteArray(out, "constexpr char32_t kFoldedFrom[kFoldedCount]", from);
  WriteArray(out, "constexpr char32_t kFoldedTo[kFoldedCount]", to);
  return static_cast<bool>(out);
}

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  if (!WriteCaseFolding(argv[2]) || !WriteGb18030(argv[3])) return 1;
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<UConverter, decltype(&ucnv_close)> converter(ucnv_open("windows-936", &status), ucnv_close);
  std::unique_ptr<USet, decltype(&uset_close)> roundTrip(uset_openEmpty(), uset_close);
  ucnv_getUnicodeSet(converter.get(), roundTrip.get(), UCNV_ROUNDTRIP_SET, &status);
  if (U_FAILURE(status)) {
    std::fprintf(stderr, "ICU cannot provide code page 936: %s\n", u_errorName(status));
    return 1;
  }

  std::vector<unsigned> single(128, 0);     // bytes 0x80..0xFF
  // Both tables are laid out by the bytes in file order read as a
  // little-endian number (lead | trail << 8): one lookup, no range checks,
  // and the codec moves two bytes at once.
  std::vector<unsigned> pairs(0x10000, 0);
  std::vector<unsigned> encode(0x10000, 0);  // unit -> 0 none, < 0x100 one byte, else lead | trail << 8
  for (unsigned ascii = 0; ascii < 0x80; ++ascii) encode[ascii] = ascii;

  for (int32_t range = 0; range < uset_getItemCount(roundTrip.get()); ++range) {
    UChar32 first = 0, last = 0;
    uset_getItem(roundTrip.get(), range, &first, &last, nullptr, 0, &status);
    for (UChar32 c = first; c <= last && c < 0x10000; ++c) {
      const UChar unit = static_cast<UChar>(c);
      char bytes[4];
      UErrorCode error = U_ZERO_ERROR;
      const int32_t length = ucnv_fromUChars(converter.get(), bytes, sizeof bytes, &unit, 1, &error);
      if (U_FAILURE(error)) continue;
      const auto b0 = static_cast<unsigned char>(bytes[0]);
      if (length == 1 && b0 >= 0x80) {
        single[b0 - 0x80] = unit;
        encode[unit] = b0;
      } else if (length == 2) {
        const auto b1 = static_cast<unsigned char>(bytes[1]);
        if (b0 < kFirstLead || b0 > kLastLead || b1 < kFirstTrail || b1 > kLastTrail) continue;
        pairs[b0 | b1 << 8] = unit;
        encode[unit] = b0 | b1 << 8;
      }
    }
  }

  std::ofstream out(argv[1]);
  out << "// Generated from ICU's windows-936 converter by generate_unicode_tables.\n\n";
  WriteArray(out, "constexpr char16_t kSingleByte[128]", single);
  WriteArray(out, "constexpr char16_t kDoubleByte[0x10000]", pairs);
  WriteArray(out, "constexpr uint16_t kEncode[0x10000]", encode);
  return out ? 0 : 1;
}
