#include "display_name.h"

#include "text_encoding.h"

namespace quelvane {
namespace {

void AppendEscape(unsigned char byte, std::u16string& out) {
  static constexpr char16_t kHex[] = u"0123456789abcdef";
  out += u"\\x";
  out += kHex[byte >> 4];
  out += kHex[byte & 0xF];
}

}  // namespace

std::u16string DisplayName(std::string_view nameBytes) {
  std::u16string text;
  if (Decode(nameBytes, TextEncoding::Utf8, text) || Decode(nameBytes, TextEncoding::CodePage936, text)) return text;
  // Character by character: a pair where one decodes, else a single byte.
  for (size_t i = 0; i < nameBytes.size();) {
    size_t length = 2;
    if (i + 1 >= nameBytes.size() || !Decode(nameBytes.substr(i, 2), TextEncoding::CodePage936, text)) {
      length = 1;
      if (!Decode(nameBytes.substr(i, 1), TextEncoding::CodePage936, text)) {
        AppendEscape(static_cast<unsigned char>(nameBytes[i]), text);
      }
    }
    i += length;
  }
  return text;
}

}  // namespace quelvane
