#pragma once
// Tidying one file's bytes into a sink, as a stream: the entries go on to
// the output pass in chunks as they become whole, so that the text held at
// any time is one chunk and the pending paragraph of link mode, never the
// whole file's.

#include <cstddef>
#include <optional>
#include <string_view>

#include "left_alone_reason.h"
#include "line_joining.h"
#include "line_list.h"
#include "output_pass.h"
#include "platform/byte_sink.h"
#include "text/text_encoding.h"
#include "tidy_plan.h"

namespace quelvane {

// The closed entries are written once they hold this many code units, or
// this many entries.
inline constexpr size_t kChunkUnits = 1 << 18;
inline constexpr size_t kChunkEntries = 1 << 16;

class FileTidier {
 public:
  explicit FileTidier(const TidyPlan& plan) : plan_(plan), joiner_(plan.wholeParagraph) {}

  // Decides the encoding from all of the bytes (DecideEncoding), and writes
  // the file back in it, its mark first. The decision's questions "does
  // the whole file decode in X?" are answered by streaming the file in X:
  // reading it line by line (a line ends at CR or CR LF; a lone LF is an
  // ordinary character), decoding each, applying the whole-line rules and
  // the paragraph mode, and writing the entries; an answer of no starts the
  // sink over. Where decoding decides, as for GBK, the file is read once.
  // Nothing when every byte went to the sink or the sink failed (it then
  // knows why); else NotText, HasNulByte, LineTooLong or Unencodable, and
  // the bytes written so far are to be thrown away. A line too long to
  // divide is told even when writing failed before it.
  std::optional<LeftAloneReason> Tidy(std::string_view bytes, ByteSink& sink);

 private:
  // Streams the file in an encoding up to its last chunk, which waits in
  // the list for Finish: a file of one chunk is written only once its
  // encoding is decided. False when a line is not valid in the encoding.
  bool Stream(TextEncoding encoding, std::string_view bytes, ByteSink& sink);
  std::optional<LeftAloneReason> Finish();
  bool OutcomeKnown() const;
  void WriteClosedEntries();

  const TidyPlan& plan_;
  LineJoiner joiner_;
  LineList lines_;  // reused for every file: its memory is touched once
  std::optional<OutputPass> pass_;
  std::optional<LeftAlone> unwritten_;
  bool lineTooLong_ = false;
};

}  // namespace quelvane
