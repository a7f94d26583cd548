#pragma once
// Writing a file's entries back: find-and-replace, head and tail
// removal, head and tail addition, then the blank-line mode. Every written
// line ends with CR LF.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/byte_sink.h"
#include "text/text_encoding.h"
#include "text/text_search.h"
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

class LineWriter;

// The pass over a file's entries, fed in file order as they become whole:
// what it keeps between them is the blank-line mode's state and the block
// being filled. Each call gives nothing when the entry went on its way;
// Unencodable when it or an added text has a character the encoding lacks;
// else the sink's failure. After a failure, no more calls.
class OutputPass {
 public:
  OutputPass(const OutputOptions& options, TextEncoding encoding, ByteSink& sink);
  ~OutputPass();

  std::optional<LeftAlone> Write(std::u16string_view entry);
  // Hands on what the block holds; after the last entry.
  std::optional<LeftAlone> Finish();

 private:
  std::optional<LeftAlone> WriteReplaced(std::u16string_view entry, size_t firstMatch);
  // Whether the entry is written, after a separating blank line if
  // `separatorFirst` comes back true.
  bool Keeps(bool blank, bool& separatorFirst);

  const OutputOptions& options_;
  std::unique_ptr<LineWriter> writer_;
  TextSearch search_;
  const bool additionsAreBlank_;
  bool first_ = true;
  bool lastWrittenBlank_ = false;
};

}  // namespace quelvane
