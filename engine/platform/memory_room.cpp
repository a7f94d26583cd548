#include "memory_room.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>

namespace quelvane {
namespace {

// What the kernel files read here hold; empty when there is no such file.
std::string ReadSmallFile(const std::string& path) {
  std::string text;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return text;
  char block[4096];
  for (ssize_t got; (got = read(fd, block, sizeof block)) > 0;) text.append(block, static_cast<size_t>(got));
  close(fd);
  return text;
}

std::optional<size_t> Number(std::string_view text) {
  const size_t digits = std::min(text.find_first_not_of("0123456789"), text.size());
  if (digits == 0) return std::nullopt;
  return static_cast<size_t>(std::strtoull(std::string(text.substr(0, digits)).c_str(), nullptr, 10));
}

// The number after "<key> " at the start of a line, as in memory.stat and
// /proc/meminfo.
std::optional<size_t> Field(std::string_view text, std::string_view key) {
  for (size_t at = 0; at < text.size();) {
    const size_t end = std::min(text.find('\n', at), text.size());
    std::string_view line = text.substr(at, end - at);
    if (line.starts_with(key) && line.size() > key.size() && (line[key.size()] == ' ' || line[key.size()] == ':')) {
      line.remove_prefix(key.size() + 1);
      return Number(line.substr(std::min(line.find_first_not_of(' '), line.size())));
    }
    at = end + 1;
  }
  return std::nullopt;
}

std::vector<std::string_view> Split(std::string_view line, char separator) {
  std::vector<std::string_view> parts;
  for (size_t at = 0;;) {
    const size_t end = line.find(separator, at);
    parts.push_back(line.substr(at, end - at));
    if (end == std::string_view::npos) return parts;
    at = end + 1;
  }
}

// v1 reports "no limit" as the largest multiple of the page size it holds.
constexpr size_t kNoLimit = size_t{1} << 62;

struct CgroupMount {
  std::string root, mountPoint;
};

// The memory controller's mount for v1, or the unified one for v2, as
// /proc/self/mountinfo lists it: "id parent dev root mount-point options -
// type source super-options".
std::optional<CgroupMount> FindMount(const std::string& mountInfo, bool v2) {
  for (std::string_view line : Split(mountInfo, '\n')) {
    const std::vector<std::string_view> fields = Split(line, ' ');
    const auto dash = std::find(fields.begin(), fields.end(), "-");
    if (fields.size() < 5 || fields.end() - dash < 4) continue;
    const bool match = v2 ? dash[1] == "cgroup2"
                          : dash[1] == "cgroup" && std::ranges::count(Split(dash[3], ','), "memory") > 0;
    if (match) return CgroupMount{std::string(fields[3]), std::string(fields[4])};
  }
  return std::nullopt;
}

size_t ReadLimit(const std::string& folder, bool v2) {
  const std::string text = ReadSmallFile(folder + (v2 ? "/memory.max" : "/memory.limit_in_bytes"));
  const std::optional<size_t> limit = Number(text);  // v2 writes "max" for none
  return limit && *limit < kNoLimit ? *limit : 0;
}

}  // namespace

void MemoryRoom::FindLimits() {
  limitsFound_ = true;
  rlimit limit {};
  if (getrlimit(RLIMIT_AS, &limit) == 0) addressSpaceLimit_ = limit.rlim_cur;

  const std::string mountInfo = ReadSmallFile("/proc/self/mountinfo");
  // "0::/path" for v2; "N:controllers:/path" for each v1 hierarchy.
  const std::string membership = ReadSmallFile("/proc/self/cgroup");
  for (std::string_view line : Split(membership, '\n')) {
    const std::vector<std::string_view> fields = Split(line, ':');
    if (fields.size() != 3) continue;
    const bool v2 = fields[0] == "0" && fields[1].empty();
    if (!v2 && std::ranges::count(Split(fields[1], ','), "memory") == 0) continue;
    const std::optional<CgroupMount> mount = FindMount(mountInfo, v2);
    const std::string_view path = fields[2];
    if (!mount || !path.starts_with(mount->root)) continue;  // outside what is mounted here
    std::string folder = mount->mountPoint;
    if (mount->root != "/") folder += path.substr(mount->root.size());
    else if (path != "/") folder += path;
    // Every level up to the mount point: a parent's limit holds its children too.
    for (;;) {
      if (const size_t level = ReadLimit(folder, v2); level != 0) cgroupLevels_.push_back({folder, v2, level});
      if (folder.size() <= mount->mountPoint.size()) break;
      folder.resize(folder.rfind('/'));
    }
  }
}

size_t MemoryRoom::Measure() {
  if (!limitsFound_) FindLimits();
  const auto pageSize = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  size_t room = SIZE_MAX;
  if (const std::optional<size_t> available = Field(ReadSmallFile("/proc/meminfo"), "MemAvailable")) {
    room = *available * 1024;
  }
  if (addressSpaceLimit_ != RLIM_INFINITY) {
    const size_t mapped = Number(ReadSmallFile("/proc/self/statm")).value_or(0) * pageSize;
    room = std::min(room, addressSpaceLimit_ > mapped ? static_cast<size_t>(addressSpaceLimit_) - mapped : 0);
  }
  for (const CgroupLevel& level : cgroupLevels_) {
    const size_t used = Number(ReadSmallFile(level.folder + (level.v2 ? "/memory.current" : "/memory.usage_in_bytes")))
                            .value_or(level.limit);
    const size_t droppable =
        Field(ReadSmallFile(level.folder + "/memory.stat"), level.v2 ? "inactive_file" : "total_inactive_file")
            .value_or(0);
    const size_t held = used - std::min(used, droppable);
    room = std::min(room, level.limit > held ? level.limit - held : 0);
  }
  return lastMeasured_ = room;
}

}  // namespace quelvane
