#include "run_summary.h"

#include <string>
#include <string_view>
#include <vector>

namespace quelvane {
namespace {

constexpr std::u16string_view kQuote = u"\"";
constexpr std::u16string_view kLineBreak = u"\r\n";

class SummaryText {
 public:
  // Adds "N" + pieces + CR LF, N being the next item number.
  template <typename... Pieces>
  void AddItem(const Pieces&... pieces) {
    ++count_;
    for (char digit : std::to_string(count_)) text_ += static_cast<char16_t>(digit);
    (text_.append(pieces), ...);
    text_ += kLineBreak;
  }
  // Adds an unnumbered line.
  void AddLine(std::u16string_view line) {
    text_ += line;
    text_ += kLineBreak;
  }

  RunSummary Finish() {
    text_ += kLineBreak;
    text_ += u"是否继续?";
    return {std::move(text_), count_};
  }

 private:
  std::u16string text_ = u"当前文件夹内的所有文本文件将作如下整理:\r\n\r\n";
  int16_t count_ = 0;
};

void AddRules(SummaryText& summary, const std::vector<WholeLineRule>& rules, std::u16string_view before,
              std::u16string_view between) {
  for (const WholeLineRule& rule : rules) {
    summary.AddItem(before, kQuote, rule.match, kQuote, between, kQuote, rule.replacement, kQuote, u"!");
  }
}

}  // namespace

RunSummary SummarizePlan(const TidyPlan& plan) {
  SummaryText summary;
  AddRules(summary, plan.wholeLineRules.equal, u".", u"整行替换为");
  AddRules(summary, plan.wholeLineRules.startsWith, u".以", u"开头的行整行替换为");
  AddRules(summary, plan.wholeLineRules.endsWith, u".以", u"结尾的行整行替换为");

  if (plan.paragraphMode == ParagraphMode::Link) {
    summary.AddItem(u".非完整段进行断行续接!");
    for (const std::u16string& marker : plan.wholeParagraph.markers) {
      summary.AddLine(u"    以\"" + marker + u"\"开头的行视为整段，不参与断行续接!");
    }
    if (plan.wholeParagraph.ordinal) summary.AddLine(u"    以序数词开头的行视为整段，不参与断行续接!");
  }
  if (plan.paragraphMode == ParagraphMode::Divide) {
    summary.AddItem(u".以", plan.pieceLengthAsTyped, u"个字符为长度进行等长分段!");
  }

  const OutputOptions& out = plan.output;
  if (!out.headToAdd.empty()) summary.AddItem(u".段首增加文字:", out.headToAdd);
  if (!out.tailToAdd.empty()) summary.AddItem(u".段尾增加文字:", out.tailToAdd);
  if (!out.headToRemove.empty()) summary.AddItem(u".段首取消文字(如果有):", out.headToRemove);
  if (!out.tailToRemove.empty()) summary.AddItem(u".段尾取消文字(如果有):", out.tailToRemove);

  if (out.blankLines == BlankLineMode::Delete) summary.AddItem(u".删除空行!");
  if (out.blankLines == BlankLineMode::OneBetween) summary.AddItem(u".两段间设置一处空行!");

  if (!out.find.empty()) {
    summary.AddItem(u".", kQuote, out.find, kQuote, u"字符替换为", kQuote, out.replacement, kQuote, u"!");
  }
  return summary.Finish();
}

}  // namespace quelvane
