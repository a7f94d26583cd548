#include "folder_listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <tuple>

#include "folder_stream.h"
#include "text/display_name.h"
#include "text/text.h"
#include "text/case_fold.h"

namespace quelvane {
namespace {

bool HasTextFileName(const std::string& name) {
  if (name.size() < 5 || name.front() == '.') return false;
  std::string ending = name.substr(name.size() - 4);
  std::transform(ending.begin(), ending.end(), ending.begin(),
                 [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
  return ending == ".txt";
}

// The name with every code point case-folded, as UTF-8 so that byte order
// is code point order.
std::string SortKey(const std::u16string& name) {
  std::u16string folded;
  folded.reserve(name.size());
  for (size_t i = 0; i < name.size();) AppendCodePoint(FoldCase(NextCodePoint(name, i)), folded);
  return Utf16ToUtf8(folded);
}

}  // namespace

bool ListTextFiles(const std::string& folder, std::vector<std::string>& names) {
  names.clear();
  const FolderStream dir(opendir(folder.c_str()));
  if (!dir) return false;
  struct Entry {
    std::string key, name;
  };
  std::vector<Entry> entries;
  int folderFd = dirfd(dir.get());
  for (;;) {
    errno = 0;  // readdir reports failure only through errno
    dirent* entry = readdir(dir.get());
    if (entry == nullptr) break;
    std::string name = entry->d_name;
    if (!HasTextFileName(name)) continue;
    // Looked at only where the folder does not say it is a regular file: a
    // link counts by what it leads to.
    struct stat info {};
    if (entry->d_type != DT_REG && (fstatat(folderFd, entry->d_name, &info, 0) != 0 || !S_ISREG(info.st_mode))) {
      continue;
    }
    entries.push_back({SortKey(DisplayName(name)), std::move(name)});
  }
  if (errno != 0) return false;
  std::sort(entries.begin(), entries.end(),
            [](const Entry& a, const Entry& b) { return std::tie(a.key, a.name) < std::tie(b.key, b.name); });
  for (Entry& entry : entries) names.push_back(std::move(entry.name));
  return true;
}

}  // namespace quelvane
