#include "leftover_removal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <ctime>
#include <set>
#include <string_view>

#include "folder_stream.h"
#include "temporary_name.h"

namespace quelvane {
namespace {

constexpr time_t kYoungestLeftover = 60;  // seconds since it was last written

void RemoveIfLeftover(FileSystem& fs, int folder, const std::string& name) {
  OpenFile file(fs, fs.OpenAt(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
  if (file.fd() < 0) return;
  struct stat info {};
  if (fs.Fstat(file.fd(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_mtime > time(nullptr) - kYoungestLeftover) {
    return;
  }
  // Held until the file is gone, so no run can take it up meanwhile.
  if (fs.Flock(file.fd(), LOCK_EX | LOCK_NB) == 0) fs.UnlinkAt(folder, name.c_str());
}

}  // namespace

void RemoveLeftoverTemporaryFiles(FileSystem& fs, int folder, const std::vector<std::string>& names) {
  std::set<std::string_view> originals;
  for (const std::string& name : names) originals.insert(KeptPartOfName(name));
  // A descriptor of its own: reading the folder moves its position.
  const int listing = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listing < 0) return;
  FolderStream dir(fdopendir(listing));
  if (!dir) return (void)close(listing);
  std::vector<std::string> leftovers;
  while (dirent* entry = readdir(dir.get())) {
    const std::optional<std::string_view> kept = KeptPartOfTemporaryName(entry->d_name);
    if (kept && originals.contains(*kept)) leftovers.emplace_back(entry->d_name);
  }
  dir.reset();
  for (const std::string& name : leftovers) RemoveIfLeftover(fs, folder, name);
}

}  // namespace quelvane
