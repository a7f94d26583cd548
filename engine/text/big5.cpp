#include "big5.h"

#include <cstdint>

#include "double_byte_codec.h"

namespace quelvane {
namespace {

#include "big5_tables.inc"

}  // namespace

char16_t* DecodeBig5Line(const char*& bytes, const char* end, char16_t* to) {
  return DecodeDoubleByteLine(kSingleByte, kDoubleByte, bytes, end, to);
}

char* EncodeBig5(std::u16string_view text, char* to) { return EncodeDoubleByte(kEncode, text, to); }

}  // namespace quelvane
