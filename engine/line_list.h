#pragma once
// The entries of the file in hand, in file order. All entries share one
// buffer so that appending a line costs no allocation of its own: a
// 100 MB file may hold millions of entries.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quelvane {

class LineList {
 public:
  void Clear() {
    text_.clear();
    ends_.clear();
  }
  void Append(std::u16string_view entry) {
    text_.append(entry);
    ends_.push_back(text_.size());
  }
  // Appends `head` immediately followed by `tail` as one entry.
  void Append(std::u16string_view head, std::u16string_view tail) {
    text_.append(head);
    Append(tail);
  }
  void Reserve(size_t codeUnits) { text_.reserve(codeUnits); }

  size_t count() const { return ends_.size(); }
  // Index 0 is the first entry.
  std::u16string_view operator[](size_t index) const {
    size_t begin = index == 0 ? 0 : ends_[index - 1];
    return std::u16string_view(text_).substr(begin, ends_[index] - begin);
  }

 private:
  std::u16string text_;
  std::vector<size_t> ends_;
};

}  // namespace quelvane
