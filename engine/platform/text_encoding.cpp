#include "text_encoding.h"

#include <cstring>

#include "code_page_936.h"
#include "utf8.h"

namespace quelvane {

std::optional<TextEncoding> DetectEncoding(std::string_view bytes) {
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) return std::nullopt;
  if (std::memchr(bytes.data(), 0, bytes.size()) != nullptr) return std::nullopt;
  if (bytes.starts_with(kUtf8ByteOrderMark)) return TextEncoding::Utf8WithBom;
  bool hasHighByte = false;
  for (char byte : bytes) {
    if (static_cast<unsigned char>(byte) > 0x7F) {
      hasHighByte = true;
      break;
    }
  }
  if (hasHighByte && IsValidUtf8(bytes)) return TextEncoding::Utf8;
  return TextEncoding::CodePage936;
}

std::string_view EncodingPreamble(TextEncoding encoding) {
  return encoding == TextEncoding::Utf8WithBom ? kUtf8ByteOrderMark : std::string_view();
}

char16_t* DecodeLine(TextEncoding encoding, const char*& bytes, const char* end, char16_t* to) {
  return encoding == TextEncoding::CodePage936 ? DecodeCodePage936Line(bytes, end, to)
                                               : DecodeUtf8Line(bytes, end, to);
}

char* EncodeText(TextEncoding encoding, std::u16string_view text, char* to) {
  return encoding == TextEncoding::CodePage936 ? EncodeCodePage936(text, to) : EncodeUtf8(text, to);
}

}  // namespace quelvane
