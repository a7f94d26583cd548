#include "file_content.h"

#include <algorithm>
#include <utility>

#include "line_division.h"
#include "output_pass.h"

namespace quelvane {
namespace {

// A line is decoded into the room the list has when that is at least this
// many code units (or the rest of the file).
constexpr size_t kLeastLineRoom = 1 << 16;

}  // namespace

std::optional<LeftAloneReason> FileTidier::Tidy(std::string_view bytes, ByteSink& sink) {
  bool sinkUsed = false;
  std::optional<TextEncoding> streamed;  // the encoding of the last stream that decoded throughout
  const auto stream = [&](TextEncoding encoding) {
    if (std::exchange(sinkUsed, true)) sink.StartOver();
    const bool decodes = Stream(encoding, bytes, sink);
    streamed = decodes ? std::optional(encoding) : std::nullopt;
    return decodes;
  };
  const EncodingDecision decision = DecideEncoding(bytes, stream);
  if (!decision.encoding) {
    pass_.reset();
    return decision.hasNulByte ? LeftAloneReason::HasNulByte : LeftAloneReason::NotText;
  }
  // Decided without decoding (UTF-8), or after a stream that was not the answer.
  if (streamed != decision.encoding) stream(*decision.encoding);
  return Finish();
}

// Once writing failed, only a line too long to divide may still change the
// outcome; once the outcome is known, the rest is only decoded, for the
// decision.
bool FileTidier::OutcomeKnown() const {
  return lineTooLong_ || (unwritten_ && plan_.paragraphMode != ParagraphMode::Divide);
}

void FileTidier::WriteEntries(LineList& entries, std::optional<LeftAlone>& unwritten) {
  for (size_t i = 0; i < entries.count() && !unwritten; ++i) unwritten = pass_->Write(entries[i]);
  entries.Clear();
}

void FileTidier::WriteHandedEntries() { WriteEntries(handed_[writtenCount_++ % kHandedChunks], handedUnwritten_); }

void FileTidier::WaitForWriter() {
  writer_.Wait();
  if (!unwritten_) unwritten_ = std::exchange(handedUnwritten_, std::nullopt);
}

// What the writer found goes wrong is known once it has written all it
// was given; meanwhile it writes nothing more, and the reader reads on.
// Once writing failed, only divide mode reads on, and its entries are all
// closed: there is nothing to keep.
void FileTidier::HandOffClosedEntries() {
  if (unwritten_) {
    lines_.Clear();
    return;
  }
  writer_.Wait(kHandedChunks - 1);
  LineList& chunk = handed_[handedCount_++ % kHandedChunks];
  std::swap(lines_, chunk);
  lines_.Extend(chunk.OpenEntry());
  chunk.DiscardOpenEntry();
  writer_.Start();
}

bool FileTidier::Stream(TextEncoding encoding, std::string_view bytes, ByteSink& sink) {
  unwritten_.reset();
  handedUnwritten_.reset();
  lineTooLong_ = false;
  const std::string_view preamble = EncodingPreamble(encoding);
  bytes.remove_prefix(preamble.size());
  const size_t units = std::min(bytes.size(), kChunkUnits + 2 * kLeastLineRoom);
  const size_t entries = std::min(bytes.size() / 32, kChunkEntries);
  lines_.Restart(units, entries);
  for (LineList& chunk : handed_) chunk.Restart(units, entries);
  handedCount_ = writtenCount_ = 0;
  joiner_.Reset(lines_);
  pass_.emplace(plan_.output, encoding, sink);
  if (!preamble.empty() && !sink.Write(preamble)) unwritten_ = sink.Failure();
  bool decodes = false;
  try {
    decodes = StreamLines(encoding, bytes);
  } catch (...) {
    writer_.WaitQuietly();  // before the sink goes, with the unwinding
    throw;
  }
  WaitForWriter();
  return decodes;
}

// Straight into the list, with room for as many code units as the line
// has bytes: the room there is, when it is enough for most lines; a line
// that goes on past it is decoded again with room for the rest of the file.
// Only what the line uses is touched.
bool FileTidier::DecodeIntoList(const EncodingForm& form, const char*& from, const char* end,
                                std::u16string_view& line) {
  const LineDecoder decodeLine = form.decodeLine;
  const char* const lineStart = from;
  const auto rest = static_cast<size_t>(end - from);
  const size_t room = lines_.Room() >= std::min(rest, kLeastLineRoom) ? std::min(rest, lines_.Room()) : rest;
  const char* const cut = from + room;
  char16_t* decoded = lines_.LineRoom(room);
  char16_t* decodedEnd = decodeLine(from, cut, decoded);
  if (cut != end && (decodedEnd == nullptr || from == cut)) {
    from = lineStart;
    decoded = lines_.LineRoom(rest);
    decodedEnd = decodeLine(from, end, decoded);
  }
  if (decodedEnd == nullptr) return false;
  // `from` is at the CR that ends the line, or at the end of the bytes.
  if (from < end) SkipLineEnd(form.lineBreak, from, end);
  line = {decoded, static_cast<size_t>(decodedEnd - decoded)};
  return true;
}

bool FileTidier::StreamLines(TextEncoding encoding, std::string_view bytes) {
  const EncodingForm& form = FormOf(encoding);
  const char* from = bytes.data();
  const char* const end = from + bytes.size();
  while (from < end) {
    std::u16string_view line;
    if (!DecodeIntoList(form, from, end, line)) return false;
    if (OutcomeKnown()) continue;
    const bool isLastLine = from == end;

    line = ApplyWholeLineRules(line, plan_.wholeLineRules);
    switch (plan_.paragraphMode) {
      case ParagraphMode::Keep:
        KeepLine(line, lines_);
        break;
      case ParagraphMode::Divide:
        lineTooLong_ = !DivideLine(line, plan_.pieceLength, lines_);
        break;
      case ParagraphMode::Link:
        joiner_.LinkLine(line, isLastLine, lines_);
        break;
    }
    if (lines_.ClosedLength() >= kChunkUnits || lines_.count() >= kChunkEntries) HandOffClosedEntries();
    if (OutcomeKnown()) lines_.Clear();
  }
  return true;
}

std::optional<LeftAloneReason> FileTidier::Finish() {
  if (!lineTooLong_) {
    WriteEntries(lines_, unwritten_);
    if (!unwritten_) unwritten_ = pass_->Finish();
  }
  pass_.reset();  // it refers to the sink, which goes with the file
  if (lineTooLong_) return LeftAloneReason::LineTooLong;
  if (unwritten_ && unwritten_->reason == LeftAloneReason::Unencodable) return unwritten_->reason;
  return std::nullopt;
}

}  // namespace quelvane
