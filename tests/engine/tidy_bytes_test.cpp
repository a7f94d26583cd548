// One file's bytes, old to new: reading rules, output pass and written form, byte for byte.

#include <gtest/gtest.h>

#include <algorithm>

#include "file_content.h"
#include "printers.h"
#include "temp_folder.h"
#include "tidy_bytes.h"

namespace quelvane {
namespace {

using testing::Gbk;

struct Row { const char* name; TidySettings settings; std::string_view in, out;
             std::optional<LeftAloneReason> leftAlone = {}; };

TidyPlan PlanOf(const TidySettings& settings) { return std::get<TidyPlan>(CheckSettings(settings, 1)); }

// Tidies each row's bytes; the output must be the row's, or empty with the reason the file is left alone.
void ExpectTidied(const std::vector<Row>& rows) {
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::string out = "left from before";
    EXPECT_EQ(TidyBytes(row.in, PlanOf(row.settings), out), row.leftAlone);
    if (row.out.size() <= 1024) {
      EXPECT_EQ(out, row.out);
      continue;
    }
    // Rather than megabytes: the sizes, and the bytes from where the two part.
    const size_t at = static_cast<size_t>(std::ranges::mismatch(out, row.out).in1 - out.begin());
    EXPECT_EQ(out.size(), row.out.size());
    EXPECT_EQ(out.substr(at, 16), row.out.substr(at, 16)) << "from byte " << at;
  }
}

constexpr BlankLineMode kDelete = BlankLineMode::Delete, kOneBetween = BlankLineMode::OneBetween;

// Line terminators as read, and the output pass on every line.
TEST(TidyBytes, ReadsLinesAndEditsEachOne) {
  const TidySettings keep, deleteBlank{.blankLineMode = kDelete}, oneBetween{.blankLineMode = kOneBetween};
  const TidySettings removeAbc{.txtBegin = {u"", u"abc"}};
  const TidySettings removeAbcBlank{.txtBegin = {u"", u"abc"}, .blankLineMode = kDelete};
  ExpectTidied({
      {"empty file stays empty",         keep,                                        "",              ""},
      {"no final break gains one",       keep,                                        "a",             "a\r\n"},
      {"final break starts no line",     keep,                                        "a\r\n",         "a\r\n"},
      {"lone CR ends a line",            keep,                                        "a\rb",          "a\r\nb\r\n"},
      {"CR CR LF is two lines",          keep,                                        "a\r\r\n",       "a\r\n\r\n"},
      {"lone LF is a character",         keep,                                        "a\nb\n",        "a\nb\n\r\n"},
      {"spaces kept in keep mode",       keep,                                        "  a  \r\n\r\n", "  a  \r\n\r\n"},
      {"replace without overlap",        {.txtReplaceS = u"aa", .txtReplaceT = u"b"}, "aaaa\r\naaa",   "bb\r\nba\r\n"},
      {"replacement not searched again", {.txtReplaceS = u"a", .txtReplaceT = u"aa"}, "aa",            "aaaa\r\n"},
      {"empty find does nothing",        {.txtReplaceT = u"x"},                       "abc",           "abc\r\n"},
      {"removals act on replaced line",  {.txtReplaceS = u"x", .txtReplaceT = u"ab", .txtBegin = {u"", u"ab"},
                                          .txtEnd = {u"", u"AB"}},                    "xcx",           "c\r\n"},
      {"replaced into a blank line",     {.txtReplaceS = u"x", .txtReplaceT = u" ", .blankLineMode = kDelete},
                                                                                      "x x\r\nb",      "b\r\n"},
      {"head removal ignores case",      removeAbc,                                   "ABCdef",        "def\r\n"},
      {"head removal once",              removeAbc,                                   "abcabcX",       "abcX\r\n"},
      {"tail removal at the end only",   {.txtEnd = {u"", u"ab"}},                    "ab-AB",         "ab-\r\n"},
      {"tail longer than line",          {.txtEnd = {u"", u"abc"}},                   "bc",            "bc\r\n"},
      {"removal before addition",        {.txtBegin = {u"abc ", u"abc "}},            "abc east",      "abc east\r\n"},
      {"blank line gets head text",      {.txtBegin = {u"X"}, .blankLineMode = kDelete},  "\r\n",      "X\r\n"},
      {"spaces added stay blank",        {.txtBegin = {u"  "}, .blankLineMode = kDelete}, "\r\nb",     "  b\r\n"},
      {"line emptied by removal is blank", removeAbcBlank,                            "ABC\r\nd",      "d\r\n"},
      {"delete keeps ideographic space", deleteBlank,                                 "A\r\n  \r\n\r\n\xA1\xA1\r\nB",
                                                                                      "A\r\n\xA1\xA1\r\nB\r\n"},
      {"one between",                    oneBetween,                                  "A\r\nB\r\n\r\n\r\nC\r\n\r\n",
                                                                                      "A\r\n\r\nB\r\n\r\nC\r\n\r\n"},
      {"one between at start",           oneBetween,                                  "\r\n\r\nA",     "\r\nA\r\n"},
      {"one between keeps first blank",  oneBetween,                                  "A\r\n   \r\nB",
                                                                                      "A\r\n   \r\nB\r\n"},
  });
}

// One or more rows per rule of the decision, in the order they apply, and what each encoding cannot hold. An added 。
// shows the encoding written: A1 A3 in code page 936 and GB18030, A1 43 in Big5, E3 80 82 in UTF-8, 30 02 in UTF-16.
TEST(TidyBytes, DecidesEachFilesEncodingAndKeepsIt) {
  using namespace std::string_literals;
  using namespace std::string_view_literals;
  using enum LeftAloneReason;
  std::string everyUnitLe = "\xFF\xFE", everyUnitBe = "\xFE\xFF";  // but NUL and CR: lone surrogates, pairs, LF...
  for (unsigned c = 1; c < 0x10000; ++c) {
    if (c == '\r') continue;
    everyUnitLe += {char(c), char(c >> 8)};
    everyUnitBe += {char(c >> 8), char(c)};
  }
  const std::string everyUnitLeOut = everyUnitLe + "\r\0\n\0"s, everyUnitBeOut = everyUnitBe + "\0\r\0\n"s;
  // A view that ends before its buffer does: the byte after it must not be read.
  static constexpr std::string_view kCutShort = "\xD2\xBB\xD2\xBB";
  const TidySettings keep, fullStop{.txtEnd = {u"。"}}, link{.paragraphMode = ParagraphMode::Link},
      ordinals{.paragraphMode = ParagraphMode::Link, .chkOrdinal = true},
      novelLine{.txtAllS = {u"小说"}, .txtAllT = {u"完"}},
      indent{.txtBegin = {u"\u3000\u3000"}}, simplified{.txtBegin = {u"说"}}, emoji{.txtBegin = {u"\U0001F600"}},
      extensionB{.txtBegin = {u"\U00020000"}};
  // 3 MB of lines of 100 characters, chunks and output blocks of them: the encoding tried first is written before a
  // later line, or the decision's next question, proves it wrong, and the file is written again in the right one.
  const auto chunksOf = [](std::string_view character, std::string_view lineEnd) {
    std::string lines;
    for (size_t i = 0; i < (3u << 20) / 200; ++i) {
      for (int j = 0; j < 100; ++j) lines += character;
      lines += lineEnd;
    }
    return lines;
  };
  ExpectTidied({
      // 1. The UTF-8 mark.
      {"utf-8 mark",                     fullStop, "\xEF\xBB\xBF" "a",       "\xEF\xBB\xBF" "a\xE3\x80\x82\r\n"},
      {"utf-8 mark alone",               fullStop, "\xEF\xBB\xBF",           "\xEF\xBB\xBF"},
      {"gbk after the utf-8 mark",       fullStop, "\xEF\xBB\xBF\xB5\xDA",   "", NotText},
      // 2. UTF-32 marks (little endian: the driver's hostile-input rows).
      {"utf-32 big endian",              fullStop, "\0\0\xFE\xFF\0\0\0a"sv,  "", NotText},
      // 3. UTF-16 marks: code units as they stand, CR LF as code units.
      {"utf-16 le",                      fullStop, "\xFF\xFE" "a\0\r\0\n\0b\0\r\0"sv,
                                                   "\xFF\xFE" "a\0\x02\x30\r\0\n\0b\0\x02\x30\r\0\n\0"sv},
      {"utf-16 be",                      fullStop, "\xFE\xFF\0a\0\r\0\r"sv,
                                                   "\xFE\xFF\0a\x30\x02\0\r\0\n\x30\x02\0\r\0\n"sv},
      {"every code unit as it stands, le", keep,   everyUnitLe,              everyUnitLeOut},
      {"every code unit as it stands, be", keep,   everyUnitBe,              everyUnitBeOut},
      {"line end right after the mark",  keep,     "\xFE\xFF\0\r\0\n"sv,     "\xFE\xFF\0\r\0\n"sv},
      {"CR and LF bytes inside units",   keep,     "\xFF\xFE" "a\r\n\0"sv,   "\xFF\xFE" "a\r\n\0\r\0\n\0"sv},
      {"LF unit without CR",             keep,     "\xFF\xFE\n\0"sv,         "\xFF\xFE\n\0\r\0\n\0"sv},
      {"unpaired surrogates kept",       fullStop, "\xFF\xFE\x00\xD8" "a\0\x00\xDC"sv,
                                                   "\xFF\xFE\x00\xD8" "a\0\x00\xDC\x02\x30\r\0\n\0"sv},
      // 4. A NUL byte (and an odd UTF-16 length): the driver's hostile-input rows.
      // 5. UTF-8, unless it is GB2312 text that only looks like UTF-8.
      {"utf-8 chinese",                  fullStop, "\xE7\xAC\xAC",           "\xE7\xAC\xAC\xE3\x80\x82\r\n"},
      {"utf-8 russian",                  fullStop, "\xD0\xBF\xD1\x80",       "\xD0\xBF\xD1\x80\xE3\x80\x82\r\n"},
      {"utf-8 U+FFFF, the last unit",    fullStop, "\xEF\xBF\xBF",           "\xEF\xBF\xBF\xE3\x80\x82\r\n"},
      {"gbk 一 and 十 are lines of their own", ordinals, "\xD2\xBB\r\n\xCA\xAE\r\n", "\xD2\xBB\r\n\xCA\xAE\r\n"},
      {"gbk 小说 matches its rule",      novelLine, "\xD0\xA1\xCB\xB5",      "\xCD\xEA\r\n"},
      // 6. Big5, where its code page 936 reading holds a Private Use character (。 A1 43 does).
      {"big5 with punctuation",          fullStop, "\xA5\xD2\xA1\x43",       "\xA5\xD2\xA1\x43\xA1\x43\r\n"},
      {"big5 lines end at its full stop", link,    "\xA5\xD2\xA1\x43\r\n\xA4\x41\xA1\x43\r\n",
                                                   "\xA5\xD2\xA1\x43\r\n\xA4\x41\xA1\x43\r\n"},
      {"big5 ideographic indent",        indent,   "\xA5\xD2\xA1\x43",       "\xA1\x40\xA1\x40\xA5\xD2\xA1\x43\r\n"},
      {"big5 cannot hold a simplified 说", simplified, "\xA5\xD2\xA1\x43",   "", Unencodable},
      // 7. Code page 936, for Big5 text too where nothing tells it apart.
      {"short big5 without punctuation", fullStop, "\xA4\xA4\xA4\xE5",       "\xA4\xA4\xA4\xE5\xA1\xA3\r\n"},
      {"gbk with a private use character", fullStop, "\xC8\xCB\xAA\xA1",     "\xC8\xCB\xAA\xA1\xA1\xA3\r\n"},
      {"gbk that is also big5",          fullStop, "\xB5\xDA\xD2\xBB",       "\xB5\xDA\xD2\xBB\xA1\xA3\r\n"},
      {"big5 without punctuation, chunks long", fullStop, chunksOf("\xA4\xA4", "\r\n"),
                                                   chunksOf("\xA4\xA4", "\xA1\xA3\r\n")},
      {"big5 with A2 CC, which comes back otherwise", fullStop, "\xA5\xD2\xA1\x43\xA2\xCC",
                                                   "\xA5\xD2\xA1\x43\xA2\xCC\xA1\xA3\r\n"},
      {"ascii",                          fullStop, "a",                      "a\xA1\xA3\r\n"},
      {"euro sign byte",                 fullStop, "\x80",                   "\x80\xA1\xA3\r\n"},
      // 8. GB18030: four-byte codes in the BMP and beyond.
      {"gb18030 after a gbk line",       fullStop, "\xB5\xDA\r\n\x81\x39\xEE\x39\r\n\x95\x32\x82\x36",
                                                   "\xB5\xDA\xA1\xA3\r\n"
                                                   "\x81\x39\xEE\x39\xA1\xA3\r\n"
                                                   "\x95\x32\x82\x36\xA1\xA3\r\n"},
      {"gb18030 after chunks of gbk",    fullStop, chunksOf("\xB5\xDA", "\r\n") + "\x81\x39\xEE\x39",
                                                   chunksOf("\xB5\xDA", "\xA1\xA3\r\n") +
                                                   "\x81\x39\xEE\x39\xA1\xA3\r\n"},
      // 9. Anything else.
      {"a lead byte alone",              fullStop, "\xB5\xDA\xA1",           "", NotText},
      {"a lead byte where a view ends",  fullStop, kCutShort.substr(0, 3),   "", NotText},
      {"beyond U+10FFFF",                fullStop, "\xE4\x30\x81\x30",       "", NotText},
      // What the encoding cannot hold leaves the file alone; UTF-8, GB18030 and UTF-16 hold it all.
      {"emoji in gbk",                   emoji,      "\xD6\xD0",             "", Unencodable},
      {"emoji in utf-8",                 emoji,      "\xE4\xB8\xAD",         "\xF0\x9F\x98\x80\xE4\xB8\xAD\r\n"},
      {"extension b in gb18030",         extensionB, "\x81\x39\xEE\x39",     "\x95\x32\x82\x36\x81\x39\xEE\x39\r\n"},
      {"extension b in utf-16",          extensionB, "\xFE\xFF\x4E\x2D"sv,
                                                     "\xFE\xFF\xD8\x40\xDC\x00\x4E\x2D\x00\r\x00\n"sv},
  });
}

TEST(TidyBytes, RulesThenLinkThenOutputPass) {
  const TidySettings s{.txtAllS = {u"本章完"}, .txtRightS = {u"请收藏本站"}, .txtReplaceS = u"!", .txtReplaceT = u"！",
                       .txtBegin = {u"\u3000\u3000", u"  "}, .paragraphMode = ParagraphMode::Link,
                       .txtLink = {u"第?章"}, .chkOrdinal = true, .blankLineMode = BlankLineMode::OneBetween};
  const std::u16string in =
      u"第1章 风起\r\n  他走进门来，\r\n看见了她!\r\n  本章完  \r\n好书尽在，请收藏本站\r\n第2章 云涌\r\n十年之后";
  // The two lines the rules empty get the ideographic indent too, making them lines of their own.
  const std::u16string out =
      u"\u3000\u3000第1章 风起\r\n\r\n\u3000\u3000他走进门来，看见了她！\r\n\r\n\u3000\u3000\r\n\r\n"
      u"\u3000\u3000\r\n\r\n\u3000\u3000第2章 云涌\r\n\r\n\u3000\u3000十年之后\r\n";
  // The pending paragraph is held whole, however many chunks it spans.
  const TidySettings link{.paragraphMode = ParagraphMode::Link};
  const std::u16string thirty(30, u'字');
  std::u16string broken, joined;
  while (joined.size() <= kChunkUnits) broken += thirty + u"\r\n", joined += thirty;
  ExpectTidied({
      {"a chapter of a novel",          s,    Gbk(in),                          Gbk(out)},
      {"paragraph longer than a chunk", link, Gbk(u"甲。\r\n" + broken + u"乙。"),
                                              Gbk(u"甲。\r\n" + joined + u"乙。\r\n")},
      {"last paragraph unfinished",     link, Gbk(u"甲。\r\n乙\r\n丙"),           Gbk(u"甲。\r\n乙丙\r\n")},
  });
}

TEST(TidyBytes, LinesLongerThanAnOutputBlockComeOutWhole) {
  const TidySettings s{.txtBegin = {u"<"}, .txtEnd = {u">"}};
  std::string pairs;
  for (int i = 0; i < 500000; ++i) pairs += "\xF0\xA0\x80\x80";  // U+20000, two code units
  // Pieces of a fixed length end inside a surrogate pair in one of the two.
  for (const std::string& line : {std::string(3000000, 'a'), pairs, "a" + pairs}) {
    SCOPED_TRACE(line.size());
    std::string out;
    EXPECT_EQ(TidyBytes(line + "\rb", PlanOf(s), out), std::nullopt);
    EXPECT_TRUE(out == "<" + line + ">\r\n<b>\r\n") << "too long to print";
  }
  // After short lines, a long one starts where the room left ends at either
  // byte of a UTF-16 unit.
  using namespace std::literals;
  for (const int shortLines : {100000, 100001}) {
    SCOPED_TRACE(shortLines);
    std::string in = "\xFF\xFE", expected = "\xFF\xFE";
    for (int i = 0; i < shortLines; ++i) in += "a\0\r\0\n\0"sv, expected += "<\0a\0>\0\r\0\n\0"sv;
    const std::string longLine(800000, 'b');
    in += longLine;
    expected += "<\0"s + longLine + ">\0\r\0\n\0"s;
    std::string out;
    EXPECT_EQ(TidyBytes(in, PlanOf(s), out), std::nullopt);
    EXPECT_TRUE(out == expected) << "too long to print";
  }
}

}  // namespace
}  // namespace quelvane
