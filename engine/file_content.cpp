#include "file_content.h"

#include <utility>

#include "line_division.h"
#include "output_pass.h"

namespace quelvane {

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

void FileTidier::WriteClosedEntries() {
  for (size_t i = 0; i < lines_.count() && !unwritten_; ++i) unwritten_ = pass_->Write(lines_[i]);
  lines_.DropClosedEntries();
}

bool FileTidier::Stream(TextEncoding encoding, std::string_view bytes, ByteSink& sink) {
  lines_.Clear();
  joiner_.Reset(lines_);
  unwritten_.reset();
  lineTooLong_ = false;
  const std::string_view preamble = EncodingPreamble(encoding);
  bytes.remove_prefix(preamble.size());
  lines_.ReserveForBytes(bytes.size());
  pass_.emplace(plan_.output, encoding, sink);
  if (!preamble.empty() && !sink.Write(preamble)) unwritten_ = sink.Failure();
  const LineDecoder decodeLine = FormOf(encoding).decodeLine;
  const std::string_view lineBreak = FormOf(encoding).lineBreak;
  const char* from = bytes.data();
  const char* const end = from + bytes.size();
  while (from < end) {
    // Straight into the list, with room for the rest of the file; only
    // what the line uses is touched.
    char16_t* const decoded = lines_.LineRoom(static_cast<size_t>(end - from));
    char16_t* decodedEnd = decodeLine(from, end, decoded);
    if (decodedEnd == nullptr) return false;
    // `from` is at the CR that ends the line, or at the end of the bytes.
    if (from < end) SkipLineEnd(lineBreak, from, end);
    if (OutcomeKnown()) continue;
    const bool isLastLine = from == end;

    std::u16string_view line(decoded, static_cast<size_t>(decodedEnd - decoded));
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
    if (lines_.ClosedLength() >= kChunkUnits || lines_.count() >= kChunkEntries) WriteClosedEntries();
    if (OutcomeKnown()) lines_.Clear();
  }
  return true;
}

std::optional<LeftAloneReason> FileTidier::Finish() {
  if (!lineTooLong_) {
    WriteClosedEntries();
    if (!unwritten_) unwritten_ = pass_->Finish();
  }
  pass_.reset();  // it refers to the sink, which goes with the file
  if (lineTooLong_) return LeftAloneReason::LineTooLong;
  if (unwritten_ && unwritten_->reason == LeftAloneReason::Unencodable) return unwritten_->reason;
  return std::nullopt;
}

}  // namespace quelvane
