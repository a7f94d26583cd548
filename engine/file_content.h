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

  // Decides the encoding from all of the bytes first (DecideEncoding,
  // answering its questions by decoding), and only then reads them line by
  // line (a line ends at CR or CR LF; a lone LF is an ordinary character):
  // decodes each, applies the whole-line rules and the paragraph mode, and
  // writes the entries back in the same encoding, its mark first. Nothing
  // when every byte went to the sink or the sink failed (it then knows
  // why); else NotText, HasNulByte, LineTooLong or Unencodable, and the
  // bytes written so far are to be thrown away. A line too long to divide
  // is told even when writing failed before it.
  std::optional<LeftAloneReason> Tidy(std::string_view bytes, ByteSink& sink);

 private:
  bool Decodes(TextEncoding encoding, std::string_view bytes);
  std::optional<LeftAloneReason> Stream(TextEncoding encoding, std::string_view bytes, ByteSink& sink);

  const TidyPlan& plan_;
  LineJoiner joiner_;
  LineList lines_;  // reused for every file: its memory is touched once
};

}  // namespace quelvane
