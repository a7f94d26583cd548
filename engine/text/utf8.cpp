#include "utf8.h"

#include "text.h"

namespace quelvane {
namespace {

constexpr char32_t kInvalid = 0xFFFFFFFF;

// Decodes the sequence starting at `from`; returns the code point and moves
// `from` past it, or kInvalid for an ill-formed sequence.
char32_t NextCodePoint(const unsigned char*& from, const unsigned char* end) {
  unsigned b0 = *from++;
  if (b0 < 0x80) return b0;
  int length;
  char32_t c;
  char32_t minimum;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 1, c = b0 & 0x1F, minimum = 0x80;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 2, c = b0 & 0x0F, minimum = 0x800;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 3, c = b0 & 0x07, minimum = 0x10000;
  } else {
    return kInvalid;
  }
  if (end - from < length) return kInvalid;
  for (int k = 0; k < length; ++k) {
    unsigned b = *from++;
    if ((b & 0xC0) != 0x80) return kInvalid;
    c = c << 6 | (b & 0x3F);
  }
  if (c < minimum || c > 0x10FFFF || IsSurrogate(c)) return kInvalid;
  return c;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  const auto* from = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* end = from + bytes.size();
  while (from < end) {
    if (*from < 0x80) {
      ++from;
      continue;
    }
    if (NextCodePoint(from, end) == kInvalid) return false;
  }
  return true;
}

char16_t* DecodeUtf8Line(const char*& bytes, const char* end, char16_t* to) {
  const auto* from = reinterpret_cast<const unsigned char*>(bytes);
  const auto* stop = reinterpret_cast<const unsigned char*>(end);
  while (from < stop) {
    if (*from < 0x80) {
      if (*from == '\r') break;  // never inside a sequence
      *to++ = *from++;
      continue;
    }
    const char32_t c = NextCodePoint(from, stop);
    if (c == kInvalid) return nullptr;
    to = PutCodePoint(c, to);
  }
  bytes = reinterpret_cast<const char*>(from);
  return to;
}

char* EncodeUtf8(std::u16string_view text, char* to) {
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c < 0x80) {
      *to++ = static_cast<char>(c);
      continue;
    }
    if (IsSurrogate(c)) {
      if (!IsSurrogatePair(text, i)) return nullptr;
      c = CombineSurrogates(c, text[++i]);
    }
    if (c < 0x800) {
      *to++ = static_cast<char>(0xC0 | c >> 6);
      *to++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      *to++ = static_cast<char>(0xE0 | c >> 12);
      *to++ = static_cast<char>(0x80 | (c >> 6 & 0x3F));
      *to++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
      *to++ = static_cast<char>(0xF0 | c >> 18);
      *to++ = static_cast<char>(0x80 | (c >> 12 & 0x3F));
      *to++ = static_cast<char>(0x80 | (c >> 6 & 0x3F));
      *to++ = static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return to;
}

// Names and messages.
std::string Utf16ToUtf8(std::u16string_view utf16) {
  std::string out(3 * utf16.size(), '\0');
  char* to = EncodeUtf8(utf16, out.data());
  if (to == nullptr) {
    to = out.data();
    for (size_t i = 0; i < utf16.size(); ++i) {
      // Shown to people only: an unpaired surrogate becomes U+FFFD.
      const size_t pairLength = IsSurrogatePair(utf16, i) ? 2 : 1;
      char* const end = EncodeUtf8(utf16.substr(i, pairLength), to);
      to = end != nullptr ? end : EncodeUtf8(u"\uFFFD", to);
      i += pairLength - 1;
    }
  }
  out.resize(static_cast<size_t>(to - out.data()));
  return out;
}

}  // namespace quelvane
