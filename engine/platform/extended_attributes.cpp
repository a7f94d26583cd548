#include "extended_attributes.h"

#include <cerrno>

namespace quelvane {
namespace {

// Room for a security label, a user attribute or two and an ACL of a few
// dozen entries; what does not fit is sized first.
constexpr size_t kUsualSize = 1024;

// What `read(buffer, size)` gives, flistxattr's or fgetxattr's way.
template <typename Read>
std::optional<std::string> ReadSized(Read read) {
  std::string bytes(kUsualSize, '\0');
  ssize_t size = read(bytes.data(), bytes.size());
  if (size < 0 && errno == ERANGE) {
    size = read(nullptr, 0);
    if (size < 0) return std::nullopt;
    bytes.resize(static_cast<size_t>(size));
    size = read(bytes.data(), bytes.size());
  }
  if (size < 0) return std::nullopt;
  bytes.resize(static_cast<size_t>(size));
  return bytes;
}

}  // namespace

std::optional<std::vector<std::string>> AttributeNames(FileSystem& fs, int fd) {
  const std::optional<std::string> list =
      ReadSized([&](char* names, size_t size) { return fs.Flistxattr(fd, names, size); });
  if (!list) {
    if (errno == ENOTSUP) return std::vector<std::string>();
    return std::nullopt;
  }
  std::vector<std::string> names;
  for (size_t at = 0; at < list->size();) {
    std::string name(list->c_str() + at);
    at += name.size() + 1;
    if (!name.empty()) names.push_back(std::move(name));
  }
  return names;
}

std::optional<std::string> AttributeValue(FileSystem& fs, int fd, const char* name) {
  return ReadSized([&](char* value, size_t size) { return fs.Fgetxattr(fd, name, value, size); });
}

}  // namespace quelvane
