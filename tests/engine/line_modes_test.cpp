// Whole-line rules and the three paragraph modes, on lines already decoded.

#include <gtest/gtest.h>

#include <vector>

#include "line_division.h"
#include "line_joining.h"
#include "tidy_plan.h"
#include "whole_line_rules.h"

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"  // designated initializers leave the rest empty

namespace quelvane {
namespace {

using Entries = std::vector<std::u16string>;

TidyPlan PlanOf(const TidySettings& settings) { return std::get<TidyPlan>(CheckSettings(settings, 1)); }
WholeLineRules MakeWholeLineRules(const TidySettings& settings) { return PlanOf(settings).wholeLineRules; }
WholeParagraphRules MakeWholeParagraphRules(TidySettings settings) {
  settings.paragraphMode = ParagraphMode::Link;
  return PlanOf(settings).wholeParagraph;
}

Entries EntriesOf(const LineList& lines) {
  Entries entries;
  for (size_t i = 0; i < lines.count(); ++i) entries.emplace_back(lines[i]);
  return entries;
}

TEST(LineJoining, JoinsTrimsAndKeepsBlankLinesBetweenParagraphs) {
  const TidySettings chapters{.txtLink = {u"第???回"}};
  struct Row { const char* name; Entries input, expected; TidySettings settings = {}; } const rows[] = {
      {"joined without separator", {u"今天的天气", u"很好。"}, {u"今天的天气很好。"}},
      {"indent of first line only", {u"  First part", u"  second part."}, {u"  First partsecond part."}},
      {"trailing spaces go", {u"结束。   "}, {u"结束。"}}, {"last line closes", {u"甲", u"乙"}, {u"甲乙"}},
      {"ideographic space is no end", {u"甲。\u3000", u"乙。"}, {u"甲。\u3000乙。"}},
      {"blank inside paragraph", {u"甲", u"", u"乙。"}, {u"甲乙。"}}, {"empty file", {}, {}},
      {"blank between paragraphs", {u"甲。", u"   ", u"乙。"}, {u"甲。", u"", u"乙。"}},
      {"blank last line while collecting", {u"甲", u""}, {u"甲"}},
      {"blank last line while idle", {u"甲。", u"  "}, {u"甲。", u""}},
      {"ends the paragraph before it", {u"前文", u"第一二零回", u"后文"}, {u"前文", u"第一二零回", u"后文"}, chapters},
      {"whole line after an end keeps its indent", {u"甲。", u"  第一二零回"}, {u"甲。", u"  第一二零回"}, chapters},
      {"whole line inside a paragraph loses it", {u"甲", u"  第一二零回"}, {u"甲", u"第一二零回"}, chapters},
      {"a blank line can be whole", {u"甲", u"", u"乙"}, {u"甲", u"", u"乙"}, {.txtLink = {u"?"}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WholeParagraphRules rules = MakeWholeParagraphRules(row.settings);
    LineJoiner joiner(rules);
    LineList lines;
    for (size_t i = 0; i < row.input.size(); ++i) joiner.LinkLine(row.input[i], i + 1 == row.input.size(), lines);
    EXPECT_EQ(EntriesOf(lines), row.expected);
  }
}

TEST(LineJoining, ClosingMarksAndOrdinalsAreExactlyTheirLists) {
  const WholeParagraphRules ordinal = MakeWholeParagraphRules({.chkOrdinal = true});
  for (char16_t c : std::u16string_view(u".;:!?)]>}\"』。；：！？）》”"))
    EXPECT_TRUE(EndsParagraph(std::u16string(u"甲") + c + u"  ")) << static_cast<int>(c);
  for (char16_t c : std::u16string_view(u"1234567890一二三四五六七八九十零"))
    EXPECT_TRUE(IsWholeParagraph(std::u16string(u"  ") + c + u"甲", ordinal)) << static_cast<int>(c);
  for (char16_t c : std::u16string_view(u",，、…」’］｝＞」『“("))
    EXPECT_FALSE(EndsParagraph(std::u16string(u"甲") + c)) << static_cast<int>(c);
  for (std::u16string_view line : {u"１号", u"〇", u"\u3000一", u"甲1"}) EXPECT_FALSE(IsWholeParagraph(line, ordinal));
  EXPECT_FALSE(EndsParagraph(u"   "));
}

TEST(LineJoining, WholeParagraphByMarkerOrOrdinal) {
  struct Row { const char* name; TidySettings settings; std::u16string line; bool whole; } const rows[] = {
      {"three wildcards", {.txtLink = {u"第???回"}}, u"第一二零回 结局。", true},
      {"two between", {.txtLink = {u"第???回"}}, u"第十二回", false}, {"ordinal off", {}, u"1. 开始", false},
      {"too short", {.txtLink = {u"第???回"}}, u"第一回", false},
      {"wildcards past the end", {.txtLink = {u"第??"}}, u"第", true},
      {"anchored after spaces", {.txtLink = {u"第?章"}}, u"   第3章", true},
      {"full-width question mark is literal", {.txtLink = {u"第？章"}}, u"第3章", false},
      {"case-sensitive", {.txtLink = {u"Chapter"}}, u"CHAPTER 1", false},
      {"marker spaces trimmed", {.txtLink = {u"  卷 "}}, u"卷一", true},
      {"only wildcards", {.txtLink = {u"??"}}, u"", true},
      {"box of spaces is skipped", {.txtLink = {u"   "}}, u"任何一行", false},
      {"later box", {.txtLink = {u"", u"", u"", u"", u"序"}}, u"序言", true},
  };
  for (const Row& row : rows)
    EXPECT_EQ(IsWholeParagraph(row.line, MakeWholeParagraphRules(row.settings)), row.whole) << row.name;
}

TEST(WholeLineRules, CompareTrimmedExactlyAndReplaceWholeLine) {
  // table: 0 equal, 1 starts-with, 2 ends-with.
  struct Row { const char* name; int table; std::u16string match, replacement, line, expected; } const rows[] = {
      {"equal with spaces around", 0, u" 完 ", u"END", u"   完  ", u"END"},
      {"equal is not contains", 0, u"完", u"END", u"完了", u"完了"},
      {"tab is not trimmed", 0, u"完", u"END", u"完\t", u"完\t"},
      {"case-sensitive", 0, u"abc", u"X", u"ABC", u"ABC"}, {"empty line never matches", 1, u"a", u"X", u"", u""},
      {"switched off by spaces", 0, u"   ", u"X", u"   ", u"   "}, {"ends with", 2, u"完。", u"", u"全书完。  ", u""},
      {"starts after indent", 1, u"第", u"  替换", u"   第一章", u"  替换"},
      {"match longer than line", 1, u"第一章", u"X", u"第一", u"第一"},
      {"ends with longer", 2, u"全书完。", u"X", u"完。", u"完。"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TidySettings s;
    auto& matches = row.table == 0 ? s.txtAllS : row.table == 1 ? s.txtLeftS : s.txtRightS;
    auto& replacements = row.table == 0 ? s.txtAllT : row.table == 1 ? s.txtLeftT : s.txtRightT;
    matches[1] = row.match;
    replacements[1] = row.replacement;
    EXPECT_EQ(ApplyWholeLineRules(row.line, MakeWholeLineRules(s)), row.expected);
  }
  // One rule's result is the next one's line: in pair order, then across tables.
  EXPECT_EQ(ApplyWholeLineRules(u"A", MakeWholeLineRules({.txtAllS = {u"A", u"B"}, .txtAllT = {u"B", u"C"}})), u"C");
  EXPECT_EQ(ApplyWholeLineRules(u"A", MakeWholeLineRules({.txtAllS = {u"B", u"A"}, .txtAllT = {u"C", u"B"}})), u"B");
  const TidySettings across{.txtAllS = {u"广告"}, .txtAllT = {u"本书首发"}, .txtLeftS = {u"", u"", u"", u"本书"},
                            .txtLeftT = {u"", u"", u"", u"  开头"}, .txtRightS = {u"", u"头"}};
  EXPECT_EQ(ApplyWholeLineRules(u" 广告 ", MakeWholeLineRules(across)), u"");
}

TEST(Division, CutsIntoPiecesOfNCodeUnitsUpTo32767) {
  struct Row { const char* name; size_t n; std::u16string line; Entries expected; } const rows[] = {
      {"twelve by five", 5, u"abcdefghijkl", {u"abcde", u"fghij", u"kl"}}, {"shorter than n", 10, u" ab ", {u" ab "}},
      {"spaces are characters", 2, u"一  ", {u"一 ", u" "}}, {"empty line", 3, u"", {u""}},
      {"pair kept whole", 2, u"a\U0001F600b", {u"a\U0001F600", u"b"}},
      {"the longest line", 32767, std::u16string(32767, u'字'), {std::u16string(32767, u'字')}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    LineList lines;
    ASSERT_TRUE(DivideLine(row.line, row.n, lines));
    EXPECT_EQ(EntriesOf(lines), row.expected);
  }
  LineList none;
  EXPECT_FALSE(DivideLine(std::u16string(32768, u'字'), 1, none));
  EXPECT_EQ(none.count(), 0u);
}

TEST(LineList, EntriesPastTheNarrowEndLimitStayExact) {
  LineList lines(5);
  for (std::u16string_view entry : {u"abc", u"de", u"fgh", u""}) lines.Append(entry);
  lines.Extend(u"ij");
  EXPECT_EQ(EntriesOf(lines), (Entries{u"abc", u"de", u"fgh", u""}));
  EXPECT_EQ(lines.OpenEntry(), u"ij");
  lines.DiscardOpenEntry();
  lines.Append(u"k");
  EXPECT_EQ(EntriesOf(lines), (Entries{u"abc", u"de", u"fgh", u"", u"k"}));
}

}  // namespace
}  // namespace quelvane
