#pragma once
// Writing a file back from its LineList: find-and-replace, head and tail
// removal, head and tail addition, then the blank-line mode. Every written
// line ends with CR LF.

#include <optional>
#include <string>
#include <string_view>

#include "line_list.h"
#include "platform/byte_sink.h"
#include "text/text_encoding.h"
#include "tidy_settings.h"

namespace quelvane {

struct OutputOptions {
  std::u16string find, replacement;
  std::u16string headToAdd, tailToAdd;
  std::u16string headToRemove, tailToRemove;
  BlankLineMode blankLines = BlankLineMode::Keep;
};

// Empty once its leading and trailing U+0020 spaces are gone.
inline bool IsBlankLine(std::u16string_view line) {
  return line.find_first_not_of(u' ') == std::u16string_view::npos;
}

// Nothing when every line went to the sink; Unencodable when a line or an
// added text has a character the encoding lacks; else the sink's failure.
std::optional<LeftAlone> WriteLineList(const LineList& lines, const OutputOptions& options, TextEncoding encoding,
                           ByteSink& sink);

}  // namespace quelvane
