#pragma once
// A file as it was read: its bytes and everything needed to replace it
// later without losing its metadata or overwriting someone else's change.

#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "text/raw_buffer.h"
#include "file_system.h"

namespace quelvane {

struct FileSnapshot {
  std::string path;  // the file itself: symbolic links resolved
  RawBuffer<char> content;  // read straight in: never zeroed first
  size_t size = 0;
  struct stat info {};
  unsigned inodeFlags = 0;
  std::vector<std::pair<std::string, std::string>> extendedAttributes;  // ACLs live here
  long fileSystemType = 0;
  uint32_t fatAttributes = 0;  // on FAT only
  // Kept open until the next file is read. On FAT a replaced file's
  // clusters are freed when its last descriptor closes; held, they stay
  // its own until its new entry is on the disk. It also lets the content
  // be compared again where times prove nothing.
  OpenFile file;

  std::string_view bytes() const { return {content.data(), size}; }
};

struct ReadFailure {
  enum class Step { Open, Read };
  Step step = Step::Open;
  int error = 0;
};

// Reads the whole file at `path`, closing the file read before. Anything but a regular file is refused
// (EINVAL), and a FIFO never blocks the run.
bool ReadFileSnapshot(FileSystem& fs, const std::string& path, FileSnapshot& snapshot, ReadFailure& failure);

}  // namespace quelvane
