#pragma once
// Tidying one file's bytes into a sink, as a stream: the entries go on to
// the output pass in chunks as they become whole, so that the text held at
// any time is a few chunks and the pending paragraph of link mode, never
// the whole file's. The chunks are written on a thread of their own while
// the next are read; the sink is used by one thread at a time.

#include <cstddef>
#include <optional>
#include <string_view>

#include "background_worker.h"
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
inline constexpr size_t kChunkUnits = 1 << 16;
inline constexpr size_t kChunkEntries = 1 << 16;

class FileTidier {
 public:
  explicit FileTidier(const TidyPlan& plan)
      : plan_(plan), joiner_(plan.wholeParagraph), writer_([this] { WriteHandedEntries(); }) {}

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
  bool StreamLines(TextEncoding encoding, std::string_view bytes);
  // The line at `from`, decoded into the room after the list's text.
  bool DecodeIntoList(const EncodingForm& form, const char*& from, const char* end, std::u16string_view& line);
  std::optional<LeftAloneReason> Finish();
  bool OutcomeKnown() const;
  // Writes them until one fails, which `unwritten` then tells; empties the list.
  void WriteEntries(LineList& entries, std::optional<LeftAlone>& unwritten);
  // Gives the closed entries to the writer, once one of its chunks is free.
  void HandOffClosedEntries();
  void WaitForWriter();
  void WriteHandedEntries();  // on the writer's thread

  const TidyPlan& plan_;
  LineJoiner joiner_;
  // Reused for every file, so that their memory is touched once: the
  // entries being read, and those handed to the writer.
  LineList lines_;
  size_t handedCount_ = 0;
  std::optional<LeftAlone> unwritten_;
  bool lineTooLong_ = false;
  // What the writer's thread uses, on cache lines apart from the reader's:
  // a line shared by the two would move between their caches at every line
  // of text.
  static constexpr size_t kApart = 128;
  // Chunks handed over and not yet written, in turn: the reader waits for
  // the writer only when all are taken.
  static constexpr size_t kHandedChunks = 3;
  alignas(kApart) LineList handed_[kHandedChunks];
  size_t writtenCount_ = 0;
  std::optional<OutputPass> pass_;
  std::optional<LeftAlone> handedUnwritten_;  // until the writer is waited for
  BackgroundWorker writer_;  // last: its thread ends before the rest goes
};

}  // namespace quelvane
