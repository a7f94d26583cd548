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

inline void PrintTo(FileResult::Kind kind, std::ostream* out) {
  switch (kind) {
    case FileResult::Kind::Tidied: *out << "Tidied"; break;
    case FileResult::Kind::Unchanged: *out << "Unchanged"; break;
    case FileResult::Kind::LeftAlone: *out << "LeftAlone"; break;
  }
}

inline void PrintTo(RunReport::Ending ending, std::ostream* out) {
  switch (ending) {
    case RunReport::Ending::SettingsRejected: *out << "SettingsRejected"; break;
    case RunReport::Ending::NothingToDo: *out << "NothingToDo"; break;
    case RunReport::Ending::Declined: *out << "Declined"; break;
    case RunReport::Ending::Failed: *out << "Failed"; break;
    case RunReport::Ending::FolderUnavailable: *out << "FolderUnavailable"; break;
    case RunReport::Ending::Completed: *out << "Completed"; break;
  }
}

inline void PrintTo(Int16Conversion status, std::ostream* out) {
  switch (status) {
    case Int16Conversion::Ok: *out << "Ok"; break;
    case Int16Conversion::NotANumber: *out << "NotANumber"; break;
    case Int16Conversion::OutOfRange: *out << "OutOfRange"; break;
  }
}

inline void PrintTo(IntegerTextCheck check, std::ostream* out) {
  switch (check) {
    case IntegerTextCheck::Integer: *out << "Integer"; break;
    case IntegerTextCheck::NotInteger: *out << "NotInteger"; break;
    case IntegerTextCheck::ConversionFailed: *out << "ConversionFailed"; break;
  }
}

// A reason as the end-of-run box words it, e.g. "文件只读".
inline void PrintTo(LeftAloneReason reason, std::ostream* out) { *out << Utf16ToUtf8(DescribeLeftAlone({reason})); }
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
