#include "utf16.h"

#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quelvane {
namespace {

template <ByteOrder order>
char16_t UnitAt(const unsigned char* at) {
  return static_cast<char16_t>(order == ByteOrder::LittleEndian ? at[0] | at[1] << 8 : at[0] << 8 | at[1]);
}

#if defined(__SSE2__)
template <ByteOrder order>
__m128i InHostOrder(__m128i block) {  // the host is little-endian wherever SSE2 is
  if constexpr (order == ByteOrder::BigEndian) block = _mm_or_si128(_mm_slli_epi16(block, 8), _mm_srli_epi16(block, 8));
  return block;
}
#endif

}  // namespace

template <ByteOrder order>
char16_t* DecodeUtf16Line(const char*& bytes, const char* end, char16_t* to) {
  const auto* from = reinterpret_cast<const unsigned char*>(bytes);
  const size_t units = static_cast<size_t>(end - bytes) / 2;
  size_t i = 0;
#if defined(__SSE2__)
  // Eight units a turn, stored before they are looked at: the room for the
  // rest of the bytes covers what lies past the CR.
  const __m128i cr = _mm_set1_epi16(u'\r');
  for (; i + 8 <= units; i += 8) {
    const __m128i block = InHostOrder<order>(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 2 * i)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i), block);
    if (const int mask = _mm_movemask_epi8(_mm_cmpeq_epi16(block, cr)); mask != 0) {
      i += static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask))) / 2;
      bytes = reinterpret_cast<const char*>(from + 2 * i);
      return to + i;
    }
  }
#endif
  for (; i < units; ++i) {
    const char16_t unit = UnitAt<order>(from + 2 * i);
    if (unit == u'\r') break;
    to[i] = unit;
  }
  if (i == units && (end - bytes) % 2 != 0) return nullptr;
  bytes = reinterpret_cast<const char*>(from + 2 * i);
  return to + i;
}

template <ByteOrder order>
char* EncodeUtf16(std::u16string_view text, char* to) {
  size_t i = 0;
#if defined(__SSE2__)
  for (; i + 8 <= text.size(); i += 8) {
    const __m128i block = InHostOrder<order>(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 2 * i), block);
  }
#endif
  for (; i < text.size(); ++i) {
    const char16_t unit = text[i];
    const bool little = order == ByteOrder::LittleEndian;
    to[2 * i] = static_cast<char>(little ? unit : unit >> 8);
    to[2 * i + 1] = static_cast<char>(little ? unit >> 8 : unit);
  }
  return to + 2 * text.size();
}

template char16_t* DecodeUtf16Line<ByteOrder::LittleEndian>(const char*&, const char*, char16_t*);
template char16_t* DecodeUtf16Line<ByteOrder::BigEndian>(const char*&, const char*, char16_t*);
template char* EncodeUtf16<ByteOrder::LittleEndian>(std::u16string_view, char*);
template char* EncodeUtf16<ByteOrder::BigEndian>(std::u16string_view, char*);

}  // namespace quelvane
