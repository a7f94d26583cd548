#include "display_name.h"

#include "text.h"
#include "text_encoding.h"

namespace quelvane {
namespace {

constexpr char16_t kHex[] = u"0123456789abcdef";

void AppendByteEscape(unsigned byte, std::u16string& out) {
  out += u"\\x";
  out += kHex[byte >> 4 & 0xF];
  out += kHex[byte & 0xF];
}

bool IsControl(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

bool IsBidirectionalControl(char32_t c) {
  return c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

bool IsPrivateUse(char16_t unit) { return unit >= 0xE000 && unit <= 0xF8FF; }

void AppendShown(char32_t c, std::u16string& out) {
  if (IsControl(c)) {
    AppendByteEscape(static_cast<unsigned>(c), out);
  } else if (IsBidirectionalControl(c)) {
    out += u"\\u{";
    for (int shift = 12; shift >= 0; shift -= 4) out += kHex[c >> shift & 0xF];
    out += u'}';
  } else {
    AppendCodePoint(c, out);
  }
}

// The code page 936 character at the start of `bytes` (a pair, or a single
// byte) and how many bytes it takes; 0 when there is none to show.
char16_t CodePage936Character(std::string_view bytes, size_t& length) {
  const auto lead = static_cast<unsigned char>(bytes[0]);
  const auto trail = bytes.size() > 1 ? static_cast<unsigned char>(bytes[1]) : 0u;
  const bool pair = lead >= 0x81 && lead <= 0xFE && trail >= 0x40 && trail <= 0xFE && trail != 0x7F;
  length = pair ? 2 : 1;
  std::u16string unit;
  if (!Decode(bytes.substr(0, length), TextEncoding::CodePage936, unit) || IsPrivateUse(unit[0])) return 0;
  return unit[0];
}

}  // namespace

std::u16string DisplayName(std::string_view nameBytes) {
  std::u16string shown, decoded;
  if (Decode(nameBytes, TextEncoding::Utf8, decoded)) {
    for (size_t i = 0; i < decoded.size();) AppendShown(NextCodePoint(decoded, i), shown);
    return shown;
  }
  for (size_t i = 0, length = 0; i < nameBytes.size(); i += length) {
    if (const char16_t c = CodePage936Character(nameBytes.substr(i), length); c != 0) {
      AppendShown(c, shown);
    } else {
      for (size_t k = 0; k < length; ++k) AppendByteEscape(static_cast<unsigned char>(nameBytes[i + k]), shown);
    }
  }
  return shown;
}

std::u16string DisplayPath(std::string_view pathBytes) {
  std::u16string shown;
  for (size_t from = 0;;) {
    const size_t slash = pathBytes.find('/', from);
    shown += DisplayName(pathBytes.substr(from, slash - from));
    if (slash == std::string_view::npos) return shown;
    shown += u'/';
    from = slash + 1;
  }
}

}  // namespace quelvane
