#pragma once
// Small helpers over UTF-16 text. "Space" is U+0020 only: tabs and the
// ideographic space U+3000 are ordinary characters everywhere in a run.

#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
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

// UTF-16's surrogates: a code point beyond U+FFFF is a high one and a low one.
inline bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
inline bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
inline bool IsSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDFFF; }
inline bool IsSurrogatePair(std::u16string_view text, size_t i) {
  return IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]);
}
inline char32_t CombineSurrogates(char32_t high, char32_t low) {
  return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
}

// The code point at `i`, moving `i` past it; an unpaired surrogate stands
// for itself.
inline char32_t NextCodePoint(std::u16string_view text, size_t& i) {
  if (IsSurrogatePair(text, i)) {
    i += 2;
    return CombineSurrogates(text[i - 2], text[i - 1]);
  }
  return text[i++];
}

// Writes `c` at `to` as one code unit, or as a surrogate pair beyond U+FFFF;
// the end of what it wrote.
inline char16_t* PutCodePoint(char32_t c, char16_t* to) {
  if (c < 0x10000) {
    *to++ = static_cast<char16_t>(c);
  } else {
    *to++ = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
    *to++ = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
  }
  return to;
}

inline void AppendCodePoint(char32_t c, std::u16string& out) {
  char16_t units[2];
  out.append(units, PutCodePoint(c, units));
}

// The position of the first `unit` in `text` at or after `from`, or npos,
// four code units a turn in a 64-bit word. FindCodeUnit's way where SSE2 is
// not there; compiled everywhere, so that tests compare the two.
inline size_t FindCodeUnitByWords(std::u16string_view text, char16_t unit, size_t from = 0) {
  constexpr uint64_t kOnes = 0x0001000100010001, kHighs = 0x8000800080008000;
  const uint64_t pattern = kOnes * unit;
  size_t i = from;
  for (; i + 4 <= text.size(); i += 4) {
    uint64_t block;
    std::memcpy(&block, text.data() + i, sizeof block);
    const uint64_t x = block ^ pattern;  // a zero lane where the unit stands
    if (((x - kOnes) & ~x & kHighs) != 0) break;
  }
  for (; i < text.size(); ++i) {
    if (text[i] == unit) return i;
  }
  return std::u16string_view::npos;
}

// The same, eight code units a turn where SSE2 is there: find-and-replace
// scans every line of a file, and a unit-by-unit loop cost a fifth of the
// whole output pass.
inline size_t FindCodeUnit(std::u16string_view text, char16_t unit, size_t from = 0) {
#if defined(__SSE2__)
  size_t i = from;
  const __m128i pattern = _mm_set1_epi16(static_cast<short>(unit));
  for (; i + 8 <= text.size(); i += 8) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
    const int mask = _mm_movemask_epi8(_mm_cmpeq_epi16(block, pattern));
    if (mask != 0) return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask))) / 2;
  }
  for (; i < text.size(); ++i) {
    if (text[i] == unit) return i;
  }
  return std::u16string_view::npos;
#else
  return FindCodeUnitByWords(text, unit, from);
#endif
}

// The first occurrence of `pattern` (not empty) in `text` at or after `from`.
inline size_t FindText(std::u16string_view text, std::u16string_view pattern, size_t from = 0) {
  while (from + pattern.size() <= text.size()) {
    from = FindCodeUnit(text, pattern.front(), from);
    if (from == std::u16string_view::npos || from + pattern.size() > text.size()) break;
    if (text.substr(from, pattern.size()) == pattern) return from;
    ++from;
  }
  return std::u16string_view::npos;
}

// UTF-16 as UTF-8 for names and messages, which are shown, not stored: an
// unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);

}  // namespace quelvane
