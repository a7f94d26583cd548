#include "display_name.h"

#include "platform/code_page_936.h"
#include "text.h"

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
  if (Utf8ToUtf16(nameBytes, text) || DecodeCodePage936(nameBytes, text)) return text;
  // Character by character: a pair where one decodes, else a single byte.
  for (size_t i = 0; i < nameBytes.size();) {
    size_t length = 2;
    if (i + 1 >= nameBytes.size() || !DecodeCodePage936(nameBytes.substr(i, 2), text)) {
      length = 1;
      if (!DecodeCodePage936(nameBytes.substr(i, 1), text)) AppendEscape(static_cast<unsigned char>(nameBytes[i]), text);
    }
    i += length;
  }
  return text;
}

}  // namespace quelvane
