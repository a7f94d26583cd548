#include "link_chain.h"

#include <fcntl.h>

#include <cerrno>
#include <string_view>
#include <vector>

namespace quelvane {
namespace {

constexpr int kMostLinks = 40;  // as many as the kernel follows in one path

// The names of `path` to look up, pushed so that the first comes out last.
void PushNames(std::string_view path, std::vector<std::string>& ahead) {
  std::vector<std::string> names;
  for (size_t from = 0; from <= path.size();) {
    size_t slash = path.find('/', from);
    if (slash == std::string_view::npos) slash = path.size();
    const std::string_view name = path.substr(from, slash - from);
    if (!name.empty() && name != ".") names.emplace_back(name);
    from = slash + 1;
  }
  ahead.insert(ahead.end(), names.rbegin(), names.rend());
}

// Moves `end` into the folder `name` of its folder, looked at as `seen`.
std::optional<LeftAlone> Enter(FileSystem& fs, const char* name, const struct stat& seen, LinkEnd& end) {
  const int fd = fs.OpenAt(end.folder, name, O_PATH | O_DIRECTORY | O_NOFOLLOW);
  if (fd < 0) return ForFailedLookUp(errno);
  OpenFile entered(fs, fd);
  struct stat opened {};
  if (fs.Fstat(fd, &opened) != 0) return LeftAlone{LeftAloneReason::Unreadable, errno};
  if (opened.st_dev != seen.st_dev || opened.st_ino != seen.st_ino) return LeftAlone{LeftAloneReason::ChangedMeanwhile};
  end.heldFolder = std::move(entered);
  end.folder = fd;
  return std::nullopt;
}

}  // namespace

LeftAlone ForFailedLookUp(int error) {
  switch (error) {
    case ENOENT: return {LeftAloneReason::Vanished, error};
    // A name that became a link (O_NOFOLLOW) or stopped being one (readlink).
    case ELOOP:
    case EINVAL:
    case ENOTDIR: return {LeftAloneReason::ChangedMeanwhile, error};
    default: return {LeftAloneReason::Unreadable, error};
  }
}

std::optional<LeftAlone> FollowLink(FileSystem& fs, int folder, const std::string& name, uid_t owner, LinkEnd& end) {
  end.folder = folder;
  end.heldFolder.Close();
  std::vector<std::string> ahead;
  std::string link = name;
  for (int links = 1;; ++links) {
    if (links > kMostLinks) return LeftAlone{LeftAloneReason::Unreadable, ELOOP};
    const std::string target = fs.ReadLinkAt(end.folder, link.c_str());
    if (target.empty()) return ForFailedLookUp(errno);
    if (target.starts_with('/')) {
      const int root = fs.OpenAt(AT_FDCWD, "/", O_PATH | O_DIRECTORY);
      if (root < 0) return LeftAlone{LeftAloneReason::Unreadable, errno};
      end.heldFolder = OpenFile(fs, root);
      end.folder = root;
    }
    PushNames(target, ahead);
    for (;;) {
      // A chain that ends at a folder ("..", "/") ends at no file.
      if (ahead.empty()) return LeftAlone{LeftAloneReason::LinkToNonRegular};
      const std::string next = std::move(ahead.back());
      ahead.pop_back();
      struct stat info {};
      if (fs.StatAt(end.folder, next.c_str(), &info) != 0) return ForFailedLookUp(errno);
      if (S_ISLNK(info.st_mode)) {
        if (info.st_uid != owner) return LeftAlone{LeftAloneReason::LinkToOtherOwner};
        link = next;
        break;
      }
      if (ahead.empty()) {
        end.name = next;
        end.info = info;
        return std::nullopt;
      }
      if (!S_ISDIR(info.st_mode)) return ForFailedLookUp(ENOTDIR);
      if (const std::optional<LeftAlone> failure = Enter(fs, next.c_str(), info, end)) return failure;
    }
  }
}

}  // namespace quelvane
