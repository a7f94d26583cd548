#include "line_division.h"

#include "text/text.h"

namespace quelvane {

bool DivideLine(std::u16string_view line, size_t pieceLength, LineList& lines) {
  if (line.size() > kMaxDividedLineLength) return false;
  if (line.empty()) {
    lines.Append(line);
    return true;
  }
  size_t start = 0;
  while (start < line.size()) {
    size_t end = std::min(start + pieceLength, line.size());
    if (end < line.size() && IsHighSurrogate(line[end - 1]) && IsLowSurrogate(line[end])) ++end;
    lines.Append(line.substr(start, end - start));
    start = end;
  }
  return true;
}

}  // namespace quelvane
