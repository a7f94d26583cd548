// libFuzzer target: one file's whole trip through the engine, from hostile
// bytes. An input is a settings file as the headless driver reads it, a NUL
// byte, then the file's bytes; without a NUL it is the file alone.
//
// Besides what the sanitizers find, it checks what a user counts on:
// - with nothing to do but rewrite line ends, the text comes back byte for
//   byte in the encoding decided for it, Big5 included (decoding and
//   encoding lose nothing);
// - a file is refused as not text exactly when the decision says so, and a
//   decided encoding really decodes the file;
// - whatever the settings, the new bytes are valid in the file's own
//   encoding, keep its byte-order mark and end every line with CR LF.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "text/text_encoding.h"
#include "settings_file.h"
#include "tidy_bytes.h"
#include "tidy_plan.h"

namespace quelvane {
namespace {

void Check(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "broken: %s\n", what);
  std::abort();
}

bool Decodes(TextEncoding encoding, std::string_view bytes) {
  std::u16string text;
  return Decode(bytes, encoding, text);
}

// The decision, checked against what it claims: the file decodes in it.
std::optional<TextEncoding> FileEncoding(std::string_view bytes) {
  const std::optional<TextEncoding> decided = DecideEncoding(bytes).encoding;
  Check(!decided || Decodes(*decided, bytes.substr(EncodingPreamble(*decided).size())),
        "decided on an encoding the file is not in");
  return decided;
}

// What keep mode with no edits writes: every line end CR LF (as code units
// of the encoding), including one after a last line that had none.
std::string WithCrLf(std::string_view bytes, TextEncoding encoding) {
  const std::string_view lineBreak = EncodedLineBreak(encoding);
  const size_t width = lineBreak.size() / 2;
  const std::string_view cr = lineBreak.substr(0, width), lf = lineBreak.substr(width);
  std::string out;
  for (size_t i = 0; i < bytes.size(); i += width) {
    const std::string_view unit = bytes.substr(i, width);
    if (unit != cr) {
      out += unit;
      continue;
    }
    out += lineBreak;
    if (bytes.substr(i + width, width) == lf) i += width;
  }
  if (!out.empty() && !out.ends_with(lineBreak)) out += lineBreak;
  return out;
}

void CheckLossless(std::string_view bytes) {
  static const TidyPlan kNothingButLineEnds = std::get<TidyPlan>(CheckSettings(TidySettings{}, 1));
  std::string out;
  const std::optional<LeftAloneReason> outcome = TidyBytes(bytes, kNothingButLineEnds, out);
  const std::optional<TextEncoding> encoding = FileEncoding(bytes);
  if (outcome == LeftAloneReason::HasNulByte) {
    Check(!encoding && bytes.find('\0') != std::string_view::npos, "refused for a NUL byte it does not have");
    return;
  }
  if (outcome == LeftAloneReason::NotText) {
    Check(!encoding, "text of a decided encoding was refused");
    return;
  }
  Check(!outcome && encoding.has_value(), "keep mode failed on text");
  const std::string_view preamble = EncodingPreamble(*encoding);
  Check(out == std::string(preamble) + WithCrLf(bytes.substr(preamble.size()), *encoding), "text changed in keep mode");
}

void CheckTidied(std::string_view bytes, const TidyPlan& plan) {
  std::string out;
  const std::optional<LeftAloneReason> outcome = TidyBytes(bytes, plan, out);
  Check(outcome != LeftAloneReason::LineTooLong || plan.paragraphMode == ParagraphMode::Divide,
        "a line too long outside divide mode");
  if (outcome) return;
  const TextEncoding encoding = *FileEncoding(bytes);
  const std::string_view preamble = EncodingPreamble(encoding);
  std::string_view body = out;
  Check(body.starts_with(preamble), "byte-order mark lost");
  body.remove_prefix(preamble.size());
  Check(body.empty() || body.ends_with(EncodedLineBreak(encoding)), "last line without CR LF");
  Check(Decodes(encoding, body), "new bytes invalid in the file's encoding");
}

}  // namespace
}  // namespace quelvane

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quelvane;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t nul = input.find('\0');
  const std::string_view bytes = nul == std::string_view::npos ? input : input.substr(nul + 1);
  CheckLossless(bytes);

  if (nul == std::string_view::npos) return 0;
  TidySettings settings;
  std::string error;
  if (!ParseSettingsFile(input.substr(0, nul), settings, error)) return 0;
  const std::variant<TidyPlan, SettingsRejection> checked = CheckSettings(settings, 1);
  if (const TidyPlan* plan = std::get_if<TidyPlan>(&checked)) CheckTidied(bytes, *plan);
  return 0;
}
