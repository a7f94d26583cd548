#pragma once
// How the engine's values read in a failed expectation: enumerators by name ("Ok", "Completed"), a reason a file is
// left alone by its words ("文件只读"), and UTF-16 text as the text it is, "甲。乙。", rather than u"\x7532\x3002".

#include <ostream>
#include <string>
#include <string_view>

#include "number_text.h"
#include "run_messages.h"
#include "run_report.h"
#include "text/text.h"

namespace quelvane {

inline const char* EnumName(FileResult::Kind kind) {
  switch (kind) {
    case FileResult::Kind::Tidied: return "Tidied";
    case FileResult::Kind::Unchanged: return "Unchanged";
    case FileResult::Kind::LeftAlone: return "LeftAlone";
  }
  return "?";
}

inline const char* EnumName(RunReport::Ending ending) {
  switch (ending) {
    case RunReport::Ending::SettingsRejected: return "SettingsRejected";
    case RunReport::Ending::NothingToDo: return "NothingToDo";
    case RunReport::Ending::Declined: return "Declined";
    case RunReport::Ending::Failed: return "Failed";
    case RunReport::Ending::FolderUnavailable: return "FolderUnavailable";
    case RunReport::Ending::Completed: return "Completed";
  }
  return "?";
}

inline const char* EnumName(Int16Conversion status) {
  switch (status) {
    case Int16Conversion::Ok: return "Ok";
    case Int16Conversion::NotANumber: return "NotANumber";
    case Int16Conversion::OutOfRange: return "OutOfRange";
  }
  return "?";
}

inline const char* EnumName(IntegerTextCheck check) {
  switch (check) {
    case IntegerTextCheck::Integer: return "Integer";
    case IntegerTextCheck::NotInteger: return "NotInteger";
    case IntegerTextCheck::ConversionFailed: return "ConversionFailed";
  }
  return "?";
}

// A reason as the end-of-run box words it, e.g. "文件只读".
inline void PrintTo(LeftAloneReason reason, std::ostream* out) { *out << Utf16ToUtf8(DescribeLeftAlone({reason})); }
inline void PrintTo(FileResult::Kind kind, std::ostream* out) { *out << EnumName(kind); }
inline void PrintTo(RunReport::Ending ending, std::ostream* out) { *out << EnumName(ending); }
inline void PrintTo(Int16Conversion status, std::ostream* out) { *out << EnumName(status); }
inline void PrintTo(IntegerTextCheck check, std::ostream* out) { *out << EnumName(check); }
// "无法读取（输入输出错误）"
inline void PrintTo(const LeftAlone& why, std::ostream* out) { *out << Utf16ToUtf8(DescribeLeftAlone(why)); }

namespace testing {

// UTF-16 text compared as it is and printed as UTF-8; a lone surrogate, which has no UTF-8 form, as \u{d800}.
struct Text {
  std::u16string units;
  bool operator==(const Text&) const = default;
  friend void PrintTo(const Text& text, std::ostream* out) {
    *out << '"';
    for (size_t i = 0; i < text.units.size();) {
      const size_t at = i;
      const char32_t c = NextCodePoint(text.units, i);
      if (IsSurrogate(c)) {
        *out << "\\u{" << std::hex << static_cast<unsigned>(c) << std::dec << '}';
      } else {
        *out << Utf16ToUtf8(std::u16string_view(text.units).substr(at, i - at));
      }
    }
    *out << '"';
  }
};
inline Text AsText(std::u16string_view units) { return {std::u16string(units)}; }

}  // namespace testing
}  // namespace quelvane
