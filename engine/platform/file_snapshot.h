#pragma once
// A file as it was read: its bytes and everything needed to replace it
// later without losing its metadata or overwriting someone else's change.

#include <sys/stat.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "file_system.h"
#include "left_alone_reason.h"
#include "text/raw_buffer.h"

namespace quelvane {

struct FileSnapshot {
  // The file's folder and its name there: the run's folder and the listed
  // name, or where a link's chain ends (that folder held open here when it
  // is another).
  int folder = -1;
  OpenFile linkFolder;
  std::string name;
  RawBuffer<char> content;  // read straight in: never zeroed first
  size_t size = 0;
  struct stat info {};
  unsigned inodeFlags = 0;
  std::vector<std::pair<std::string, std::string>> extendedAttributes;  // ACLs live here
  long fileSystemType = 0;
  uint32_t fatAttributes = 0;  // on FAT only
  // Kept open until the next file is opened. On FAT a replaced file's
  // clusters are freed when its last descriptor closes; held, they stay
  // its own until its new entry is on the disk. It also lets the content
  // be compared again where times prove nothing.
  OpenFile file;

  std::string_view bytes() const { return {content.data(), size}; }
};

// Opens the file listed as `name` in `folder`, closing the one opened
// before, and learns its size, owner and mode. Only a regular file is
// opened, and a link only where its owner could write the file itself: the
// same user owns every link of the chain and the file it ends at. Once
// looked at, a name is opened without following a link, and what was
// opened must be what was looked at.
std::optional<LeftAlone> OpenListedFile(FileSystem& fs, int folder, const std::string& name, FileSnapshot& snapshot);

// Reads the opened file whole, with what its replacement must keep.
std::optional<LeftAlone> ReadOpenedFile(FileSystem& fs, FileSnapshot& snapshot);

}  // namespace quelvane
