#pragma once
// The two paragraph modes that look at one line at a time: pass-through
// and equal-length division.

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "line_list.h"

namespace quelvane {

// Division counts a line's length in a signed 16-bit integer: longer lines
// cannot be divided.
inline constexpr size_t kMaxDividedLineLength = INT16_MAX;

inline void KeepLine(std::u16string_view line, LineList& lines) { lines.Append(line); }

// Cuts `line` into pieces of `pieceLength` code units (the last may be
// shorter; an empty line gives one empty piece). A piece never ends between
// the two halves of a surrogate pair: it takes the whole pair instead.
// Returns false, appending nothing, when the line is too long to divide.
bool DivideLine(std::u16string_view line, size_t pieceLength, LineList& lines);

}  // namespace quelvane
