// Writes the tables the engine needs from ICU as C++ arrays, at build time,
// so that ICU stays the source of truth while a run neither loads ICU nor
// pays to build them:
//  - code page 936, from ICU's windows-936 converter, and Big5, from its
//    windows-950-2000 converter: their one- and two-byte codes. Only
//    round-trip pairs are kept: a byte sequence that would come back
//    different after decoding and encoding has no entry, and the decoder
//    treats it as invalid. Big5 keeps neither its user-defined areas (they
//    read as Private Use characters, which no font draws and which tell Big5
//    apart from code page 936) nor single bytes above 7F;
//  - GB18030, from ICU's gb18030 converter: its one- and two-byte codes and
//    the four-byte codes of the BMP, round-trip pairs only as above (the
//    four-byte codes beyond the BMP are a plain offset from U+10000, which
//    the codec computes);
//  - simple case folding (u_foldCase, default option), as the sorted list of
//    the code points that fold to another.
//
// usage: generate_unicode_tables CODE_PAGE_936_FILE CASE_FOLDING_FILE GB18030_FILE BIG5_FILE

#include <unicode/uchar.h>
#include <unicode/ucnv.h>
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

Converter OpenStrict(const char* name) {
  UErrorCode status = U_ZERO_ERROR;
  Converter converter(ucnv_open(name, &status), ucnv_close);
  ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  if (U_FAILURE(status)) {
    std::fprintf(stderr, "ICU cannot provide %s: %s\n", name, u_errorName(status));
    return Converter(nullptr, ucnv_close);
  }
  return converter;
}

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

bool IsPrivateUse(unsigned unit) { return unit >= 0xE000 && unit <= 0xF8FF; }

// A converter's single bytes 80..FF and its pairs, laid out by the bytes in
// file order read as a little-endian number (lead | trail << 8): one lookup,
// no range checks, and the codec moves two bytes at once. `encode` maps a
// unit to its bytes the same way (0: none; ASCII maps to itself).
struct DoubleByteTables {
  std::vector<unsigned> single = std::vector<unsigned>(128, 0);
  std::vector<unsigned> pairs = std::vector<unsigned>(0x10000, 0);
  std::vector<unsigned long> encode = std::vector<unsigned long>(0x10000, 0);
};

enum class Kept { Everything, NoUserDefinedNorHighSingles };

DoubleByteTables CollectDoubleByte(UConverter* converter, Kept kept) {
  DoubleByteTables tables;
  for (unsigned ascii = 0; ascii < 0x80; ++ascii) tables.encode[ascii] = ascii;
  const bool everything = kept == Kept::Everything;
  for (unsigned b0 = 0x80; b0 <= 0xFF; ++b0) {
    const unsigned single = everything ? RoundTripUnit(converter, std::string(1, static_cast<char>(b0))) : 0;
    if (single != 0) {
      tables.single[b0 - 0x80] = single;
      tables.encode[single] = b0;
    }
    for (unsigned b1 = kFirstTrail; b1 <= kLastTrail && b0 >= kFirstLead && b0 <= kLastLead; ++b1) {
      const unsigned unit = RoundTripUnit(converter, {static_cast<char>(b0), static_cast<char>(b1)});
      if (unit == 0 || (!everything && IsPrivateUse(unit))) continue;
      tables.pairs[b0 | b1 << 8] = unit;
      tables.encode[unit] = b0 | b1 << 8;
    }
  }
  return tables;
}

bool WriteCodePage(const char* icuName, Kept kept, const char* path) {
  const Converter converter = OpenStrict(icuName);
  if (!converter) return false;
  const DoubleByteTables tables = CollectDoubleByte(converter.get(), kept);
  std::ofstream out(path);
  out << "// Generated from ICU's " << icuName << " converter by generate_unicode_tables.\n\n";
  WriteArray(out, "constexpr char16_t kSingleByte[128]", tables.single);
  WriteArray(out, "constexpr char16_t kDoubleByte[0x10000]", tables.pairs);
  WriteArray(out, "constexpr uint16_t kEncode[0x10000]", tables.encode);
  return static_cast<bool>(out);
}

// Besides the one- and two-byte tables, the BMP's four-byte codes; the
// encoding table holds b0 | b1 << 8 | b2 << 16 | b3 << 24, whose length shows
// in its size (four-byte codes end in 0x30..0x39).
bool WriteGb18030(const char* path) {
  const Converter converter = OpenStrict("gb18030");
  if (!converter) return false;
  DoubleByteTables tables = CollectDoubleByte(converter.get(), Kept::Everything);
  std::vector<unsigned> fourByte(kGb18030FourByteBmpCodes, 0);
  for (unsigned index = 0; index < kGb18030FourByteBmpCodes; ++index) {
    const unsigned b0 = 0x81 + index / 12600, b1 = 0x30 + index / 1260 % 10, b2 = 0x81 + index / 10 % 126,
                   b3 = 0x30 + index % 10;
    const std::string bytes{static_cast<char>(b0), static_cast<char>(b1), static_cast<char>(b2), static_cast<char>(b3)};
    if (const unsigned unit = RoundTripUnit(converter.get(), bytes)) {
      fourByte[index] = unit;
      tables.encode[unit] = b0 | b1 << 8 | b2 << 16 | static_cast<unsigned long>(b3) << 24;
    }
  }
  std::ofstream out(path);
  out << "// Generated from ICU's gb18030 converter by generate_unicode_tables.\n\n";
  WriteArray(out, "constexpr char16_t kSingleByte[128]", tables.single);
  WriteArray(out, "constexpr char16_t kDoubleByte[0x10000]", tables.pairs);
  WriteArray(out, "constexpr char16_t kFourByteBmp[" + std::to_string(kGb18030FourByteBmpCodes) + "]", fourByte);
  WriteArray(out, "constexpr uint32_t kEncode[0x10000]", tables.encode);
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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) return 2;
  const bool written = WriteCodePage("windows-936", Kept::Everything, argv[1]) && WriteCaseFolding(argv[2]) &&
                       WriteGb18030(argv[3]) && WriteCodePage("windows-950-2000", Kept::NoUserDefinedNorHighSingles, argv[4]);
  return written ? 0 : 1;
}
