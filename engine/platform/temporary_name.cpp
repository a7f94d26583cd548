#include "temporary_name.h"

#include <atomic>
#include <random>

#include "text/utf8.h"

namespace quelvane {
namespace {

constexpr std::string_view kMark = ".quelvane-";
constexpr size_t kRandomLength = 8;
constexpr std::string_view kAlphabet = "abcdefghijklmnopqrstuvwxyz0123456789";
// NAME_MAX, and FAT's and NTFS's 255 UTF-16 units: a valid UTF-8 name
// never has more units than bytes, and only such names exist there.
constexpr size_t kMaxNameBytes = 255;
constexpr size_t kMaxKeptBytes = kMaxNameBytes - 1 - kMark.size() - kRandomLength;

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

std::string_view KeptPartOfName(std::string_view name) {
  if (name.size() <= kMaxKeptBytes) return name;
  size_t cut = kMaxKeptBytes;
  // Bytes of another encoding (GBK on ext4) are cut anywhere: the name only
  // has to fit, and the file systems that check characters hold none.
  if (IsValidUtf8(name)) {
    while (cut > 0 && IsContinuationByte(name[cut])) --cut;
  }
  return name.substr(0, cut);
}

std::string TemporaryNameFor(std::string_view name) {
  static std::atomic<unsigned> counter{0};
  static const unsigned seed = std::random_device{}();
  std::mt19937 random(seed + counter++);
  std::string temporary = "." + std::string(KeptPartOfName(name)) + std::string(kMark);
  for (size_t k = 0; k < kRandomLength; ++k) temporary += kAlphabet[random() % kAlphabet.size()];
  return temporary;
}

std::optional<std::string_view> KeptPartOfTemporaryName(std::string_view name) {
  const size_t tail = kMark.size() + kRandomLength;
  if (name.size() < 2 + tail || name.front() != '.' || name.substr(name.size() - tail, kMark.size()) != kMark ||
      name.find_first_not_of(kAlphabet, name.size() - kRandomLength) != std::string_view::npos) {
    return std::nullopt;
  }
  return name.substr(1, name.size() - 1 - tail);
}

}  // namespace quelvane
