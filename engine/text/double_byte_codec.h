#pragma once
// What the code page 936, Big5 and GB18030 codecs share: tables of two-byte
// codes indexed, and filled, in file byte order (lead | trail << 8), 0 where
// a pair has no character; the loop that takes such pairs two a turn; and
// the whole codec of a code page made of single bytes and pairs.

#include <cstdint>
#include <string_view>

namespace quelvane {

inline constexpr char16_t kNoMapping = 0;  // U+0000 is only ever the single byte 0x00

inline unsigned TwoBytes(const unsigned char* at) { return at[0] | at[1] << 8; }

// Two characters a turn while they are pairs, as most of a Chinese text is:
// it halves the work of the loop (measured: a third fewer instructions for
// the whole decoding). Stops before anything else, which the caller decodes.
inline void DecodePairs(const char16_t (&table)[0x10000], const unsigned char*& from, const unsigned char* stop,
                        char16_t*& to) {
  while (stop - from >= 4 && (from[0] & from[2] & 0x80) != 0) {
    const char16_t first = table[TwoBytes(from)], second = table[TwoBytes(from + 2)];
    if (first == kNoMapping || second == kNoMapping) break;
    to[0] = first;
    to[1] = second;
    to += 2;
    from += 4;
  }
}

// For code pages without codes longer than two bytes: none starts anywhere.
struct NoLongerCodes {
  int operator()(const unsigned char*, const unsigned char*, char16_t*&) const { return 0; }
};

// Decodes into `to`, which has room for as many code units as there are
// bytes, up to the first CR: `bytes` is moved to the CR, or to `end`.
// nullptr when a byte sequence is in neither table. `single` maps the bytes
// 80..FF that stand alone; `longer(from, stop, to)`, tried after the pairs,
// decodes a longer code (GB18030's four bytes) and says how many bytes it
// took, 0 when none starts at `from`, or -1 when one does that is invalid.
template <typename LongerCode = NoLongerCodes>
inline char16_t* DecodeDoubleByteLine(const char16_t (&single)[128], const char16_t (&pairs)[0x10000],
                                      const char*& bytes, const char* end, char16_t* to, LongerCode longer = {}) {
  const auto* from = reinterpret_cast<const unsigned char*>(bytes);
  const auto* stop = reinterpret_cast<const unsigned char*>(end);
  while (from < stop) {
    DecodePairs(pairs, from, stop, to);
    if (from == stop) break;
    const unsigned b0 = *from;
    int taken = 0;
    if (b0 < 0x80) {
      if (b0 == '\r') break;  // never inside a sequence (trails are 0x30..0x39 and 0x40..0xFE)
      *to++ = static_cast<char16_t>(b0);
      ++from;
    } else if (char16_t unit; stop - from >= 2 && (unit = pairs[TwoBytes(from)]) != kNoMapping) {
      *to++ = unit;
      from += 2;
    } else if ((taken = longer(from, stop, to)) != 0) {
      if (taken < 0) return nullptr;
      from += taken;
    } else if (single[b0 - 0x80] != kNoMapping) {
      *to++ = single[b0 - 0x80];
      ++from;
    } else {
      return nullptr;
    }
  }
  bytes = reinterpret_cast<const char*>(from);
  return to;
}

// Encodes into `to`, which has room for 2 × text.size() bytes. `encode` maps
// a unit to its byte (below 0x100) or its pair (lead | trail << 8), 0 where
// it has none. nullptr when a character has no round-trip form.
inline char* EncodeDoubleByte(const uint16_t (&encode)[0x10000], std::u16string_view text, char* to) {
  for (const char16_t unit : text) {
    const uint16_t code = encode[unit];
    if (code >= 0x100) {
      to[0] = static_cast<char>(code & 0xFF);  // the compiler makes one two-byte store of it
      to[1] = static_cast<char>(code >> 8);
      to += 2;
    } else if (code != 0 || unit == 0) {
      *to++ = static_cast<char>(code);
    } else {
      return nullptr;
    }
  }
  return to;
}

}  // namespace quelvane
