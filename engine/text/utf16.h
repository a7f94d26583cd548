#pragma once
// UTF-16 files, little- or big-endian: the code units are the text as they
// stand, so every file comes back exactly, unpaired surrogates included.

#include <string>
#include <string_view>

namespace quelvane {

enum class ByteOrder { LittleEndian, BigEndian };

// Decodes into `to`, with room for (end - bytes) / 2 code units, up to the
// first code unit CR: `bytes` is moved to it, or to `end`. nullptr when an
// odd byte is left over.
template <ByteOrder order>
char16_t* DecodeUtf16Line(const char*& bytes, const char* end, char16_t* to);
// Into `to`, with room for 2 × text.size() bytes; never fails.
template <ByteOrder order>
char* EncodeUtf16(std::u16string_view text, char* to);

extern template char16_t* DecodeUtf16Line<ByteOrder::LittleEndian>(const char*&, const char*, char16_t*);
extern template char16_t* DecodeUtf16Line<ByteOrder::BigEndian>(const char*&, const char*, char16_t*);
extern template char* EncodeUtf16<ByteOrder::LittleEndian>(std::u16string_view, char*);
extern template char* EncodeUtf16<ByteOrder::BigEndian>(std::u16string_view, char*);

inline constexpr std::string_view kUtf16LeByteOrderMark = "\xFF\xFE";
inline constexpr std::string_view kUtf16BeByteOrderMark = "\xFE\xFF";

}  // namespace quelvane
