// One file's content from old bytes to new bytes: reading rules, the output
// pass and the written form, byte for byte.

#include <gtest/gtest.h>

#include "temp_folder.h"
#include "tidy_plan.h"

namespace quelvane {
namespace {

using testing::Gbk;

std::string Tidy(std::string_view bytes, const TidySettings& settings,
                 TidyBytesOutcome expected = TidyBytesOutcome::Tidied) {
  std::string out;
  EXPECT_EQ(TidyBytes(bytes, MakeTidyPlan(settings), out), expected);
  return out;
}

TEST(TidyBytes, ReadingFollowsTheLineTerminatorRules) {
  struct Row {
    const char* name;
    std::string_view in, out;
  } const rows[] = {
      {"empty file stays empty", "", ""},
      {"no final break gains one", "a", "a\r\n"},
      {"final break starts no line", "a\r\n", "a\r\n"},
      {"lone CR ends a line", "a\rb", "a\r\nb\r\n"},
      {"CR CR LF is two lines", "a\r\r\n", "a\r\n\r\n"},
      {"lone LF is a character", "a\nb\n", "a\nb\n\r\n"},
      {"spaces kept in keep mode", "  a  \r\n\r\n", "  a  \r\n\r\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Tidy(row.in, TidySettings{}), row.out);
  }
}

TEST(TidyBytes, OutputPassEditsEveryLine) {
  struct Row {
    const char* name;
    TidySettings settings;
    std::string_view in, out;
  };
  auto replace = [](std::u16string find, std::u16string with) {
    TidySettings s;
    s.txtReplaceS = std::move(find);
    s.txtReplaceT = std::move(with);
    return s;
  };
  auto edits = [](std::u16string headAdd, std::u16string tailAdd, std::u16string headRemove,
                   std::u16string tailRemove, BlankLineMode blank = BlankLineMode::Keep) {
    TidySettings s;
    s.txtBegin = {std::move(headAdd), std::move(headRemove)};
    s.txtEnd = {std::move(tailAdd), std::move(tailRemove)};
    s.blankLineMode = blank;
    return s;
  };
  auto blank = [&](BlankLineMode mode) { return edits(u"", u"", u"", u"", mode); };
  const Row rows[] = {
      {"replace without overlap", replace(u"aa", u"b"), "aaaa\r\naaa", "bb\r\nba\r\n"},
      {"replacement not searched again", replace(u"a", u"aa"), "aa", "aaaa\r\n"},
      {"empty find does nothing", replace(u"", u"x"), "abc", "abc\r\n"},
      {"empty replacement deletes", replace(u"b", u""), "abcb", "ac\r\n"},
      {"head removal ignores case", edits(u"", u"", u"abc", u""), "ABCdef", "def\r\n"},
      {"head removal once", edits(u"", u"", u"abc", u""), "abcabcX", "abcX\r\n"},
      {"tail removal at the end only", edits(u"", u"", u"", u"ab"), "ab-ab", "ab-\r\n"},
      {"tail longer than line", edits(u"", u"", u"", u"abc"), "bc", "bc\r\n"},
      {"removal before addition", edits(u"abc ", u"", u"abc ", u""), "abc east", "abc east\r\n"},
      {"tail added", edits(u"", u"。", u"", u""), "a\r\n", "a\xA1\xA3\r\n"},
      {"blank line gets head text", edits(u"X", u"", u"", u"", BlankLineMode::Delete), "\r\n", "X\r\n"},
      {"spaces added stay blank", edits(u"  ", u"", u"", u"", BlankLineMode::Delete), "\r\nb", "  b\r\n"},
      {"line emptied by removal is blank", edits(u"", u"", u"abc", u"", BlankLineMode::Delete), "ABC\r\nd", "d\r\n"},
      {"delete keeps ideographic space", blank(BlankLineMode::Delete), "A\r\n  \r\n\r\n\xA1\xA1\r\nB",
       "A\r\n\xA1\xA1\r\nB\r\n"},
      {"one between", blank(BlankLineMode::OneBetween), "A\r\nB\r\n\r\n\r\nC\r\n\r\n",
       "A\r\n\r\nB\r\n\r\nC\r\n\r\n"},
      {"one between at start", blank(BlankLineMode::OneBetween), "\r\n\r\nA", "\r\nA\r\n"},
      {"one between keeps first blank as is", blank(BlankLineMode::OneBetween), "A\r\n   \r\nB",
       "A\r\n   \r\nB\r\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Tidy(row.in, row.settings), row.out);
  }
}

TEST(TidyBytes, RulesThenLinkThenOutputPass) {
  TidySettings s;
  s.txtAllS[0] = u"本章完";
  s.txtAllT[0] = u"";
  s.txtRightS[0] = u"请收藏本站";
  s.txtRightT[0] = u"";
  s.paragraphMode = ParagraphMode::Link;
  s.txtLink[0] = u"第?章";
  s.chkOrdinal = true;
  s.txtReplaceS = u"!";
  s.txtReplaceT = u"！";
  s.txtBegin[0] = u"\u3000\u3000";
  s.txtBegin[1] = u"  ";
  s.blankLineMode = BlankLineMode::OneBetween;
  const std::u16string in =
      u"第1章 风起\r\n  他走进门来，\r\n看见了她!\r\n  本章完  \r\n好书尽在，请收藏本站\r\n第2章 云涌\r\n十年之后";
  // The two lines emptied by the rules receive the ideographic indent too,
  // which makes them lines of their own.
  const std::u16string out =
      u"\u3000\u3000第1章 风起\r\n\r\n\u3000\u3000他走进门来，看见了她！\r\n\r\n\u3000\u3000\r\n\r\n"
      u"\u3000\u3000\r\n\r\n\u3000\u3000第2章 云涌\r\n\r\n\u3000\u3000十年之后\r\n";
  EXPECT_EQ(Tidy(Gbk(in), s), Gbk(out));
}

TEST(TidyBytes, Utf8FilesStayUtf8AndKeepTheirMark) {
  TidySettings s;
  s.txtEnd[0] = u"。";
  EXPECT_EQ(Tidy("\xE7\xAC\xAC\x0D", s), "\xE7\xAC\xAC\xE3\x80\x82\r\n");
  EXPECT_EQ(Tidy("\xEF\xBB\xBF" "a", s), "\xEF\xBB\xBF" "a\xE3\x80\x82\r\n");
  EXPECT_EQ(Tidy("\xEF\xBB\xBF", s), "\xEF\xBB\xBF");
}

TEST(TidyBytes, LinesLongerThanAnOutputBlockComeOutWhole) {
  TidySettings s;
  s.txtBegin[0] = u"<";
  s.txtEnd[0] = u">";
  const std::string pair = "\xF0\xA0\x80\x80";  // U+20000, two code units
  std::string pairs;
  for (int i = 0; i < 500000; ++i) pairs += pair;
  // Pieces of a fixed length end inside a surrogate pair in one of the two.
  for (const std::string& line : {std::string(3000000, 'a'), pairs, "a" + pairs}) {
    SCOPED_TRACE(line.size());
    EXPECT_TRUE(Tidy(line + "\rb", s) == "<" + line + ">\r\n<b>\r\n");
  }
}

TEST(TidyBytes, LeavesAloneWhatItCannotKeepExact) {
  TidySettings emoji;
  emoji.txtBegin[0] = u"\U0001F600";
  Tidy(Gbk(u"中文"), emoji, TidyBytesOutcome::Unencodable);
  EXPECT_EQ(Tidy("\xE4\xB8\xAD", emoji), "\xF0\x9F\x98\x80\xE4\xB8\xAD\r\n");  // UTF-8 can hold it
  Tidy("\xB5\xDA\xA1", TidySettings{}, TidyBytesOutcome::NotText);
  Tidy("\xEF\xBB\xBF\xB5\xDA", TidySettings{}, TidyBytesOutcome::NotText);

  TidySettings divide;
  divide.paragraphMode = ParagraphMode::Divide;
  divide.txtDivide = u"2";
  Tidy(std::string(32768, 'a'), divide, TidyBytesOutcome::LineTooLong);
  EXPECT_EQ(Tidy("abcde", divide), "ab\r\ncd\r\ne\r\n");
}

}  // namespace
}  // namespace quelvane
