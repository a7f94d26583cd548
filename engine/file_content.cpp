#include "file_content.h"

#include "line_division.h"
#include "text/code_page_936.h"

namespace quelvane {

std::optional<LeftAloneReason> LineListReader::Read(std::string_view bytes, LineList& lines) {
  const EncodingDecision decision = DetectEncoding(bytes);
  if (!decision.encoding) return decision.hasNulByte ? LeftAloneReason::HasNulByte : LeftAloneReason::NotText;
  std::optional<LeftAloneReason> outcome = ReadAs(*decision.encoding, bytes, lines);
  // Bytes that are not all code page 936 may be GB18030: read again. (A
  // line too long may have come before the bytes that tell.)
  const bool mayBeGb18030 = outcome == LeftAloneReason::NotText ||
                            (outcome == LeftAloneReason::LineTooLong && ReadAsCodePage936(bytes) == CodePage936Reading::Invalid);
  if (*decision.encoding == TextEncoding::CodePage936 && mayBeGb18030) {
    lines.Clear();
    outcome = ReadAs(TextEncoding::Gb18030, bytes, lines);
  }
  return outcome;
}

std::optional<LeftAloneReason> LineListReader::ReadAs(TextEncoding encoding, std::string_view bytes, LineList& lines) {
  encoding_ = encoding;
  joiner_.Reset(lines);
  bytes.remove_prefix(EncodingPreamble(encoding).size());
  lines.ReserveForBytes(bytes.size());
  const char* from = bytes.data();
  const char* const end = from + bytes.size();
  while (from < end) {
    // Straight into the list, with room for the rest of the file; only
    // what the line uses is touched.
    char16_t* const decoded = lines.LineRoom(static_cast<size_t>(end - from));
    char16_t* decodedEnd = DecodeLine(encoding, from, end, decoded);
    if (decodedEnd == nullptr) return LeftAloneReason::NotText;
    // `from` is at the CR that ends the line, or at the end of the bytes.
    if (from < end) SkipLineEnd(encoding, from, end);
    const bool isLastLine = from == end;

    std::u16string_view line(decoded, static_cast<size_t>(decodedEnd - decoded));
    line = ApplyWholeLineRules(line, plan_.wholeLineRules);
    switch (plan_.paragraphMode) {
      case ParagraphMode::Keep:
        KeepLine(line, lines);
        break;
      case ParagraphMode::Divide:
        if (!DivideLine(line, plan_.pieceLength, lines)) return LeftAloneReason::LineTooLong;
        break;
      case ParagraphMode::Link:
        joiner_.LinkLine(line, isLastLine, lines);
        break;
    }
  }
  return std::nullopt;
}

std::optional<LeftAlone> WriteFileContent(const LineList& lines, TextEncoding encoding, const OutputOptions& output,
                                          ByteSink& sink) {
  std::string_view preamble = EncodingPreamble(encoding);
  if (!preamble.empty() && !sink.Write(preamble)) return sink.Failure();
  return WriteLineList(lines, output, encoding, sink);
}

}  // namespace quelvane
