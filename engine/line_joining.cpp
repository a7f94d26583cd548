#include "line_joining.h"

#include "text.h"

namespace quelvane {

WholeParagraphRules MakeWholeParagraphRules(const TidySettings& settings) {
  WholeParagraphRules rules;
  for (const std::u16string& box : settings.txtLink) {
    // A box of spaces only is skipped like an empty one: otherwise it would
    // silently make every line whole while the summary does not list it.
    std::u16string_view marker = TrimSpaces(box);
    if (!marker.empty()) rules.markers.emplace_back(marker);
  }
  rules.ordinal = settings.chkOrdinal;
  return rules;
}

namespace {

// `?` stands for one character; `?` positions past the end of the line
// still count, so the marker 第?? makes the line 第 whole.
bool MatchesMarker(std::u16string_view line, std::u16string_view marker) {
  for (size_t p = 0; p < marker.size(); ++p) {
    if (marker[p] == kMarkerWildcard) continue;
    if (p >= line.size() || line[p] != marker[p]) return false;
  }
  return true;
}

}  // namespace

bool IsWholeParagraph(std::u16string_view line, const WholeParagraphRules& rules) {
  std::u16string_view trimmed = TrimSpaces(line);
  if (rules.ordinal && !trimmed.empty() &&
      kOrdinalCharacters.find(trimmed.front()) != std::u16string_view::npos) {
    return true;
  }
  for (const std::u16string& marker : rules.markers) {
    if (MatchesMarker(trimmed, marker)) return true;
  }
  return false;
}

bool EndsParagraph(std::u16string_view line) {
  std::u16string_view trimmed = TrimSpaces(line);
  return !trimmed.empty() && kClosingPunctuation.find(trimmed.back()) != std::u16string_view::npos;
}

void LineJoiner::LinkLine(std::u16string_view line, bool isLastLine, LineList& lines) {
  // A paragraph's first line keeps its indentation; continuations lose theirs.
  line = pendingParagraph_.empty() ? TrimTrailingSpaces(line) : TrimSpaces(line);

  if (IsWholeParagraph(line, rules_)) {
    if (!pendingParagraph_.empty()) lines.Append(pendingParagraph_);
    lines.Append(line);
    pendingParagraph_.clear();
  } else if (EndsParagraph(line) || isLastLine) {
    lines.Append(pendingParagraph_, line);
    pendingParagraph_.clear();
  } else if (line.empty()) {
    if (pendingParagraph_.empty()) lines.Append(line);
  } else {
    pendingParagraph_.append(line);
  }
}

}  // namespace quelvane
