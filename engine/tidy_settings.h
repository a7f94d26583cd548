#pragma once
// The options of one run, exactly as the user gave them in the window.
// Nothing here is checked or trimmed: ValidateSettings decides whether a run
// may start, and each stage trims what it compares.

#include <array>
#include <string>

namespace quelvane {

enum class ParagraphMode { Keep, Divide, Link };
enum class BlankLineMode { Keep, Delete, OneBetween };

struct TidySettings {
  // Whole-line rules: equal / starts-with / ends-with, four pairs each.
  std::array<std::u16string, 4> txtAllS, txtAllT;
  std::array<std::u16string, 4> txtLeftS, txtLeftT;
  std::array<std::u16string, 4> txtRightS, txtRightT;

  std::u16string txtReplaceS;  // text to find in every line
  std::u16string txtReplaceT;  // text put in its place

  // Index 0 is added, index 1 removed.
  std::array<std::u16string, 2> txtBegin;
  std::array<std::u16string, 2> txtEnd;

  ParagraphMode paragraphMode = ParagraphMode::Keep;
  std::u16string txtDivide;               // piece length, as typed
  std::array<std::u16string, 5> txtLink;  // whole-paragraph markers
  bool chkOrdinal = false;

  BlankLineMode blankLineMode = BlankLineMode::Keep;
};

}  // namespace quelvane
