#include "output_pass.h"

#include <algorithm>
#include <optional>

#include "text/case_fold.h"
#include "text/text.h"
#include "text/text_search.h"
#include "text/raw_buffer.h"

namespace quelvane {

namespace {

constexpr size_t kBlockSize = 1 << 20;
// The longest text encoded into one block at a time.
constexpr size_t kPieceUnits = kBlockSize / kMaxBytesPerUnit;

// Non-overlapping, left to right; the inserted text is not searched again.
std::u16string_view ReplaceAll(std::u16string_view line, std::u16string_view find,
                               std::u16string_view replacement, std::u16string& scratch) {
  if (find.empty()) return line;
  TextSearch search(find);
  size_t at = search.Find(line);
  if (at == std::u16string_view::npos) return line;
  scratch.clear();
  size_t from = 0;
  for (; at != std::u16string_view::npos; at = search.Find(line, from)) {
    scratch.append(line.substr(from, at - from));
    scratch.append(replacement);
    from = at + find.size();
  }
  scratch.append(line.substr(from));
  return scratch;
}

// Encodes lines into a block of memory and hands the block on when full.
class LineWriter {
 public:
  LineWriter(const OutputOptions& options, TextEncoding encoding, ByteSink& sink)
      : encoding_(encoding), lineBreak_(EncodedLineBreak(encoding)), sink_(sink), headToAdd_(Encoded(options.headToAdd)), tailToAdd_(Encoded(options.tailToAdd)) {}

  // Writes head + line + tail + CR LF, or only the line + CR LF.
  std::optional<LeftAlone> Write(std::u16string_view line, bool withAdditions) {
    if (withAdditions && (!headToAdd_ || !tailToAdd_)) return LeftAlone{LeftAloneReason::Unencodable};
    const size_t additions = withAdditions ? headToAdd_->size() + tailToAdd_->size() : 0;
    if (line.size() > kPieceUnits) return WriteInPieces(line, withAdditions);
    char* to = Room(kMaxBytesPerUnit * line.size() + lineBreak_.size() + additions);
    if (to == nullptr) return sink_.Failure();
    if (withAdditions) to = Copy(*headToAdd_, to);
    to = EncodeText(encoding_, line, to);
    if (to == nullptr) return LeftAlone{LeftAloneReason::Unencodable};
    if (withAdditions) to = Copy(*tailToAdd_, to);
    to = Copy(lineBreak_, to);
    used_ = static_cast<size_t>(to - block_.data());
    return std::nullopt;
  }

  std::optional<LeftAlone> Flush() {
    const bool written = used_ == 0 || sink_.Write(std::string_view(block_.data(), used_));
    used_ = 0;
    if (!written) return sink_.Failure();
    return std::nullopt;
  }

 private:
  std::optional<std::string> Encoded(std::u16string_view text) const {
    std::string bytes(kMaxBytesPerUnit * text.size(), '\0');
    char* end = EncodeText(encoding_, text, bytes.data());
    if (end == nullptr) return std::nullopt;
    bytes.resize(static_cast<size_t>(end - bytes.data()));
    return bytes;
  }
  // Room for `bytes` more in the block, the full block handed on first;
  // nullptr when the sink fails.
  char* Room(size_t bytes) {
    if (used_ + bytes > block_.capacity() || block_.data() == nullptr) {
      if (Flush()) return nullptr;
      block_.Uninitialized(std::max(kBlockSize, bytes));
    }
    return block_.data() + used_;
  }

  // A line too long for one block is encoded a block at a time, so it never
  // needs room for its whole encoded form. A piece never ends between the
  // two halves of a surrogate pair.
  std::optional<LeftAlone> WriteInPieces(std::u16string_view line, bool withAdditions) {
    if (withAdditions && !Put(*headToAdd_)) return sink_.Failure();
    while (!line.empty()) {
      size_t units = std::min(line.size(), kPieceUnits);
      if (units < line.size() && IsHighSurrogate(line[units - 1])) --units;
      char* to = Room(kMaxBytesPerUnit * units);
      if (to == nullptr) return sink_.Failure();
      to = EncodeText(encoding_, line.substr(0, units), to);
      if (to == nullptr) return LeftAlone{LeftAloneReason::Unencodable};
      used_ = static_cast<size_t>(to - block_.data());
      line.remove_prefix(units);
    }
    if (withAdditions && !Put(*tailToAdd_)) return sink_.Failure();
    if (!Put(lineBreak_)) return sink_.Failure();
    return std::nullopt;
  }
  bool Put(std::string_view bytes) {
    char* to = Room(bytes.size());
    if (to == nullptr) return false;
    used_ = static_cast<size_t>(Copy(bytes, to) - block_.data());
    return true;
  }
  static char* Copy(std::string_view bytes, char* to) { return std::copy(bytes.begin(), bytes.end(), to); }

  TextEncoding encoding_;
  std::string_view lineBreak_;
  ByteSink& sink_;
  std::optional<std::string> headToAdd_, tailToAdd_;
  RawBuffer<char> block_;
  size_t used_ = 0;
};

}  // namespace

std::optional<LeftAlone> WriteLineList(const LineList& lines, const OutputOptions& options, TextEncoding encoding,
                                       ByteSink& sink) {
  LineWriter writer(options, encoding, sink);
  std::u16string scratch;
  const bool additionsAreBlank = IsBlankLine(options.headToAdd) && IsBlankLine(options.tailToAdd);
  bool lastWrittenBlank = false;
  for (size_t i = 0; i < lines.count(); ++i) {
    std::u16string_view line = ReplaceAll(lines[i], options.find, options.replacement, scratch);
    // Removal comes before addition, so both act on the line as the file had it.
    if (!options.headToRemove.empty() && StartsWithIgnoringCase(line, options.headToRemove)) {
      line.remove_prefix(options.headToRemove.size());
    }
    if (!options.tailToRemove.empty() && EndsWithIgnoringCase(line, options.tailToRemove)) {
      line.remove_suffix(options.tailToRemove.size());
    }
    // The added texts are part of the line: blank only if all three pieces are.
    const bool blank = additionsAreBlank && IsBlankLine(line);

    bool write = true;
    bool separatorFirst = false;
    switch (options.blankLines) {
      case BlankLineMode::Keep:
        break;
      case BlankLineMode::Delete:
        write = !blank;
        break;
      case BlankLineMode::OneBetween:
        if (i == 0) {
          lastWrittenBlank = blank;
        } else if (lastWrittenBlank) {
          write = !blank;
          lastWrittenBlank = blank;
        } else {
          separatorFirst = !blank;
          lastWrittenBlank = blank;
        }
        break;
    }
    if (separatorFirst) {
      if (std::optional<LeftAlone> failure = writer.Write(u"", false)) return failure;
    }
    if (write) {
      if (std::optional<LeftAlone> failure = writer.Write(line, true)) return failure;
    }
  }
  return writer.Flush();
}

}  // namespace quelvane
