#pragma once
// Whole-line replacement: a line equal to, starting with or ending with a
// match text becomes the paired replacement text. Applied to every physical
// line right after it is read, before the paragraph mode sees it.

#include <string>
#include <string_view>
#include <vector>

namespace quelvane {

struct WholeLineRule {
  std::u16string match;        // trimmed, never empty
  std::u16string replacement;  // as typed
};

// The pairs of the three tables whose match box is not blank, in the
// order they are tried; built once per run (CheckSettings).
struct WholeLineRules {
  std::vector<WholeLineRule> equal, startsWith, endsWith;

  bool empty() const { return equal.empty() && startsWith.empty() && endsWith.empty(); }
};

// Returns `line` itself or the replacement text of the last pair that
// matched; the view points into `line` or into `rules`.
std::u16string_view ApplyWholeLineRules(std::u16string_view line, const WholeLineRules& rules);

}  // namespace quelvane
