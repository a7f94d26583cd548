#include "run_summary.h"

#include <gtest/gtest.h>

namespace quelvane {
namespace {

TEST(RunSummary, WorkedExample) {
  TidySettings s;
  s.txtLeftS[0] = u"abc ";
  s.txtLeftT[0] = u"东方之星";
  s.paragraphMode = ParagraphMode::Link;
  s.txtLink[0] = u"第???回";
  s.chkOrdinal = true;
  s.blankLineMode = BlankLineMode::Delete;
  RunSummary summary = BuildRunSummary(s);
  EXPECT_EQ(summary.itemCount, 3);
  EXPECT_EQ(summary.text,
            u"当前文件夹内的所有文本文件将作如下整理:\r\n\r\n"
            u"1.以\"abc\"开头的行整行替换为\"东方之星\"!\r\n"
            u"2.非完整段进行断行续接!\r\n"
            u"    以\"第???回\"开头的行视为整段，不参与断行续接!\r\n"
            u"    以序数词开头的行视为整段，不参与断行续接!\r\n"
            u"3.删除空行!\r\n\r\n"
            u"是否继续?");
}

TEST(RunSummary, NothingSetCountsZero) {
  TidySettings s;
  s.txtLink[0] = u"第?回";  // read only in link mode
  s.chkOrdinal = true;
  s.txtDivide = u"5";
  s.txtAllS[0] = u"   ";
  RunSummary summary = BuildRunSummary(s);
  EXPECT_EQ(summary.itemCount, 0);
  EXPECT_EQ(summary.text, u"当前文件夹内的所有文本文件将作如下整理:\r\n\r\n\r\n是否继续?");
}

TEST(RunSummary, EveryItemNumberedWithoutGaps) {
  TidySettings s;
  for (size_t j = 0; j < 4; ++j) {
    s.txtAllS[j] = s.txtLeftS[j] = s.txtRightS[j] = u"x";
  }
  s.txtAllS[1] = u"";  // a gap in the rows leaves none in the numbers
  s.txtAllT[0] = u" 保留空格 ";
  s.paragraphMode = ParagraphMode::Link;
  s.txtLink[3] = u"  ";
  s.txtBegin = {u"头", u" "};
  s.txtEnd = {u"尾", u"去"};
  s.blankLineMode = BlankLineMode::OneBetween;
  s.txtReplaceS = u" ";
  RunSummary summary = BuildRunSummary(s);
  EXPECT_EQ(summary.itemCount, 18);
  const std::u16string& t = summary.text;
  EXPECT_NE(t.find(u"\r\n1.\"x\"整行替换为\" 保留空格 \"!\r\n2.\"x\"整行替换为\"\"!\r\n"), std::u16string::npos);
  EXPECT_NE(t.find(u"\r\n12.非完整段进行断行续接!\r\n13.段首增加文字:头\r\n14.段尾增加文字:尾\r\n"
                   u"15.段首取消文字(如果有): \r\n16.段尾取消文字(如果有):去\r\n17.两段间设置一处空行!\r\n"
                   u"18.\" \"字符替换为\"\"!\r\n\r\n是否继续?"),
            std::u16string::npos);

  TidySettings divide;
  divide.paragraphMode = ParagraphMode::Divide;
  divide.txtDivide = u" 12";
  EXPECT_EQ(BuildRunSummary(divide).text,
            u"当前文件夹内的所有文本文件将作如下整理:\r\n\r\n1.以 12个字符为长度进行等长分段!\r\n\r\n是否继续?");
}

}  // namespace
}  // namespace quelvane
