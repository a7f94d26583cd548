#pragma once
// The entries of the file in hand not yet written, in file order. All
// entries share one buffer so that appending a line costs no allocation of
// its own: a chunk may hold tens of thousands of entries.
//
// The last entry may be left open and extended piece by piece: line joining
// keeps its pending paragraph there, so a long paragraph is never copied.
// A line is decoded straight into the room after the text (LineRoom), so
// that appending it from there moves nothing.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/raw_buffer.h"

namespace quelvane {

class LineList {
 public:
  // Where an entry's end no longer fits 32 bits. Smaller only in tests.
  static constexpr size_t kNarrowEndLimit = UINT32_MAX;
  explicit LineList(size_t narrowEndLimit = kNarrowEndLimit) : narrowEndLimit_(narrowEndLimit) {}

  void Clear() {
    size_ = 0;
    narrowEnds_.clear();
    wideEnds_.clear();
  }
  // Empties the list and makes room for `units` code units and `entries`
  // entries: what a chunk of the next file needs. Untouched capacity costs
  // only address space. First hands back what a much larger file left.
  void Restart(size_t units, size_t entries) {
    Clear();
    text_.Uninitialized(units);
    if (narrowEnds_.capacity() > 4 * entries && narrowEnds_.capacity() * sizeof(uint32_t) >= kKeptBytes) {
      std::vector<uint32_t>().swap(narrowEnds_);
    }
    narrowEnds_.reserve(entries);
  }

  // The code units there is room for after the text without growing.
  size_t Room() const { return text_.capacity() - size_; }
  // Room for `count` code units after the text, for a line to be decoded
  // there and then appended or extended from there: pieces of it are taken
  // in order, so each is already where it belongs or moves only forward.
  // The only views into the list's own text that Append and Extend take.
  char16_t* LineRoom(size_t count) {
    if (text_.capacity() - size_ < count) text_.Grow(std::max(2 * text_.capacity(), size_ + count), size_);
    return text_.data() + size_;
  }

  void Append(std::u16string_view entry) {
    Extend(entry);
    CloseEntry();
  }

  // The open entry: text appended after the last closed entry.
  void Extend(std::u16string_view piece) {
    // A piece decoded into LineRoom fits already; other text may need room.
    char16_t* to = LineRoom(piece.size());
    if (!piece.empty() && piece.data() != to) std::char_traits<char16_t>::move(to, piece.data(), piece.size());
    size_ += piece.size();
  }
  std::u16string_view OpenEntry() const { return Text().substr(ClosedLength()); }
  void CloseEntry() {
    if (wideEnds_.empty() && size_ <= narrowEndLimit_) {
      narrowEnds_.push_back(static_cast<uint32_t>(size_));
    } else {
      wideEnds_.push_back(size_);
    }
  }
  void DiscardOpenEntry() { size_ = ClosedLength(); }
  // The code units of the closed entries.
  size_t ClosedLength() const { return count() == 0 ? 0 : End(count() - 1); }

  size_t count() const { return narrowEnds_.size() + wideEnds_.size(); }
  // Index 0 is the first entry.
  std::u16string_view operator[](size_t index) const {
    const size_t begin = index == 0 ? 0 : End(index - 1);
    return Text().substr(begin, End(index) - begin);
  }

 private:
  // Ends below this many bytes are kept for the next file, whatever its size.
  static constexpr size_t kKeptBytes = 64 << 20;

  std::u16string_view Text() const { return {text_.data(), size_}; }
  // Entries ending within the limit keep their end in 32 bits, the rest
  // (only in a text of over 4 G code units) in full.
  size_t End(size_t index) const {
    return index < narrowEnds_.size() ? narrowEnds_[index] : wideEnds_[index - narrowEnds_.size()];
  }

  size_t narrowEndLimit_;
  RawBuffer<char16_t> text_;
  size_t size_ = 0;
  std::vector<uint32_t> narrowEnds_;
  std::vector<size_t> wideEnds_;
};

}  // namespace quelvane
