#pragma once
// The options of one run, exactly as the user gave them in the window.
// Nothing here is checked or trimmed: CheckSettings turns it into the plan
// a run follows, or into the reason it does not start.
//
// Fields bear the names of the window's controls, which the settings file
// of the headless driver uses too: txt a text box, opt an option button,
// chk a check box, and (n) the n-th box of a column, 0 the top one.
// - txtAll / txtLeft / txtRight: whole-line rules for lines equal to /
//   starting with / ending with a text. S is the left box of a pair, the
//   text looked for; T the right one, the line put in its place.
// - txtReplaceS / txtReplaceT: find-and-replace, S found, T put instead.
// - txtBegin / txtEnd: the head / the tail of every paragraph; box (0)
//   holds the text added there, box (1) the text removed from there.
// - txtLink: the markers of lines that are a paragraph of their own, read
//   in link mode; txtDivide: the piece length, read in divide mode.
// - paragraphMode and blankLineMode: which option button of the group is
//   on (optParagraph keep, optDivide, optLink; optBlank keep, optDelete,
//   optAdd one blank line between paragraphs).
// option_fields.h maps each control to its field.

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
