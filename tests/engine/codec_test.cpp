// The character level: encodings, lossless decoding, case-insensitive
// tests and text search.

#include <gtest/gtest.h>
#include <unicode/uchar.h>
#include <unicode/ucnv.h>

#include <memory>
#include <random>

#include "platform/case_fold.h"
#include "platform/code_page_936.h"
#include "platform/text_encoding.h"
#include "platform/utf8.h"
#include "text.h"
#include "text_search.h"

namespace quelvane {
namespace {

TEST(CodePage936, RefusesBytesWithoutALosslessMeaning) {
  for (std::string_view bytes : {"\xB5", "a\xB5", "\xB5\x7F", "\x81\x30", "\xB5\xDA\xA1"}) {
    std::u16string text = u"kept";
    EXPECT_FALSE(DecodeCodePage936(bytes, text)) << bytes;
    EXPECT_EQ(text, u"kept");
  }
  std::string bytes = "kept";
  EXPECT_FALSE(EncodeCodePage936(u"表情\U0001F600", bytes));
  EXPECT_FALSE(EncodeCodePage936(u"한국어", bytes));
  EXPECT_EQ(bytes, "kept");
}

// The compiled tables against ICU's converter itself, every byte sequence.
TEST(CodePage936, AgreesWithIcuOnEveryByteSequence) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<UConverter, decltype(&ucnv_close)> icu(ucnv_open("windows-936", &status), ucnv_close);
  ASSERT_TRUE(U_SUCCESS(status));
  ucnv_setToUCallBack(icu.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  ucnv_setFromUCallBack(icu.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  size_t decoded = 0;
  for (unsigned lead = 0x80; lead <= 0xFF; ++lead) {
    for (unsigned trail = 0; trail <= 0x100; ++trail) {  // 0x100: the lead byte alone
      std::string bytes(1, static_cast<char>(lead));
      if (trail < 0x100) bytes += static_cast<char>(trail);
      UChar units[4];
      UErrorCode error = U_ZERO_ERROR;
      int32_t count = ucnv_toUChars(icu.get(), units, 4, bytes.data(), static_cast<int32_t>(bytes.size()), &error);
      std::string back(8, '\0');
      UErrorCode backError = U_ZERO_ERROR;
      int32_t backLength = U_SUCCESS(error) ? ucnv_fromUChars(icu.get(), back.data(), 8, units, count, &backError) : 0;
      back.resize(std::max(backLength, 0));
      const bool lossless = U_SUCCESS(error) && U_SUCCESS(backError) && back == bytes;

      std::u16string text;
      ASSERT_EQ(DecodeCodePage936(bytes, text), lossless) << std::hex << lead << " " << trail;
      if (lossless) {
        ASSERT_EQ(text, std::u16string(units, units + count));
        std::string encoded;
        ASSERT_TRUE(EncodeCodePage936(text, encoded));
        ASSERT_EQ(encoded, bytes);
        ++decoded;
      }
    }
  }
  EXPECT_GT(decoded, 21000u);
}

TEST(TextEncoding, DetectsUtf8AndRefusesWhatIsNotText) {
  struct Row {
    const char* name;
    std::string_view bytes;
    std::optional<TextEncoding> encoding;
  } const rows[] = {
      {"empty", "", TextEncoding::CodePage936},
      {"ascii only", "plain\r\n", TextEncoding::CodePage936},
      {"gbk", "\xB5\xDA\xD2\xBB", TextEncoding::CodePage936},
      {"utf-8", "\xE7\xAC\xAC\xE4\xB8\x80", TextEncoding::Utf8},
      {"utf-8 with mark", "\xEF\xBB\xBF" "abc", TextEncoding::Utf8WithBom},
      {"mark alone", "\xEF\xBB\xBF", TextEncoding::Utf8WithBom},
      {"utf-16 little endian", "\xFF\xFE" "a\0", std::nullopt},
      {"utf-16 big endian", "\xFE\xFF\0a", std::nullopt},
      {"nul byte", std::string_view("ab\0cd", 5), std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(DetectEncoding(row.bytes), row.encoding);
  }
}

TEST(Utf8, StrictBothWays) {
  for (std::string_view bad : {"\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE7\xAC", "\x80"}) {
    std::u16string text;
    EXPECT_FALSE(DecodeUtf8(bad, text));
  }
  std::u16string text;
  ASSERT_TRUE(DecodeUtf8("\xF0\x9F\x98\x80", text));
  EXPECT_EQ(text, u"\U0001F600");
  std::string bytes;
  EXPECT_FALSE(EncodeUtf8(std::u16string(1, char16_t(0xD83D)), bytes));
  EXPECT_TRUE(EncodeUtf8(u"\U0001F600", bytes));
  EXPECT_EQ(bytes, "\xF0\x9F\x98\x80");
}

TEST(CaseFold, HeadAndTailTestsIgnoreCaseOnly) {
  EXPECT_TRUE(StartsWithIgnoringCase(u"ABCdef", u"abc"));
  EXPECT_TRUE(StartsWithIgnoringCase(u"ΣΊΣΥΦΟΣ", u"σίσ"));
  EXPECT_TRUE(EndsWithIgnoringCase(u"x Straße", u"STRASSE") == false);  // simple folding: ß stays ß
  EXPECT_TRUE(EndsWithIgnoringCase(u"ab-AB", u"ab"));
  EXPECT_FALSE(StartsWithIgnoringCase(u"Ａbc", u"abc"));  // no width folding
  EXPECT_FALSE(StartsWithIgnoringCase(u"ab", u"abc"));
  EXPECT_TRUE(StartsWithIgnoringCase(u"\U00010400x", u"\U00010428"));
  EXPECT_TRUE(StartsWithIgnoringCase(u"\u212Aelvin", u"kel"));
  EXPECT_TRUE(EndsWithIgnoringCase(u"Mitte\u017F", u"S"));
  // The generated table and the shortcut for ASCII, against ICU itself.
  for (UChar32 c = 0; c < 0x110000; ++c) {
    const UChar32 folded = u_foldCase(c, U_FOLD_CASE_DEFAULT);
    ASSERT_EQ(FoldCase(static_cast<char32_t>(c)), static_cast<char32_t>(folded)) << c;
    if (c >= 0x80 && folded < 0x80) {
      EXPECT_TRUE(MayFoldToAscii(c)) << c;
    }
  }
}

TEST(FindText, FindsEveryPositionWhateverTheAlignment) {
  for (size_t length = 0; length < 12; ++length) {
    for (size_t at = 0; at < length; ++at) {
      std::u16string text(length, u'甲');
      text[at] = u'\x8000';  // a unit with its high bit set, next to others that share bytes
      EXPECT_EQ(FindCodeUnit(text, u'\x8000'), at);
      EXPECT_EQ(FindCodeUnit(text, u'\x8000', at + 1), std::u16string_view::npos);
    }
    EXPECT_EQ(FindCodeUnit(std::u16string(length, u'\x0080'), u'\x8000'), std::u16string_view::npos);
  }
  EXPECT_EQ(FindText(u"abababc", u"abc"), 4u);
  EXPECT_EQ(FindText(u"ab", u"abc"), std::u16string_view::npos);
  EXPECT_EQ(FindText(u"xxxxxxxx第一", u"第一"), 8u);
}

TEST(TextSearch, FindsTheSameLeftmostMatchesAsAPlainSearch) {
  struct Case { std::u16string_view text, pattern; size_t from, at; };
  const Case cases[] = {
      {u"aaa", u"aa", 0, 0}, {u"aaa", u"aa", 2, std::u16string_view::npos}, {u"ababa", u"aba", 1, 2},
      {u"xyzab", u"ab", 0, 3}, {u"ab", u"abc", 0, std::u16string_view::npos},
      {u"x\U00020000y", u"\U00020000", 0, 1}, {u"\xD840\U00020000", u"\xD840\xDC00", 0, 1},
  };
  for (const Case& c : cases) EXPECT_EQ(TextSearch(c.pattern).Find(c.text, c.from), c.at) << c.from;
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
      if (at == std::u16string::npos) break;
    }
  }
}

}  // namespace
}  // namespace quelvane
