#include "file_content.h"

#include "line_division.h"
#include "output_pass.h"

namespace quelvane {

std::optional<LeftAloneReason> FileTidier::Tidy(std::string_view bytes, ByteSink& sink) {
  const EncodingDecision decision =
      DecideEncoding(bytes, [&](TextEncoding encoding) { return Decodes(encoding, bytes); });
  if (!decision.encoding) return decision.hasNulByte ? LeftAloneReason::HasNulByte : LeftAloneReason::NotText;
  return Stream(*decision.encoding, bytes, sink);
}

// Each line is decoded where the stream will decode it, at the start of the
// list's text: only the longest line's room is touched.
bool FileTidier::Decodes(TextEncoding encoding, std::string_view bytes) {
  bytes.remove_prefix(EncodingPreamble(encoding).size());
  lines_.Clear();
  lines_.ReserveForBytes(bytes.size());
  const LineDecoder decodeLine = FormOf(encoding).decodeLine;
  const char* from = bytes.data();
  const char* const end = from + bytes.size();
  while (from < end) {
    if (decodeLine(from, end, lines_.LineRoom(static_cast<size_t>(end - from))) == nullptr) return false;
    if (from < end) SkipLineEnd(encoding, from, end);
  }
  return true;
}

std::optional<LeftAloneReason> FileTidier::Stream(TextEncoding encoding, std::string_view bytes, ByteSink& sink) {
  lines_.Clear();
  joiner_.Reset(lines_);
  const std::string_view preamble = EncodingPreamble(encoding);
  bytes.remove_prefix(preamble.size());
  lines_.ReserveForBytes(bytes.size());
  OutputPass pass(plan_.output, encoding, sink);
  std::optional<LeftAlone> unwritten;
  if (!preamble.empty() && !sink.Write(preamble)) unwritten = sink.Failure();
  // Once writing failed, only a line too long to divide may still change the outcome.
  const auto writeClosedEntries = [&] {
    for (size_t i = 0; i < lines_.count() && !unwritten; ++i) unwritten = pass.Write(lines_[i]);
    lines_.DropClosedEntries();
  };
  const LineDecoder decodeLine = FormOf(encoding).decodeLine;
  const char* from = bytes.data();
  const char* const end = from + bytes.size();
  while (from < end && !(unwritten && plan_.paragraphMode != ParagraphMode::Divide)) {
    // Straight into the list, with room for the rest of the file; only
    // what the line uses is touched.
    char16_t* const decoded = lines_.LineRoom(static_cast<size_t>(end - from));
    char16_t* decodedEnd = decodeLine(from, end, decoded);
    if (decodedEnd == nullptr) return LeftAloneReason::NotText;  // never: the decision went through every line
    // `from` is at the CR that ends the line, or at the end of the bytes.
    if (from < end) SkipLineEnd(encoding, from, end);
    const bool isLastLine = from == end;

    std::u16string_view line(decoded, static_cast<size_t>(decodedEnd - decoded));
    line = ApplyWholeLineRules(line, plan_.wholeLineRules);
    switch (plan_.paragraphMode) {
      case ParagraphMode::Keep:
        KeepLine(line, lines_);
        break;
      case ParagraphMode::Divide:
        if (!DivideLine(line, plan_.pieceLength, lines_)) return LeftAloneReason::LineTooLong;
        break;
      case ParagraphMode::Link:
        joiner_.LinkLine(line, isLastLine, lines_);
        break;
    }
    if (lines_.ClosedLength() >= kChunkUnits || lines_.count() >= kChunkEntries) writeClosedEntries();
  }
  writeClosedEntries();
  if (!unwritten) unwritten = pass.Finish();
  if (unwritten && unwritten->reason == LeftAloneReason::Unencodable) return unwritten->reason;
  return std::nullopt;
}

}  // namespace quelvane
