#include "whole_line_rules.h"

#include "text/text.h"

namespace quelvane {
namespace {

std::vector<WholeLineRule> ActivePairs(const std::array<std::u16string, 4>& matches,
                                       const std::array<std::u16string, 4>& replacements) {
  std::vector<WholeLineRule> rules;
  for (size_t j = 0; j < matches.size(); ++j) {
    std::u16string_view match = TrimSpaces(matches[j]);
    if (!match.empty()) rules.push_back({std::u16string(match), replacements[j]});
  }
  return rules;
}

}  // namespace

WholeLineRules MakeWholeLineRules(const TidySettings& settings) {
  return {ActivePairs(settings.txtAllS, settings.txtAllT),
          ActivePairs(settings.txtLeftS, settings.txtLeftT),
          ActivePairs(settings.txtRightS, settings.txtRightT)};
}

std::u16string_view ApplyWholeLineRules(std::u16string_view line, const WholeLineRules& rules) {
  // Each pair sees the line as the pairs before it left it.
  std::u16string_view trimmed = TrimSpaces(line);
  auto replace = [&](const WholeLineRule& rule) {
    line = rule.replacement;
    trimmed = TrimSpaces(line);
  };
  for (const WholeLineRule& rule : rules.equal) {
    if (trimmed == rule.match) replace(rule);
  }
  for (const WholeLineRule& rule : rules.startsWith) {
    if (trimmed.starts_with(rule.match)) replace(rule);
  }
  for (const WholeLineRule& rule : rules.endsWith) {
    if (trimmed.ends_with(rule.match)) replace(rule);
  }
  return line;
}

}  // namespace quelvane
