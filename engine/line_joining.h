#pragma once
// Link mode: glue hard-broken lines back into paragraphs. A paragraph ends
// at closing punctuation, at the end of the file, or before a line that is
// a whole paragraph of its own (it begins with a marker or, when chosen, an
// ordinal character). Blank lines inside a paragraph are dropped.

#include <string>
#include <string_view>
#include <vector>

#include "line_list.h"

namespace quelvane {

// The ten digits and eleven numerals "1234567890一二三四五六七八九十零".
bool IsOrdinalCharacter(char16_t c);
// The 19 characters that end a paragraph: .;:!?)]>}" 』。；：！？）》”
bool IsClosingPunctuation(char16_t c);
inline constexpr char16_t kMarkerWildcard = u'?';

struct WholeParagraphRules {
  // Trimmed markers; boxes that are empty or hold only spaces are left out.
  std::vector<std::u16string> markers;
  bool ordinal = false;
};

bool IsWholeParagraph(std::u16string_view line, const WholeParagraphRules& rules);
bool EndsParagraph(std::u16string_view line);

// Joins the lines of the file being read. It keeps no state of its own: the
// pending paragraph (the broken lines collected so far, already joined) is
// the open last entry of the LineList, so a paragraph of any length is
// built in place.
class LineJoiner {
 public:
  explicit LineJoiner(const WholeParagraphRules& rules) : rules_(rules) {}

  // Back to the start condition: nothing pending, the next line begins a paragraph.
  void Reset(LineList& lines) { lines.DiscardOpenEntry(); }

  void LinkLine(std::u16string_view line, bool isLastLine, LineList& lines) const;

 private:
  const WholeParagraphRules& rules_;
};

}  // namespace quelvane
