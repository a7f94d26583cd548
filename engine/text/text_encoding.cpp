#include "text_encoding.h"

#include <algorithm>
#include <cstring>

#include "code_page_936.h"
#include "gb18030.h"
#include "utf16.h"
#include "utf8.h"

namespace quelvane {
namespace {

bool IsUtf16(TextEncoding encoding) {
  return encoding == TextEncoding::Utf16Le || encoding == TextEncoding::Utf16Be;
}

}  // namespace

EncodingDecision DetectEncoding(std::string_view bytes) {
  if (bytes.starts_with(kUtf8ByteOrderMark)) return {TextEncoding::Utf8WithBom};
  using namespace std::string_view_literals;
  if (bytes.starts_with("\xFF\xFE\0\0"sv) || bytes.starts_with("\0\0\xFE\xFF"sv)) return {};
  if (bytes.starts_with(kUtf16LeByteOrderMark) || bytes.starts_with(kUtf16BeByteOrderMark)) {
    if (bytes.size() % 2 != 0) return {};
    return {bytes.starts_with(kUtf16LeByteOrderMark) ? TextEncoding::Utf16Le : TextEncoding::Utf16Be};
  }
  if (std::memchr(bytes.data(), 0, bytes.size()) != nullptr) return {std::nullopt, true};
  const auto isHigh = [](char byte) { return static_cast<unsigned char>(byte) > 0x7F; };
  if (std::none_of(bytes.begin(), bytes.end(), isHigh) || !IsValidUtf8(bytes)) return {TextEncoding::CodePage936};
  // Valid UTF-8: a lead byte of E0 or above starts a character at or above
  // U+0800, which GBK that merely looks like UTF-8 never has.
  const auto isThreeOrFourByteLead = [](char byte) { return static_cast<unsigned char>(byte) >= 0xE0; };
  if (std::any_of(bytes.begin(), bytes.end(), isThreeOrFourByteLead) ||
      ReadAsCodePage936(bytes) != CodePage936Reading::Gb2312Pairs) {
    return {TextEncoding::Utf8};
  }
  return {TextEncoding::CodePage936};
}

std::string_view EncodingPreamble(TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::Utf8WithBom: return kUtf8ByteOrderMark;
    case TextEncoding::Utf16Le: return kUtf16LeByteOrderMark;
    case TextEncoding::Utf16Be: return kUtf16BeByteOrderMark;
    default: return {};
  }
}

std::string_view EncodedLineBreak(TextEncoding encoding) {
  using namespace std::string_view_literals;
  switch (encoding) {
    case TextEncoding::Utf16Le: return "\r\0\n\0"sv;
    case TextEncoding::Utf16Be: return "\0\r\0\n"sv;
    default: return "\r\n"sv;
  }
}

char16_t* DecodeLine(TextEncoding encoding, const char*& bytes, const char* end, char16_t* to) {
  switch (encoding) {
    case TextEncoding::CodePage936: return DecodeCodePage936Line(bytes, end, to);
    case TextEncoding::Gb18030: return DecodeGb18030Line(bytes, end, to);
    case TextEncoding::Utf16Le: return DecodeUtf16Line<ByteOrder::LittleEndian>(bytes, end, to);
    case TextEncoding::Utf16Be: return DecodeUtf16Line<ByteOrder::BigEndian>(bytes, end, to);
    default: return DecodeUtf8Line(bytes, end, to);
  }
}

void SkipLineEnd(TextEncoding encoding, const char*& bytes, const char* end) {
  const std::string_view lineBreak = EncodedLineBreak(encoding);
  const size_t unit = IsUtf16(encoding) ? 2 : 1;
  bytes += unit;  // the CR
  const std::string_view lineFeed = lineBreak.substr(unit);
  if (static_cast<size_t>(end - bytes) >= unit && std::memcmp(bytes, lineFeed.data(), unit) == 0) bytes += unit;
}

char* EncodeText(TextEncoding encoding, std::u16string_view text, char* to) {
  switch (encoding) {
    case TextEncoding::CodePage936: return EncodeCodePage936(text, to);
    case TextEncoding::Gb18030: return EncodeGb18030(text, to);
    case TextEncoding::Utf16Le: return EncodeUtf16<ByteOrder::LittleEndian>(text, to);
    case TextEncoding::Utf16Be: return EncodeUtf16<ByteOrder::BigEndian>(text, to);
    default: return EncodeUtf8(text, to);
  }
}

bool Decode(std::string_view bytes, TextEncoding encoding, std::u16string& out) {
  const size_t start = out.size();
  out.resize(start + bytes.size());
  const char* from = bytes.data();
  const char* const end = from + bytes.size();
  const size_t crWidth = IsUtf16(encoding) ? 2 : 1;
  char16_t* to = out.data() + start;
  while ((to = DecodeLine(encoding, from, end, to)) != nullptr && from != end) {
    *to++ = u'\r';  // the CR the line decoder stopped at
    from += crWidth;
  }
  out.resize(to != nullptr ? static_cast<size_t>(to - out.data()) : start);
  return to != nullptr;
}

bool Encode(std::u16string_view text, TextEncoding encoding, std::string& out) {
  const size_t start = out.size();
  out.resize(start + kMaxBytesPerUnit * text.size());
  const char* const end = EncodeText(encoding, text, out.data() + start);
  out.resize(end != nullptr ? static_cast<size_t>(end - out.data()) : start);
  return end != nullptr;
}

}  // namespace quelvane
