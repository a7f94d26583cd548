#pragma once
// What a run does to every file, decided once from the settings as typed.
// CheckSettings is the one place that reads the boxes: it trims them, skips
// the empty ones and converts the piece length. Everything after it, the
// summary and the tidy of each file, reads only the plan.

#include <cstddef>
#include <string>
#include <variant>

#include "line_joining.h"
#include "output_pass.h"
#include "tidy_settings.h"
#include "whole_line_rules.h"

namespace quelvane {

struct TidyPlan {
  WholeLineRules wholeLineRules;
  ParagraphMode paragraphMode = ParagraphMode::Keep;
  size_t pieceLength = 0;              // divide mode only
  std::u16string pieceLengthAsTyped;   // divide mode only, for the summary
  WholeParagraphRules wholeParagraph;  // link mode only
  OutputOptions output;
};

// Why a run does not start: a notice the window shows, or a piece length
// that could not be converted at all, which ends the run as a failure.
struct SettingsRejection {
  enum class Kind { Notice, ConversionFailure };
  Kind kind = Kind::Notice;
  std::u16string text;
};

inline constexpr size_t kMaxMarkerLength = 7;

// The checks are made in the window's order: a folder without text files
// first, then what the chosen paragraph mode reads, nothing else.
std::variant<TidyPlan, SettingsRejection> CheckSettings(const TidySettings& settings, size_t fileCount);

}  // namespace quelvane
