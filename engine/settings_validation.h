#pragma once
// The checks a run makes before it shows its summary. A failed check is a
// fixed message; a number that cannot be converted at all is a failure of
// the run instead, reported with its own description.

#include <cstddef>
#include <string>

#include "tidy_settings.h"

namespace quelvane {

inline constexpr std::u16string_view kNoTextFilesMessage = u"当前文件夹内没有文本文件！";
inline constexpr std::u16string_view kBadDivideLengthMessage = u"分段字符数应键入正整数！";
inline constexpr std::u16string_view kMarkerTooLongMessage = u"开头视为整段的标志字符应在七位以内！";
inline constexpr size_t kMaxMarkerLength = 7;

struct ValidationOutcome {
  enum class Kind { Passed, Message, ConversionFailure };
  Kind kind = Kind::Passed;
  std::u16string text;  // the message, or the failure's description

  bool passed() const { return kind == Kind::Passed; }
};

ValidationOutcome ValidateSettings(const TidySettings& settings, size_t fileCount);

}  // namespace quelvane
