// Whole-line rules and the three paragraph modes, on lines already decoded.

#include <gtest/gtest.h>

#include <vector>

#include "line_division.h"
#include "line_joining.h"
#include "printers.h"
#include "tidy_plan.h"
#include "whole_line_rules.h"

namespace quelvane {
namespace {

using testing::AsText;
using testing::Text;
using Lines = std::vector<std::u16string>;

TidyPlan PlanOf(const TidySettings& settings) { return std::get<TidyPlan>(CheckSettings(settings, 1)); }
WholeParagraphRules MakeWholeParagraphRules(TidySettings settings) {
  settings.paragraphMode = ParagraphMode::Link;
  return PlanOf(settings).wholeParagraph;
}

std::vector<Text> EntriesOf(const LineList& lines) {
  std::vector<Text> entries;
  for (size_t i = 0; i < lines.count(); ++i) entries.push_back(AsText(lines[i]));
  return entries;
}
std::vector<Text> AsTexts(const Lines& lines) {
  std::vector<Text> texts;
  for (const std::u16string& line : lines) texts.push_back(AsText(line));
  return texts;
}

TEST(LineJoining, JoinsTrimsAndKeepsBlankLinesBetweenParagraphs) {
  const TidySettings chapters{.txtLink = {u"第?回"}};
  struct Row { const char* name; Lines input, expected; TidySettings settings = {}; };
  const Row rows[] = {
      {"indent of first line only",   {u"  First part", u"  second part."}, {u"  First partsecond part."}},
      {"trailing spaces go",          {u"结束。   "},                       {u"结束。"}},
      {"last line closes",            {u"甲", u"乙"},                       {u"甲乙"}},
      {"ideographic space is no end", {u"甲。\u3000", u"乙。"},             {u"甲。\u3000乙。"}},
      {"blank inside paragraph",      {u"甲", u"", u"乙。"},                {u"甲乙。"}},
      {"blank between paragraphs",    {u"甲。", u"   ", u"乙。"},           {u"甲。", u"", u"乙。"}},
      {"blank last line, collecting", {u"甲", u""},                         {u"甲"}},
      {"blank last line, idle",       {u"甲。", u"  "},                     {u"甲。", u""}},
      {"ends the one before",         {u"前文", u"第一回", u"后文"},        {u"前文", u"第一回", u"后文"}, chapters},
      {"after an end, indented",      {u"甲。", u"  第一回"},               {u"甲。", u"  第一回"},        chapters},
      {"inside one, unindented",      {u"甲", u"  第一回"},                 {u"甲", u"第一回"},            chapters},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const WholeParagraphRules rules = MakeWholeParagraphRules(row.settings);
    LineJoiner joiner(rules);
    LineList lines;
    for (size_t i = 0; i < row.input.size(); ++i) joiner.LinkLine(row.input[i], i + 1 == row.input.size(), lines);
    EXPECT_EQ(EntriesOf(lines), AsTexts(row.expected));
  }
}

// Each character of the list, and those next to them that are no members, at the end of a line.
TEST(LineJoining, ClosingMarksAreExactlyTheirList) {
  const struct { const char* name; std::u16string_view characters; bool member; } closing[] = {
      {"closing punctuation",         u".;:!?)]>}\"』。；：！？）》”", true},
      {"commas, brackets and quotes", u",，、…」’］｝＞『“(",          false},
  };
  for (const auto& row : closing) {
    SCOPED_TRACE(row.name);
    for (const char16_t c : row.characters) {
      const std::u16string line = std::u16string(u"甲") + c + u"  ";
      EXPECT_EQ(EndsParagraph(line), row.member) << ::testing::PrintToString(AsText(line));
    }
  }
  EXPECT_FALSE(EndsParagraph(u"   "));
}

TEST(LineJoining, WholeParagraphByMarkerOrOrdinal) {
  const TidySettings chapters{.txtLink = {u"第???回"}}, ordinal{.chkOrdinal = true};
  struct Row { const char* name; TidySettings settings; std::u16string line; bool whole; };
  const Row rows[] = {
      {"three wildcards",                     chapters,                                 u"第一二零回 结局。", true},
      {"two between",                         chapters,                                 u"第十二回",          false},
      {"ordinal off",                         {},                                       u"1. 开始",           false},
      {"wildcards past the end",              {.txtLink = {u"第??"}},                   u"第",                true},
      {"anchored after spaces",               {.txtLink = {u"第?章"}},                  u"   第3章",          true},
      {"full-width question mark is literal", {.txtLink = {u"第？章"}},                 u"第3章",             false},
      {"case-sensitive",                      {.txtLink = {u"Chapter"}},                u"CHAPTER 1",         false},
      {"only wildcards",                      {.txtLink = {u"??"}},                     u"",                  true},
      {"later box",                           {.txtLink = {u"", u"", u"", u"", u"序"}}, u"序言",              true},
      {"ascii digit after spaces",            ordinal,                                  u"  1甲",             true},
      {"zero",                                ordinal,                                  u"0甲",               true},
      {"chinese numeral",                     ordinal,                                  u"一甲",              true},
      {"ling",                                ordinal,                                  u"零甲",              true},
      {"shi",                                 ordinal,                                  u"十甲",              true},
      {"full-width digit",                    ordinal,                                  u"１号",              false},
      {"ideographic zero",                    ordinal,                                  u"〇",                false},
      {"after an ideographic space",          ordinal,                                  u"\u3000一",          false},
      {"digit later in the line",             ordinal,                                  u"甲1",               false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(IsWholeParagraph(row.line, MakeWholeParagraphRules(row.settings)), row.whole);
  }
}

TEST(WholeLineRules, CompareTrimmedExactlyAndReplaceWholeLine) {
  const TidySettings chain{.txtAllS = {u"A", u"B"}, .txtAllT = {u"B", u"C"}};
  const TidySettings chainSwapped{.txtAllS = {u"B", u"A"}, .txtAllT = {u"C", u"B"}};
  const TidySettings across{.txtAllS = {u"广告"}, .txtAllT = {u"本书首发"}, .txtLeftS = {u"", u"", u"", u"本书"},
                            .txtLeftT = {u"", u"", u"", u"  开头"}, .txtRightS = {u"", u"头"}};
  struct Row { const char* name; TidySettings settings; std::u16string line, expected; };
  const Row rows[] = {
      {"equal with spaces around", {.txtAllS = {u"", u" 完 "}, .txtAllT = {u"", u"END"}}, u"   完  ",    u"END"},
      {"equal is not contains",    {.txtAllS = {u"完"}, .txtAllT = {u"END"}},             u"完了",       u"完了"},
      {"tab is not trimmed",       {.txtAllS = {u"完"}, .txtAllT = {u"END"}},             u"完\t",       u"完\t"},
      {"case-sensitive",           {.txtAllS = {u"abc"}, .txtAllT = {u"X"}},              u"ABC",        u"ABC"},
      {"starts after indent",      {.txtLeftS = {u"第"}, .txtLeftT = {u"  替换"}},        u"   第一章",  u"  替换"},
      {"match longer than line",   {.txtLeftS = {u"第一章"}, .txtLeftT = {u"X"}},         u"第一",       u"第一"},
      {"ends with",                {.txtRightS = {u"", u"完。"}},                         u"全书完。  ", u""},
      {"ends with longer",         {.txtRightS = {u"全书完。"}, .txtRightT = {u"X"}},     u"完。",       u"完。"},
      {"in pair order",            chain,                                                 u"A",          u"C"},
      {"not back in pair order",   chainSwapped,                                          u"A",          u"B"},
      {"across tables",            across,                                                u" 广告 ",     u""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(AsText(ApplyWholeLineRules(row.line, PlanOf(row.settings).wholeLineRules)), AsText(row.expected));
  }
}

TEST(Division, CutsIntoPiecesOfNCodeUnitsUpTo32767) {
  const std::u16string longest(32767, u'字');
  struct Row { const char* name; size_t n; std::u16string line; Lines expected; };
  const Row rows[] = {
      {"twelve by five",        5,     u"abcdefghijkl", {u"abcde", u"fghij", u"kl"}},
      {"shorter than n",        10,    u" ab ",         {u" ab "}},
      {"spaces are characters", 2,     u"一  ",         {u"一 ", u" "}},
      {"empty line",            3,     u"",             {u""}},
      {"pair kept whole",       2,     u"a\U0001F600b", {u"a\U0001F600", u"b"}},
      {"the longest line",      32767, longest,         {longest}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    LineList lines;
    ASSERT_TRUE(DivideLine(row.line, row.n, lines));
    EXPECT_EQ(EntriesOf(lines), AsTexts(row.expected));
  }
  LineList none;
  EXPECT_FALSE(DivideLine(std::u16string(32768, u'字'), 1, none));
  EXPECT_EQ(none.count(), 0u);
}

TEST(LineList, EntriesPastTheNarrowEndLimitStayExact) {
  LineList lines(5);
  for (std::u16string_view entry : {u"abc", u"de", u"fgh", u""}) lines.Append(entry);
  lines.Extend(u"ij");
  EXPECT_EQ(EntriesOf(lines), AsTexts({u"abc", u"de", u"fgh", u""}));
  EXPECT_EQ(AsText(lines.OpenEntry()), AsText(u"ij"));
  lines.DiscardOpenEntry();
  lines.Append(u"k");
  EXPECT_EQ(EntriesOf(lines), AsTexts({u"abc", u"de", u"fgh", u"", u"k"}));
}

}  // namespace
}  // namespace quelvane
