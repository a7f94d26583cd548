#pragma once
// The entries of the file in hand, in file order. All entries share one
// buffer so that appending a line costs no allocation of its own: a
// 100 MB file may hold millions of entries.
//
// The last entry may be left open and extended piece by piece: line joining
// keeps its pending paragraph there, so a long paragraph is never copied.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/memory_advice.h"

namespace quelvane {

class LineList {
 public:
  void Clear() {
    text_.clear();
    ends_.clear();
  }
  // Makes room for a file of `bytes` bytes. Untouched capacity costs only
  // address space, so the text is given the most it can need.
  void ReserveForBytes(size_t bytes) {
    text_.reserve(bytes);
    ends_.reserve(bytes / 32);
    AdviseHugePages(text_.data(), text_.capacity() * sizeof(char16_t));
    AdviseHugePages(ends_.data(), ends_.capacity() * sizeof(size_t));
  }

  void Append(std::u16string_view entry) {
    text_.append(entry);
    CloseEntry();
  }

  // The open entry: text appended after the last closed entry.
  void Extend(std::u16string_view piece) { text_.append(piece); }
  std::u16string_view OpenEntry() const { return std::u16string_view(text_).substr(ClosedLength()); }
  void CloseEntry() { ends_.push_back(text_.size()); }
  void DiscardOpenEntry() { text_.resize(ClosedLength()); }

  size_t count() const { return ends_.size(); }
  // Index 0 is the first entry.
  std::u16string_view operator[](size_t index) const {
    const size_t begin = index == 0 ? 0 : ends_[index - 1];
    return std::u16string_view(text_).substr(begin, ends_[index] - begin);
  }

 private:
  size_t ClosedLength() const { return ends_.empty() ? 0 : ends_.back(); }

  std::u16string text_;
  std::vector<size_t> ends_;
};

}  // namespace quelvane
