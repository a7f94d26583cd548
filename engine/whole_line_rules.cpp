#include "whole_line_rules.h"

#include "text/text.h"

namespace quelvane {

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
