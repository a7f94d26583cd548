#include "run_summary.h"

#include <string>
#include <string_view>

#include "text/text.h"

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

void AddRuleTable(SummaryText& summary, const std::array<std::u16string, 4>& matches,
                  const std::array<std::u16string, 4>& replacements, std::u16string_view before,
                  std::u16string_view between) {
  for (size_t j = 0; j < matches.size(); ++j) {
    std::u16string_view match = TrimSpaces(matches[j]);
    if (match.empty()) continue;
    summary.AddItem(before, kQuote, match, kQuote, between, kQuote, replacements[j], kQuote, u"!");
  }
}

}  // namespace

RunSummary BuildRunSummary(const TidySettings& s) {
  SummaryText summary;
  AddRuleTable(summary, s.txtAllS, s.txtAllT, u".", u"整行替换为");
  AddRuleTable(summary, s.txtLeftS, s.txtLeftT, u".以", u"开头的行整行替换为");
  AddRuleTable(summary, s.txtRightS, s.txtRightT, u".以", u"结尾的行整行替换为");

  if (s.paragraphMode == ParagraphMode::Link) {
    summary.AddItem(u".非完整段进行断行续接!");
    for (const std::u16string& box : s.txtLink) {
      std::u16string_view marker = TrimSpaces(box);
      if (marker.empty()) continue;
      summary.AddLine(u"    以\"" + std::u16string(marker) + u"\"开头的行视为整段，不参与断行续接!");
    }
    if (s.chkOrdinal) summary.AddLine(u"    以序数词开头的行视为整段，不参与断行续接!");
  }
  if (s.paragraphMode == ParagraphMode::Divide) {
    summary.AddItem(u".以", s.txtDivide, u"个字符为长度进行等长分段!");
  }

  if (!s.txtBegin[0].empty()) summary.AddItem(u".段首增加文字:", s.txtBegin[0]);
  if (!s.txtEnd[0].empty()) summary.AddItem(u".段尾增加文字:", s.txtEnd[0]);
  if (!s.txtBegin[1].empty()) summary.AddItem(u".段首取消文字(如果有):", s.txtBegin[1]);
  if (!s.txtEnd[1].empty()) summary.AddItem(u".段尾取消文字(如果有):", s.txtEnd[1]);

  if (s.blankLineMode == BlankLineMode::Delete) summary.AddItem(u".删除空行!");
  if (s.blankLineMode == BlankLineMode::OneBetween) summary.AddItem(u".两段间设置一处空行!");

  if (!s.txtReplaceS.empty()) {
    summary.AddItem(u".", kQuote, s.txtReplaceS, kQuote, u"字符替换为", kQuote, s.txtReplaceT, kQuote, u"!");
  }
  return summary.Finish();
}

}  // namespace quelvane
