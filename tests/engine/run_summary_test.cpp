#include "run_summary.h"

#include <gtest/gtest.h>

#include "printers.h"

namespace quelvane {
namespace {

testing::Text SummaryOf(const TidySettings& settings, int16_t items) {
  const RunSummary summary = SummarizePlan(std::get<TidyPlan>(CheckSettings(settings, 1)));
  EXPECT_EQ(summary.itemCount, items);
  return testing::AsText(summary.text);
}

TEST(RunSummary, ListsEveryPlannedStepAndOnlyWhatTheModeReads) {
  // The blank second equal-to row leaves no gap in the numbers.
  const TidySettings s{
      .txtAllS = {u"x", u"   ", u"x", u"x"}, .txtAllT = {u" 保留空格 "}, .txtLeftS = {u"abc ", u"x", u"x", u"x"},
      .txtLeftT = {u"东方之星"}, .txtRightS = {u"x", u"x", u"x", u"x"}, .txtReplaceS = u" ", .txtBegin = {u"头", u" "},
      .txtEnd = {u"尾", u"去"}, .paragraphMode = ParagraphMode::Link, .txtLink = {u"第???回", u"", u"  ", u" 卷 "},
      .chkOrdinal = true, .blankLineMode = BlankLineMode::OneBetween};
  EXPECT_EQ(SummaryOf(s, 18),
            testing::AsText(u"当前文件夹内的所有文本文件将作如下整理:\r\n\r\n"
            u"1.\"x\"整行替换为\" 保留空格 \"!\r\n2.\"x\"整行替换为\"\"!\r\n3.\"x\"整行替换为\"\"!\r\n"
            u"4.以\"abc\"开头的行整行替换为\"东方之星\"!\r\n5.以\"x\"开头的行整行替换为\"\"!\r\n"
            u"6.以\"x\"开头的行整行替换为\"\"!\r\n7.以\"x\"开头的行整行替换为\"\"!\r\n"
            u"8.以\"x\"结尾的行整行替换为\"\"!\r\n9.以\"x\"结尾的行整行替换为\"\"!\r\n"
            u"10.以\"x\"结尾的行整行替换为\"\"!\r\n11.以\"x\"结尾的行整行替换为\"\"!\r\n"
            u"12.非完整段进行断行续接!\r\n"
            u"    以\"第???回\"开头的行视为整段，不参与断行续接!\r\n"
            u"    以\"卷\"开头的行视为整段，不参与断行续接!\r\n"
            u"    以序数词开头的行视为整段，不参与断行续接!\r\n"
            u"13.段首增加文字:头\r\n14.段尾增加文字:尾\r\n"
            u"15.段首取消文字(如果有): \r\n16.段尾取消文字(如果有):去\r\n17.两段间设置一处空行!\r\n"
            u"18.\" \"字符替换为\"\"!\r\n\r\n是否继续?"));
  // The marker and the ordinal are read only in link mode (the length only in dividing mode: the driver's rows).
  const TidySettings keep{.txtAllS = {u"   "}, .txtDivide = u"5", .txtLink = {u"第?回"}, .chkOrdinal = true};
  EXPECT_EQ(SummaryOf(keep, 0), testing::AsText(u"当前文件夹内的所有文本文件将作如下整理:\r\n\r\n\r\n是否继续?"));
}

}  // namespace
}  // namespace quelvane
