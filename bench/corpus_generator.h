#pragma once
// Deterministic novel-like text for the benchmark: GBK with CR LF, chapter
// headings, paragraphs hard-broken every 20-40 characters, punctuation,
// blank lines, indented lines, a few ASCII words and advertising lines.

#include <cstdint>
#include <random>
#include <string>

namespace quelvane::bench {

class CorpusGenerator {
 public:
  explicit CorpusGenerator(uint32_t seed) : random_(seed) {}

  // Appends about `bytes` bytes of GBK novel text (whole lines only).
  void AppendNovel(size_t bytes, std::string& out);
  // One paragraph of `bytes` bytes hard-broken every 20-40 characters, with
  // no punctuation at all: the worst case for line joining.
  void AppendUnbrokenParagraph(size_t bytes, std::string& out);

 private:
  std::u16string Sentence();
  std::u16string Heading();
  size_t Uniform(size_t low, size_t high) { return std::uniform_int_distribution<size_t>(low, high)(random_); }

  std::mt19937 random_;
  int chapter_ = 0;
};

}  // namespace quelvane::bench
