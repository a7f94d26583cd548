#pragma once
// Small helpers over UTF-16 text. "Space" is U+0020 only: tabs and the
// ideographic space U+3000 are ordinary characters everywhere in a run.

#include <string>
#include <string_view>

namespace quelvane {

inline constexpr char16_t kSpace = u' ';

inline std::u16string_view TrimLeadingSpaces(std::u16string_view text) {
  size_t first = 0;
  while (first < text.size() && text[first] == kSpace) ++first;
  return text.substr(first);
}

inline std::u16string_view TrimTrailingSpaces(std::u16string_view text) {
  size_t end = text.size();
  while (end > 0 && text[end - 1] == kSpace) --end;
  return text.substr(0, end);
}

inline std::u16string_view TrimSpaces(std::u16string_view text) {
  return TrimTrailingSpaces(TrimLeadingSpaces(text));
}

inline bool IsOnlySpaces(std::u16string_view text) {
  return text.find_first_not_of(kSpace) == std::u16string_view::npos;
}

// UTF-8 <-> UTF-16 for names, messages and settings files: text that is
// known to be well formed. Ill-formed input is reported, never guessed at.
bool Utf8ToUtf16(std::string_view utf8, std::u16string& out);
std::string Utf16ToUtf8(std::u16string_view utf16);

}  // namespace quelvane
