#pragma once
// Deterministic novel-like text for the benchmark: GBK with CR LF, chapter
// headings, paragraphs hard-broken every 20-40 characters, punctuation,
// blank lines, indented lines, a few ASCII words and advertising lines. The
// same novel can be had in GB18030, with characters outside GBK in every
// heading, in UTF-16 LE, or in Big5, in Traditional characters.

#include <cstdint>
#include <random>
#include <string>

#include "text/text_encoding.h"

namespace quelvane::bench {

class CorpusGenerator {
 public:
  explicit CorpusGenerator(uint32_t seed, TextEncoding encoding = TextEncoding::CodePage936)
      : random_(seed), encoding_(encoding) {}

  // Appends about `bytes` bytes of novel text (whole lines only); the
  // byte-order mark first, where the encoding has one and `out` is empty.
  void AppendNovel(size_t bytes, std::string& out);
  // One paragraph of `bytes` bytes hard-broken every 20-40 characters, with
  // no punctuation at all: the worst case for line joining.
  void AppendUnbrokenParagraph(size_t bytes, std::string& out);

 private:
  char16_t Character();
  std::u16string_view Advertisement();
  std::u16string Sentence();
  std::u16string Heading();
  std::string Encoded(std::u16string_view text) const;
  size_t Uniform(size_t low, size_t high) { return std::uniform_int_distribution<size_t>(low, high)(random_); }

  std::mt19937 random_;
  TextEncoding encoding_;
  int chapter_ = 0;
};

}  // namespace quelvane::bench
