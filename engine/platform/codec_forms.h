#pragma once
// The other forms of a codec, made from its core: a whole text from a line
// decoder (which stops at each CR), and the appending forms used for names,
// settings and tests.

#include <string>
#include <string_view>

namespace quelvane {

using LineDecoder = char16_t* (*)(const char*& bytes, const char* end, char16_t* to);

template <LineDecoder DecodeLine>
char16_t* DecodeAllLines(std::string_view bytes, char16_t* to) {
  const char* from = bytes.data();
  const char* const end = from + bytes.size();
  while ((to = DecodeLine(from, end, to)) != nullptr && from != end) {
    *to++ = u'\r';  // the CR the line decoder stopped at
    ++from;
  }
  return to;
}

// On failure `out` is left as it was.
template <typename Decode>
bool AppendDecoded(std::string_view bytes, std::u16string& out, Decode decode) {
  const size_t start = out.size();
  out.resize(start + bytes.size());  // never more code units than bytes
  const char16_t* end = decode(bytes, out.data() + start);
  out.resize(end ? static_cast<size_t>(end - out.data()) : start);
  return end != nullptr;
}

template <typename Encode>
bool AppendEncoded(std::u16string_view text, std::string& out, size_t maxBytesPerUnit, Encode encode) {
  const size_t start = out.size();
  out.resize(start + maxBytesPerUnit * text.size());
  const char* end = encode(text, out.data() + start);
  out.resize(end ? static_cast<size_t>(end - out.data()) : start);
  return end != nullptr;
}

}  // namespace quelvane
