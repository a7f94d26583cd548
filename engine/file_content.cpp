#include "file_content.h"

#include <optional>

#include "line_division.h"

namespace quelvane {

std::optional<LeftAloneReason> LineListReader::Read(std::string_view bytes, LineList& lines) {
  std::optional<TextEncoding> read;  // what `lines` hold
  std::optional<LeftAloneReason> outcome;
  const auto decodes = [&](TextEncoding encoding) {
    outcome = ReadAs(encoding, bytes, lines);
    read = outcome != LeftAloneReason::NotText ? std::optional(encoding) : std::nullopt;
    return read.has_value();
  };
  const EncodingDecision decision = DecideEncoding(bytes, decodes);
  if (!decision.encoding) return decision.hasNulByte ? LeftAloneReason::HasNulByte : LeftAloneReason::NotText;
  // Where the rules decided without decoding (UTF-8), the reading is left to here.
  if (read != decision.encoding) decodes(*decision.encoding);
  return outcome;
}

// NotText as soon as a line does not decode; LineTooLong only once the whole
// file has proved to be in `encoding`, since the decision goes by that.
std::optional<LeftAloneReason> LineListReader::ReadAs(TextEncoding encoding, std::string_view bytes, LineList& lines) {
  encoding_ = encoding;
  lines.Clear();
  joiner_.Reset(lines);
  bytes.remove_prefix(EncodingPreamble(encoding).size());
  lines.ReserveForBytes(bytes.size());
  const LineDecoder decodeLine = FormOf(encoding).decodeLine;
  const char* from = bytes.data();
  const char* const end = from + bytes.size();
  bool lineTooLong = false;
  while (from < end) {
    // Straight into the list, with room for the rest of the file; only
    // what the line uses is touched.
    char16_t* const decoded = lines.LineRoom(static_cast<size_t>(end - from));
    char16_t* decodedEnd = decodeLine(from, end, decoded);
    if (decodedEnd == nullptr) return LeftAloneReason::NotText;
    // `from` is at the CR that ends the line, or at the end of the bytes.
    if (from < end) SkipLineEnd(encoding, from, end);
    const bool isLastLine = from == end;
    if (lineTooLong) continue;

    std::u16string_view line(decoded, static_cast<size_t>(decodedEnd - decoded));
    line = ApplyWholeLineRules(line, plan_.wholeLineRules);
    switch (plan_.paragraphMode) {
      case ParagraphMode::Keep:
        KeepLine(line, lines);
        break;
      case ParagraphMode::Divide:
        lineTooLong = !DivideLine(line, plan_.pieceLength, lines);
        break;
      case ParagraphMode::Link:
        joiner_.LinkLine(line, isLastLine, lines);
        break;
    }
  }
  if (lineTooLong) return LeftAloneReason::LineTooLong;
  return std::nullopt;
}

std::optional<LeftAlone> WriteFileContent(const LineList& lines, TextEncoding encoding, const OutputOptions& output,
                                          ByteSink& sink) {
  std::string_view preamble = EncodingPreamble(encoding);
  if (!preamble.empty() && !sink.Write(preamble)) return sink.Failure();
  return WriteLineList(lines, output, encoding, sink);
}

}  // namespace quelvane
