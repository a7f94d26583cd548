#include "text_encoding.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <utility>
#include <vector>

#include "big5.h"
#include "code_page_936.h"
#include "gb18030.h"
#include "utf16.h"
#include "utf8.h"

namespace quelvane {
namespace {

using namespace std::string_view_literals;

// What the rules look at.
struct FileBytes {
  std::string_view bytes;
  bool hasHighByte;  // above 7F
  const DecodesAs& decodes;
};

enum class Recognition { NotThis, This, NotText };

// The encoding is told by the byte-order mark; what follows must be valid.
Recognition ByItsMark(TextEncoding encoding, const FileBytes& file) {
  if (!file.bytes.starts_with(FormOf(encoding).preamble)) return Recognition::NotThis;
  return file.decodes(encoding) ? Recognition::This : Recognition::NotText;
}

// Valid UTF-8 unless it may be short GBK: a lead byte of E0 or above starts
// a character at or above U+0800, which GBK that merely looks like UTF-8
// never has.
Recognition AsUtf8(TextEncoding, const FileBytes& file) {
  if (!file.hasHighByte || !IsValidUtf8(file.bytes)) return Recognition::NotThis;
  const auto isThreeOrFourByteLead = [](char byte) { return static_cast<unsigned char>(byte) >= 0xE0; };
  const bool mayBeShortGbk = std::none_of(file.bytes.begin(), file.bytes.end(), isThreeOrFourByteLead) &&
                             ReadAsCodePage936(file.bytes) == CodePage936Reading::Gb2312Pairs;
  return mayBeShortGbk ? Recognition::NotThis : Recognition::This;
}

// Decoding first: GBK text stops being Big5 within its first characters,
// and Big5 text meets a Private Use character of code page 936 as soon as
// its first punctuation.
Recognition AsBig5(TextEncoding encoding, const FileBytes& file) {
  const bool big5 = file.hasHighByte && file.decodes(encoding) && CodePage936ReadsPrivateUse(file.bytes);
  return big5 ? Recognition::This : Recognition::NotThis;
}

Recognition ByDecoding(TextEncoding encoding, const FileBytes& file) {
  return file.decodes(encoding) ? Recognition::This : Recognition::NotThis;
}

using Recognizer = Recognition (*)(TextEncoding, const FileBytes&);

struct EncodingRow {
  TextEncoding encoding;
  EncodingForm form;
  Recognizer recognizes;  // given that no rule before it took the file
  int rule;               // its place in the order of the decision
};

// Every encoding, in the order of the enumeration.
constexpr EncodingRow kEncodings[] = {
    {TextEncoding::CodePage936, {u"GBK", {}, "\r\n", DecodeCodePage936Line, EncodeCodePage936}, ByDecoding, 7},
    {TextEncoding::Gb18030, {u"GB18030", {}, "\r\n", DecodeGb18030Line, EncodeGb18030}, ByDecoding, 8},
    {TextEncoding::Big5, {u"Big5", {}, "\r\n", DecodeBig5Line, EncodeBig5}, AsBig5, 6},
    {TextEncoding::Utf8, {u"UTF-8", {}, "\r\n", DecodeUtf8Line, EncodeUtf8}, AsUtf8, 5},
    {TextEncoding::Utf8WithBom, {u"UTF-8", kUtf8ByteOrderMark, "\r\n", DecodeUtf8Line, EncodeUtf8}, ByItsMark, 1},
    {TextEncoding::Utf16Le,
     {u"UTF-16", kUtf16LeByteOrderMark, "\r\0\n\0"sv, DecodeUtf16Line<ByteOrder::LittleEndian>,
      EncodeUtf16<ByteOrder::LittleEndian>},
     ByItsMark, 3},
    {TextEncoding::Utf16Be,
     {u"UTF-16", kUtf16BeByteOrderMark, "\0\r\0\n"sv, DecodeUtf16Line<ByteOrder::BigEndian>,
      EncodeUtf16<ByteOrder::BigEndian>},
     ByItsMark, 3},
};

constexpr bool EveryEncodingInItsPlace() {
  if (std::size(kEncodings) != kEncodingCount) return false;
  for (size_t i = 0; i < std::size(kEncodings); ++i) {
    if (kEncodings[i].encoding != static_cast<TextEncoding>(i)) return false;
  }
  return true;
}
static_assert(EveryEncodingInItsPlace(), "kEncodings needs one row per TextEncoding, in its order");

// The rows by rule: the order in which the decision tries them.
constexpr auto kDecisionOrder = [] {
  std::array<const EncodingRow*, kEncodingCount> order{};
  for (size_t i = 0; i < kEncodingCount; ++i) order[i] = &kEncodings[i];
  std::sort(order.begin(), order.end(), [](const EncodingRow* a, const EncodingRow* b) { return a->rule < b->rule; });
  return order;
}();

bool StartsWithUtf32Mark(std::string_view bytes) {
  return bytes.starts_with("\xFF\xFE\0\0"sv) || bytes.starts_with("\0\0\xFE\xFF"sv);
}

size_t CodeUnitBytes(TextEncoding encoding) { return FormOf(encoding).lineBreak.size() / 2; }

}  // namespace

const EncodingForm& FormOf(TextEncoding encoding) { return kEncodings[static_cast<size_t>(encoding)].form; }

EncodingDecision DecideEncoding(std::string_view bytes, const DecodesAs& decodes) {
  // UTF-32's marks begin with UTF-16's.
  if (StartsWithUtf32Mark(bytes)) return {};
  const auto isHigh = [](char byte) { return static_cast<unsigned char>(byte) > 0x7F; };
  const FileBytes file{bytes, std::any_of(bytes.begin(), bytes.end(), isHigh), decodes};
  bool nulChecked = false;
  for (const EncodingRow* row : kDecisionOrder) {
    // A mark tells text that holds NUL bytes (UTF-16); anything else holding one is no text.
    if (row->form.preamble.empty() && !std::exchange(nulChecked, true) &&
        std::memchr(bytes.data(), 0, bytes.size()) != nullptr) {
      return {std::nullopt, true};
    }
    switch (row->recognizes(row->encoding, file)) {
      case Recognition::This: return {row->encoding};
      case Recognition::NotText: return {};
      case Recognition::NotThis: break;
    }
  }
  return {};
}

EncodingDecision DecideEncoding(std::string_view bytes) {
  std::u16string scratch;
  return DecideEncoding(bytes, [&](TextEncoding encoding) {
    scratch.clear();
    return Decode(bytes.substr(FormOf(encoding).preamble.size()), encoding, scratch);
  });
}

std::u16string EncodingNames() {
  std::vector<std::u16string_view> names;
  for (const EncodingRow& row : kEncodings) {
    if (std::find(names.begin(), names.end(), row.form.name) == names.end()) names.push_back(row.form.name);
  }
  std::u16string text(names.front());
  for (size_t i = 1; i < names.size(); ++i) text += (i + 1 < names.size() ? u"、" : u" 或 ") + std::u16string(names[i]);
  return text;
}

std::string_view EncodingPreamble(TextEncoding encoding) { return FormOf(encoding).preamble; }

std::string_view EncodedLineBreak(TextEncoding encoding) { return FormOf(encoding).lineBreak; }

char16_t* DecodeLine(TextEncoding encoding, const char*& bytes, const char* end, char16_t* to) {
  return FormOf(encoding).decodeLine(bytes, end, to);
}

char* EncodeText(TextEncoding encoding, std::u16string_view text, char* to) {
  return FormOf(encoding).encode(text, to);
}

bool Decode(std::string_view bytes, TextEncoding encoding, std::u16string& out) {
  const size_t start = out.size();
  out.resize(start + bytes.size());
  const char* from = bytes.data();
  const char* const end = from + bytes.size();
  const size_t crWidth = CodeUnitBytes(encoding);
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
