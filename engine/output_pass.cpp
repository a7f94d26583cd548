#include "output_pass.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "text/case_fold.h"
#include "text/text.h"
#include "text/raw_buffer.h"

namespace quelvane {

namespace {

constexpr size_t kBlockSize = 1 << 18;
// The longest text encoded into one block at a time.
constexpr size_t kPieceUnits = kBlockSize / kMaxBytesPerUnit;

}  // namespace

// Encodes lines into a block of memory and hands the block on when full.
class LineWriter {
 public:
  LineWriter(const OutputOptions& options, TextEncoding encoding, ByteSink& sink)
      : encoding_(encoding),
        lineBreak_(EncodedLineBreak(encoding)),
        sink_(sink),
        headToAdd_(Encoded(options.headToAdd)),
        tailToAdd_(Encoded(options.tailToAdd)) {}

  // Writes head + line + tail + CR LF, or only the line + CR LF.
  std::optional<LeftAlone> Write(std::u16string_view line, bool withAdditions) {
    if (withAdditions && (!headToAdd_ || !tailToAdd_)) return LeftAlone{LeftAloneReason::Unencodable};
    const size_t additions = withAdditions ? headToAdd_->size() + tailToAdd_->size() : 0;
    // A line too long for one block is encoded a block at a time, so it
    // never needs room for its whole encoded form.
    if (line.size() > kPieceUnits) {
      if (withAdditions && !Put(*headToAdd_)) return sink_.Failure();
      if (std::optional<LeftAlone> failure = Text(line)) return failure;
      return EndLine(withAdditions);
    }
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

  // A line given in pieces, with the additions: `forEachPiece` hands each
  // piece to its argument in order. The first `skip` units are left out,
  // and only `count` after them are written.
  template <typename ForEachPiece>
  std::optional<LeftAlone> WritePieces(const ForEachPiece& forEachPiece, size_t skip, size_t count) {
    if (!headToAdd_ || !tailToAdd_) return LeftAlone{LeftAloneReason::Unencodable};
    if (!Put(*headToAdd_)) return sink_.Failure();
    std::optional<LeftAlone> failure;
    forEachPiece([&](std::u16string_view piece) {
      const size_t skipped = std::min(skip, piece.size());
      skip -= skipped;
      piece = piece.substr(skipped, count);
      count -= piece.size();
      if (!failure) failure = Text(piece);
    });
    if (failure) return failure;
    return EndLine(true);
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

  // Part of a line, a block at a time. No block ends between the two halves
  // of a surrogate pair: a high half at the end of the text waits for what
  // follows it.
  std::optional<LeftAlone> Text(std::u16string_view text) {
    if (text.empty()) return std::nullopt;
    if (pendingHigh_) {
      const char16_t pair[2] = {*std::exchange(pendingHigh_, std::nullopt), text.front()};
      const size_t units = IsLowSurrogate(text.front()) ? 2 : 1;
      if (std::optional<LeftAlone> failure = Encode({pair, units})) return failure;
      text.remove_prefix(units - 1);
    }
    if (!text.empty() && IsHighSurrogate(text.back())) {
      pendingHigh_ = text.back();
      text.remove_suffix(1);
    }
    while (!text.empty()) {
      size_t units = std::min(text.size(), kPieceUnits);
      if (units < text.size() && IsHighSurrogate(text[units - 1])) --units;
      if (std::optional<LeftAlone> failure = Encode(text.substr(0, units))) return failure;
      text.remove_prefix(units);
    }
    return std::nullopt;
  }
  std::optional<LeftAlone> EndLine(bool withAdditions) {
    if (pendingHigh_) {
      const char16_t high = *std::exchange(pendingHigh_, std::nullopt);
      if (std::optional<LeftAlone> failure = Encode({&high, 1})) return failure;
    }
    if (withAdditions && !Put(*tailToAdd_)) return sink_.Failure();
    if (!Put(lineBreak_)) return sink_.Failure();
    return std::nullopt;
  }
  std::optional<LeftAlone> Encode(std::u16string_view text) {
    char* to = Room(kMaxBytesPerUnit * text.size());
    if (to == nullptr) return sink_.Failure();
    to = EncodeText(encoding_, text, to);
    if (to == nullptr) return LeftAlone{LeftAloneReason::Unencodable};
    used_ = static_cast<size_t>(to - block_.data());
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
  std::optional<char16_t> pendingHigh_;
};

OutputPass::OutputPass(const OutputOptions& options, TextEncoding encoding, ByteSink& sink)
    : options_(options),
      writer_(std::make_unique<LineWriter>(options, encoding, sink)),
      search_(options.find),
      additionsAreBlank_(IsBlankLine(options.headToAdd) && IsBlankLine(options.tailToAdd)) {}

OutputPass::~OutputPass() = default;

std::optional<LeftAlone> OutputPass::Write(std::u16string_view line) {
  if (!options_.find.empty()) {
    if (const size_t at = search_.Find(line); at != std::u16string_view::npos) return WriteReplaced(line, at);
  }
  // Removal comes before addition, so both act on the line as the file had it.
  if (!options_.headToRemove.empty() && StartsWithIgnoringCase(line, options_.headToRemove)) {
    line.remove_prefix(options_.headToRemove.size());
  }
  if (!options_.tailToRemove.empty() && EndsWithIgnoringCase(line, options_.tailToRemove)) {
    line.remove_suffix(options_.tailToRemove.size());
  }
  // The added texts are part of the line: blank only if all three pieces are.
  bool separatorFirst = false;
  if (!Keeps(additionsAreBlank_ && IsBlankLine(line), separatorFirst)) return std::nullopt;
  if (separatorFirst) {
    if (std::optional<LeftAlone> failure = writer_->Write(u"", false)) return failure;
  }
  return writer_->Write(line, true);
}

// Find-and-replace: non-overlapping matches, left to right, the inserted
// text not searched again. The new line is never built: a line of 100 MB
// would need as much again. A first walk over its pieces tells what the
// removals and the blank-line mode need, a second one writes them.
std::optional<LeftAlone> OutputPass::WriteReplaced(std::u16string_view line, size_t firstMatch) {
  const auto forEachPiece = [&](auto&& take) {
    size_t from = 0;
    for (size_t at = firstMatch; at != std::u16string_view::npos; at = search_.Find(line, from)) {
      take(line.substr(from, at - from));
      take(std::u16string_view(options_.replacement));
      from = at + options_.find.size();
    }
    take(line.substr(from));
  };
  const size_t headLength = options_.headToRemove.size(), tailLength = options_.tailToRemove.size();
  std::u16string head, tail;  // the new line's first and last units, as many as the removals look at
  size_t size = 0;
  size_t firstNonSpace = std::u16string_view::npos, firstNonSpaceAfterHead = std::u16string_view::npos;
  forEachPiece([&](std::u16string_view piece) {
    if (head.size() < headLength) head.append(piece.substr(0, headLength - head.size()));
    if (tailLength != 0) {
      tail.append(piece.substr(piece.size() - std::min(piece.size(), tailLength)));
      if (tail.size() > tailLength) tail.erase(0, tail.size() - tailLength);
    }
    if (firstNonSpaceAfterHead == std::u16string_view::npos) {
      for (size_t at = piece.find_first_not_of(u' '); at != std::u16string_view::npos;
           at = piece.find_first_not_of(u' ', at + 1)) {
        if (firstNonSpace == std::u16string_view::npos) firstNonSpace = size + at;
        if (size + at >= headLength) {
          firstNonSpaceAfterHead = size + at;
          break;
        }
      }
    }
    size += piece.size();
  });
  const bool removeHead = headLength != 0 && StartsWithIgnoringCase(head, options_.headToRemove);
  const size_t skip = removeHead ? headLength : 0;
  // The tail looked for is that of the line left by the head's removal.
  const bool removeTail =
      tailLength != 0 && size - skip >= tailLength && EndsWithIgnoringCase(tail, options_.tailToRemove);
  const size_t kept = size - skip - (removeTail ? tailLength : 0);
  const size_t firstKeptNonSpace = removeHead ? firstNonSpaceAfterHead : firstNonSpace;
  const bool blank = additionsAreBlank_ && (firstKeptNonSpace == std::u16string_view::npos ||
                                            firstKeptNonSpace >= skip + kept);

  bool separatorFirst = false;
  if (!Keeps(blank, separatorFirst)) return std::nullopt;
  if (separatorFirst) {
    if (std::optional<LeftAlone> failure = writer_->Write(u"", false)) return failure;
  }
  return writer_->WritePieces(forEachPiece, skip, kept);
}

bool OutputPass::Keeps(bool blank, bool& separatorFirst) {
  const bool first = std::exchange(first_, false);
  switch (options_.blankLines) {
    case BlankLineMode::Keep:
      return true;
    case BlankLineMode::Delete:
      return !blank;
    case BlankLineMode::OneBetween: {
      const bool lastWrittenBlank = std::exchange(lastWrittenBlank_, blank);
      if (first) return true;
      if (lastWrittenBlank) return !blank;
      separatorFirst = !blank;
      return true;
    }
  }
  return true;
}

std::optional<LeftAlone> OutputPass::Finish() { return writer_->Flush(); }

}  // namespace quelvane
