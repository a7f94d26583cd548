#include "leftover_removal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>

#include <ctime>
#include <memory>
#include <set>
#include <string_view>

#include "temporary_name.h"

namespace quelvane {
namespace {

constexpr time_t kYoungestLeftover = 60;  // seconds since it was last written

void RemoveIfLeftover(FileSystem& fs, const std::string& path) {
  OpenFile file(fs, fs.Open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
  if (file.fd() < 0) return;
  struct stat info {};
  if (fs.Fstat(file.fd(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_mtime > time(nullptr) - kYoungestLeftover) {
    return;
  }
  // Held until the file is gone, so no run can take it up meanwhile.
  if (fs.Flock(file.fd(), LOCK_EX | LOCK_NB) == 0) fs.Unlink(path.c_str());
}

}  // namespace

void RemoveLeftoverTemporaryFiles(FileSystem& fs, const std::string& folder, const std::vector<std::string>& names) {
  std::set<std::string_view> originals;
  for (const std::string& name : names) originals.insert(KeptPartOfName(name));
  struct CloseDir {
    void operator()(DIR* dir) const { closedir(dir); }
  };
  std::unique_ptr<DIR, CloseDir> dir(opendir(folder.c_str()));
  if (!dir) return;  // the run reports the folder's trouble with its first file
  std::vector<std::string> leftovers;
  while (dirent* entry = readdir(dir.get())) {
    const std::optional<std::string_view> kept = KeptPartOfTemporaryName(entry->d_name);
    if (kept && originals.contains(*kept)) leftovers.push_back(folder + "/" + entry->d_name);
  }
  dir.reset();
  for (const std::string& path : leftovers) RemoveIfLeftover(fs, path);
}

}  // namespace quelvane
