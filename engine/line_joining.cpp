#include "line_joining.h"

#include "text/text.h"

namespace quelvane {
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

bool IsOrdinalCharacter(char16_t c) {
  switch (c) {
    case u'0': case u'1': case u'2': case u'3': case u'4': case u'5': case u'6': case u'7': case u'8': case u'9':
    case u'一': case u'二': case u'三': case u'四': case u'五': case u'六': case u'七': case u'八': case u'九':
    case u'十': case u'零':
      return true;
    default:
      return false;
  }
}

bool IsClosingPunctuation(char16_t c) {
  switch (c) {
    case u'.': case u';': case u':': case u'!': case u'?': case u')': case u']': case u'>': case u'}': case u'"':
    case u'』': case u'。': case u'；': case u'：': case u'！': case u'？': case u'）': case u'》': case u'”':
      return true;
    default:
      return false;
  }
}

bool IsWholeParagraph(std::u16string_view line, const WholeParagraphRules& rules) {
  const std::u16string_view trimmed = TrimSpaces(line);
  if (rules.ordinal && !trimmed.empty() && IsOrdinalCharacter(trimmed.front())) return true;
  for (const std::u16string& marker : rules.markers) {
    if (MatchesMarker(trimmed, marker)) return true;
  }
  return false;
}

bool EndsParagraph(std::u16string_view line) {
  const std::u16string_view trimmed = TrimTrailingSpaces(line);
  return !trimmed.empty() && IsClosingPunctuation(trimmed.back());
}

void LineJoiner::LinkLine(std::u16string_view line, bool isLastLine, LineList& lines) const {
  const bool nothingPending = lines.OpenEntry().empty();
  // A paragraph's first line keeps its indentation; continuations lose theirs.
  line = nothingPending ? TrimTrailingSpaces(line) : TrimSpaces(line);

  if (IsWholeParagraph(line, rules_)) {
    if (!nothingPending) lines.CloseEntry();
    lines.Append(line);
  } else if (EndsParagraph(line) || isLastLine) {
    lines.Extend(line);
    lines.CloseEntry();
  } else if (line.empty()) {
    if (nothingPending) lines.CloseEntry();  // an empty entry between paragraphs
  } else {
    lines.Extend(line);
  }
}

}  // namespace quelvane
