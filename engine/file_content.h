#pragma once
// The two halves of tidying one file's bytes: reading them into a LineList
// under the plan, and writing the LineList back.

#include <optional>
#include <string_view>

#include "left_alone_reason.h"
#include "line_joining.h"
#include "line_list.h"
#include "output_pass.h"
#include "text/text_encoding.h"
#include "tidy_plan.h"

namespace quelvane {

// Reading a file's bytes: decides the encoding (DecideEncoding, answering
// its questions by reading), splits the bytes into lines (a line ends at CR
// or CR LF; a lone LF is an ordinary character), decodes each, applies the
// whole-line rules and the paragraph mode, and appends the entries to
// `lines`, which it empties first. Nothing when the file reads whole; else
// NotText, HasNulByte or LineTooLong.
class LineListReader {
 public:
  explicit LineListReader(const TidyPlan& plan) : plan_(plan), joiner_(plan.wholeParagraph) {}

  std::optional<LeftAloneReason> Read(std::string_view bytes, LineList& lines);
  // The encoding of the bytes last read; the file is written back in it.
  TextEncoding encoding() const { return encoding_; }

 private:
  std::optional<LeftAloneReason> ReadAs(TextEncoding encoding, std::string_view bytes, LineList& lines);

  const TidyPlan& plan_;
  LineJoiner joiner_;
  TextEncoding encoding_ = TextEncoding::CodePage936;
};

// Writing it back: the byte-order mark if the file had one, then the lines.
// Nothing when every byte went to the sink; else why not (see WriteLineList).
std::optional<LeftAlone> WriteFileContent(const LineList& lines, TextEncoding encoding, const OutputOptions& output,
                                          ByteSink& sink);

}  // namespace quelvane
