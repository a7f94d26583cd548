// The character level: encodings, lossless decoding, case-insensitive tests, text search, temporary names.

#include <gtest/gtest.h>
#include <unicode/uchar.h>
#include <unicode/ucnv.h>

#include <memory>
#include <optional>
#include <random>

#include "platform/temporary_name.h"
#include "text/case_fold.h"
#include "text/display_name.h"
#include "text/text.h"
#include "text/text_encoding.h"
#include "text/text_search.h"
#include "text/utf8.h"

namespace quelvane {
namespace {

using enum TextEncoding;
using IcuConverter = std::unique_ptr<UConverter, decltype(&ucnv_close)>;

IcuConverter OpenStrict(const char* name) {
  UErrorCode status = U_ZERO_ERROR;
  IcuConverter icu(ucnv_open(name, &status), ucnv_close);
  ucnv_setToUCallBack(icu.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  ucnv_setFromUCallBack(icu.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  EXPECT_TRUE(U_SUCCESS(status)) << name;
  return icu;
}

// ICU's reading of `bytes`, when encoding it gives back exactly `bytes`.
std::optional<std::u16string> IcuLossless(UConverter* icu, std::string_view bytes) {
  UChar units[8];
  UErrorCode error = U_ZERO_ERROR;
  const int32_t count = ucnv_toUChars(icu, units, 8, bytes.data(), static_cast<int32_t>(bytes.size()), &error);
  if (U_FAILURE(error)) return std::nullopt;
  char back[16];
  const int32_t length = ucnv_fromUChars(icu, back, sizeof back, units, count, &error);
  if (U_FAILURE(error) || std::string_view(back, static_cast<size_t>(length)) != bytes) return std::nullopt;
  return std::u16string(units, units + count);
}

bool IsPrivateUse(char16_t unit) { return unit >= 0xE000 && unit <= 0xF8FF; }

// What the tables keep of ICU's lossless codes: all of them, but for Big5 only ASCII and pairs that read as one
// character other than a Private Use one (its user-defined areas).
bool Kept(TextEncoding encoding, std::string_view bytes, std::u16string_view text) {
  if (encoding != Big5) return true;
  const auto isAscii = [](char byte) { return static_cast<unsigned char>(byte) < 0x80; };
  const bool ascii = std::all_of(bytes.begin(), bytes.end(), isAscii);
  return ascii || (bytes.size() == 2 && text.size() == 1 && !IsPrivateUse(text[0]));
}

// Decodes exactly what ICU decodes losslessly and the tables keep, to the same text, and back to the same bytes;
// true if text.
bool AgreesWithIcu(UConverter* icu, std::string_view bytes, TextEncoding encoding) {
  std::optional<std::u16string> expected = IcuLossless(icu, bytes);
  if (expected && !Kept(encoding, bytes, *expected)) expected.reset();
  std::u16string text;
  EXPECT_EQ(Decode(bytes, encoding, text), expected.has_value()) << ::testing::PrintToString(bytes);
  if (!expected) return false;
  EXPECT_EQ(text, *expected);
  std::string encoded;
  EXPECT_TRUE(Encode(text, encoding, encoded));
  EXPECT_EQ(encoded, bytes);
  return true;
}

// ICU's reading of a two-byte code as one character, whether or not it comes back.
bool IcuReadsOneCharacter(UConverter* icu, std::string_view bytes) {
  UChar units[8];
  UErrorCode error = U_ZERO_ERROR;
  return ucnv_toUChars(icu, units, 8, bytes.data(), static_cast<int32_t>(bytes.size()), &error) == 1 &&
         U_SUCCESS(error) && !IsPrivateUse(units[0]);
}

// The compiled tables against ICU's converter: every one- and two-byte sequence, every code unit the other
// way, and for GB18030 every four-byte code of the BMP and beyond it every tenth code (each lead, second and
// third byte), including those past U+10FFFF. ICU reads a few Big5 codes as characters that are written back
// as other codes: those are refused, and no other code is.
TEST(Codec, AgreesWithIcuOnEverySequenceAndUnit) {
  const std::vector<std::string> kBig5ComeBackOtherwise = {"\xA2\xA4", "\xA2\xA5", "\xA2\xA6", "\xA2\xA7", "\xA2\xCC",
                                                           "\xA2\xCE", "\xF9\xFA", "\xF9\xFB", "\xF9\xFC", "\xF9\xFD"};
  const struct { const char* icuName; TextEncoding encoding; size_t twoByte, fourByte; } rows[] = {
      {"windows-936",      CodePage936, 21000, 0},                // the fewest that are text
      {"gb18030",          Gb18030,     23000, 39000 + 100000},
      {"windows-950-2000", Big5,        13000, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.icuName);
    IcuConverter icu = OpenStrict(row.icuName);
    size_t twoByte = 0, fourByte = 0;
    std::vector<std::string> comeBackOtherwise;  // read by ICU as a character, not text to us
    for (unsigned lead = 0x80; lead <= 0xFF; ++lead) {
      for (unsigned trail = 0; trail <= 0x100; ++trail) {  // 0x100: the lead byte alone
        const std::string bytes = trail < 0x100 ? std::string{char(lead), char(trail)} : std::string(1, char(lead));
        const bool text = AgreesWithIcu(icu.get(), bytes, row.encoding);
        twoByte += text;
        if (!text && bytes.size() == 2 && IcuReadsOneCharacter(icu.get(), bytes)) comeBackOtherwise.push_back(bytes);
      }
      ASSERT_FALSE(::testing::Test::HasFailure()) << std::hex << lead;
    }
    EXPECT_GT(twoByte, row.twoByte);
    if (row.encoding == Big5) {
      EXPECT_EQ(comeBackOtherwise, kBig5ComeBackOtherwise);
    }
    for (unsigned b0 = 0x81; row.fourByte > 0 && b0 <= 0xFE; ++b0) {
      for (unsigned b1 = 0x30; b1 <= 0x39; ++b1) {
        for (unsigned b2 = 0x81; b2 <= 0xFE; ++b2)
          for (unsigned b3 = 0x30; b3 <= 0x39; ++b3) {
            if (b0 > 0x84 && b3 != 0x30 + (b0 + b1 + b2) % 10) continue;
            const char bytes[] = {char(b0), char(b1), char(b2), char(b3)};
            fourByte += AgreesWithIcu(icu.get(), std::string_view(bytes, 4), row.encoding);
          }
        ASSERT_FALSE(::testing::Test::HasFailure()) << std::hex << b0 << " " << b1;
      }
    }
    EXPECT_GE(fourByte, row.fourByte);
    for (char32_t c = 0; c < 0x10000; ++c) {
      const std::u16string unit(1, static_cast<char16_t>(c));
      std::string ours;
      char icuBytes[8];
      UErrorCode error = U_ZERO_ERROR;
      const int32_t length = ucnv_fromUChars(icu.get(), icuBytes, sizeof icuBytes, unit.data(), 1, &error);
      const std::string_view bytes(icuBytes, U_SUCCESS(error) ? static_cast<size_t>(length) : 0);
      const bool lossless =
          U_SUCCESS(error) && IcuLossless(icu.get(), bytes) == unit && Kept(row.encoding, bytes, unit);
      ASSERT_EQ(Encode(unit, row.encoding, ours), lossless) << std::hex << static_cast<unsigned>(c);
      ASSERT_TRUE(!lossless || ours == bytes) << std::hex << static_cast<unsigned>(c);
    }
  }
}

// What has no exact form is refused, the output left as it was; only text for people shows a lone surrogate as U+FFFD.
TEST(Codec, RefusesWhatHasNoExactForm) {
  // The views cut a valid text short: the bytes after them (a trail byte, the rest of a pair) must not be read.
  static constexpr std::string_view kGbk = "\xB5\xDA\xB5\xDA", kBig5 = "\xA5\xD2\xA1\x43";
  static constexpr std::string_view kGb18030 = "\x81\x39\xEE\x39";
  const struct { const char* name; TextEncoding encoding; std::string_view bytes; } undecodable[] = {
      {"a lead byte at the end of a view", CodePage936, kGbk.substr(0, 1)},
      {"a pair and a lead byte in a view", CodePage936, kGbk.substr(0, 3)},
      {"a big5 lead byte in a view",       Big5,        kBig5.substr(0, 3)},
      {"a four-byte code cut by a view",   Gb18030,     kGb18030.substr(0, 3)},
      {"an overlong form",                 Utf8,        "\xC0\xAF"},
      {"an encoded surrogate",             Utf8,        "\xED\xA0\x80"},
      {"beyond U+10FFFF",                  Utf8,        "\xF4\x90\x80\x80"},
      {"a sequence cut short",             Utf8,        "\xE7\xAC"},
      {"a lone continuation byte",         Utf8,        "\x80"},
  };
  for (const auto& row : undecodable) {
    SCOPED_TRACE(row.name);
    std::u16string text = u"kept";
    EXPECT_FALSE(Decode(row.bytes, row.encoding, text)) << ::testing::PrintToString(row.bytes);
    EXPECT_EQ(text, u"kept");
  }
  for (std::u16string_view text : {u"\xD83D", u"a\xDC00\xD800"}) {
    std::string bytes = "kept";
    EXPECT_FALSE(Encode(text, Utf8, bytes));
    EXPECT_EQ(bytes, "kept");
  }
  EXPECT_EQ(Utf16ToUtf8(u"a\xD800" u"b\xDC00\U0001F600\xD83D"),
            "a\xEF\xBF\xBD" "b\xEF\xBF\xBD\xF0\x9F\x98\x80\xEF\xBF\xBD");
}

TEST(CaseFold, HeadAndTailTestsIgnoreCaseOnly) {
  EXPECT_FALSE(StartsWithIgnoringCase(u"ab", u"abc"));
  EXPECT_TRUE(StartsWithIgnoringCase(u"\U00010400x", u"\U00010428"));
  EXPECT_TRUE(StartsWithIgnoringCase(u"\u212Aelvin", u"kel"));
  EXPECT_TRUE(EndsWithIgnoringCase(u"Mitte\u017F", u"S"));
  // The generated table (simple folding: ß stays ß; no width folding) and the shortcut for ASCII, against ICU.
  for (UChar32 c = 0; c < 0x110000; ++c) {
    const UChar32 folded = u_foldCase(c, U_FOLD_CASE_DEFAULT);
    ASSERT_EQ(FoldCase(static_cast<char32_t>(c)), static_cast<char32_t>(folded)) << c;
    EXPECT_TRUE(c < 0x80 || folded >= 0x80 || MayFoldToAscii(c)) << c;
  }
}

// Both ways of finding a code unit (eight at a time with SSE2, four in a word without) against a plain search.
TEST(TextSearch, FindsTheSameLeftmostMatchesAsAPlainSearch) {
  using Find = size_t (*)(std::u16string_view, char16_t, size_t);
  const std::pair<const char*, Find> ways[] = {
      {"as built", FindCodeUnit},
      {"by words", FindCodeUnitByWords},
  };
  for (const auto& [way, find] : ways) {
    SCOPED_TRACE(way);
    for (size_t length = 0; length < 20; ++length) {
      for (size_t at = 0; at < length; ++at) {
        std::u16string text(length, u'甲');
        text[at] = u'\x8000';  // a unit with its high bit set, next to others that share bytes
        for (size_t from = 0; from <= length; ++from)
          ASSERT_EQ(find(text, u'\x8000', from), from <= at ? at : std::u16string_view::npos) << at << " from " << from;
      }
      // Units that differ from the one sought in one byte, or in the lane next to it.
      for (const char16_t other : {u'\x0080', u'\x8001', u'\x7FFF', u'\x0000'})
        EXPECT_EQ(find(std::u16string(length, other), u'\x8000', 0), std::u16string_view::npos);
    }
  }
  EXPECT_EQ(TextSearch(u"\xD840\xDC00").Find(u"\xD840\U00020000"), 1u);
  std::mt19937 random(13);
  for (int round = 0; round < 4000; ++round) {
    const char16_t alphabet = static_cast<char16_t>(2 + round % 3);
    std::u16string text(random() % 300, u'a'), pattern(1 + random() % 12, u'a');
    for (char16_t& c : text) c = static_cast<char16_t>(u'a' + random() % alphabet);
    for (char16_t& c : pattern) c = static_cast<char16_t>(u'a' + random() % alphabet);
    TextSearch search(pattern);
    for (size_t from = 0, at;; from = at + pattern.size()) {
      at = text.find(pattern, from);
      ASSERT_EQ(search.Find(text, from), at) << round;
      ASSERT_EQ(FindText(text, pattern, from), at) << round;
      ASSERT_EQ(FindCodeUnitByWords(text, pattern[0], from), text.find(pattern[0], from)) << round;
      if (at == std::u16string::npos) break;
    }
  }
}

// A name's bytes as people see them: decoded where they are characters, and escaped where they are none, where
// no font draws them (code page 936's user-defined areas) or where they would act on the text around them.
TEST(DisplayName, ShowsEveryByteAndHidesNoneBehindAControl) {
  const struct { const char* name; std::string_view bytes; std::u16string_view shown; } rows[] = {
      {"gbk",                         "\xB5\xDA\xD2\xBB.txt",         u"第一.txt"},
      {"gbk with the euro sign byte", "\x80\xB5\xDA.txt",             u"€第.txt"},
      {"no character at all",         "\xFF\xFE\x80" "abc.txt",       u"\\xff\\xfe\\x80abc.txt"},
      {"gbk user-defined pair",       "\xAA\xA1\xB5\xDA.txt",         u"\\xaa\\xa1第.txt"},
      {"gbk lead byte before a dot",  "\xB5.txt",                     u"\\xb5.txt"},
      {"escape and bell in utf-8",    "a\x1B[31m\x07.txt",            u"a\\x1b[31m\\x07.txt"},
      {"delete and C1 in utf-8",      "a\x7F\xC2\x85.txt",            u"a\\x7f\\x85.txt"},
      {"control in a gbk name",       "\xB5\xDA\x1B.txt",             u"第\\x1b.txt"},
      {"right-to-left override",      "a\xE2\x80\xAEtxt.exe",         u"a\\u{202e}txt.exe"},
      {"isolates and marks",          "\xE2\x81\xA6\xE2\x80\x8F.txt", u"\\u{2066}\\u{200f}.txt"},
      {"beyond the BMP",              "\xF0\xA0\x80\x80.txt",         u"\U00020000.txt"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Utf16ToUtf8(DisplayName(row.bytes)), Utf16ToUtf8(row.shown));
  }
  EXPECT_EQ(Utf16ToUtf8(DisplayPath("/home/\xD3\xC3\xBB\xA7/小说")), "/home/用户/小说");
}

// exFAT and NTFS refuse a name with a character cut in half, and FAT, exFAT
// and NTFS one over 255 bytes or UTF-16 units: the file would not be tidied.
TEST(TemporaryName, FitsEveryFileSystemAndStaysHidden) {
  std::string han, astral;
  for (int k = 0; k < 83; ++k) han += "长";
  for (int k = 0; k < 61; ++k) astral += "\xF0\xA0\x80\x80";  // 𠀀
  const std::string names[] = {"a.txt", han + "ab.txt", "ab" + astral + ".txt", "x" + han + ".txt",
                               std::string(300, '\xB5')};  // GBK bytes need only fit
  for (const std::string& name : names) {
    SCOPED_TRACE(name.size());
    const std::string temporary = TemporaryNameFor(name);
    EXPECT_LE(temporary.size(), 255u);
    EXPECT_FALSE(temporary.ends_with(".txt"));
    EXPECT_TRUE(!IsValidUtf8(name) || IsValidUtf8(temporary));
    EXPECT_TRUE(temporary.starts_with("." + std::string(KeptPartOfName(name))));
  }
}

}  // namespace
}  // namespace quelvane
