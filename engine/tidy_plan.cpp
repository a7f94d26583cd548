#include "tidy_plan.h"

#include "number_text.h"
#include "run_messages.h"
#include "text/text.h"

namespace quelvane {
namespace {

SettingsRejection Notice(std::u16string_view text) {
  return {SettingsRejection::Kind::Notice, std::u16string(text)};
}

SettingsRejection ConversionFailure(std::u16string description) {
  return {SettingsRejection::Kind::ConversionFailure, std::move(description)};
}

// A box of spaces only is skipped like an empty one: a marker of spaces
// would make every line whole, a match of spaces every blank line, while
// the summary listed neither.
std::vector<WholeLineRule> ActivePairs(const std::array<std::u16string, 4>& matches,
                                       const std::array<std::u16string, 4>& replacements) {
  std::vector<WholeLineRule> rules;
  for (size_t j = 0; j < matches.size(); ++j) {
    std::u16string_view match = TrimSpaces(matches[j]);
    if (!match.empty()) rules.push_back({std::u16string(match), replacements[j]});
  }
  return rules;
}

std::optional<SettingsRejection> AddWholeParagraphRules(const TidySettings& settings, TidyPlan& plan) {
  for (const std::u16string& box : settings.txtLink) {
    std::u16string_view marker = TrimSpaces(box);
    if (marker.size() > kMaxMarkerLength) return Notice(kMarkerTooLongMessage);
    if (!marker.empty()) plan.wholeParagraph.markers.emplace_back(marker);
  }
  plan.wholeParagraph.ordinal = settings.chkOrdinal;
  return std::nullopt;
}

std::optional<SettingsRejection> AddPieceLength(std::u16string_view text, TidyPlan& plan) {
  IntegerTextResult integer = IsIntegerText(text);
  if (integer.check == IntegerTextCheck::ConversionFailed) return ConversionFailure(integer.failure);
  if (integer.check == IntegerTextCheck::NotInteger) return Notice(kBadDivideLengthMessage);
  Int16Result length = ConvertToInt16(text);
  if (length.status != Int16Conversion::Ok) {
    return ConversionFailure(DescribeConversionFailure(TrimSpaces(text), length.status));
  }
  if (length.value < 1) return Notice(kBadDivideLengthMessage);
  plan.pieceLength = static_cast<size_t>(length.value);
  plan.pieceLengthAsTyped = text;
  return std::nullopt;
}

}  // namespace

std::variant<TidyPlan, SettingsRejection> CheckSettings(const TidySettings& settings, size_t fileCount) {
  if (fileCount == 0) return Notice(kNoTextFilesMessage);
  TidyPlan plan;
  plan.paragraphMode = settings.paragraphMode;
  std::optional<SettingsRejection> rejection;
  if (settings.paragraphMode == ParagraphMode::Divide) rejection = AddPieceLength(settings.txtDivide, plan);
  if (settings.paragraphMode == ParagraphMode::Link) rejection = AddWholeParagraphRules(settings, plan);
  if (rejection) return *std::move(rejection);

  plan.wholeLineRules = {ActivePairs(settings.txtAllS, settings.txtAllT),
                         ActivePairs(settings.txtLeftS, settings.txtLeftT),
                         ActivePairs(settings.txtRightS, settings.txtRightT)};
  plan.output = {settings.txtReplaceS, settings.txtReplaceT, settings.txtBegin[0], settings.txtEnd[0],
                 settings.txtBegin[1], settings.txtEnd[1], settings.blankLineMode};
  return plan;
}

}  // namespace quelvane
