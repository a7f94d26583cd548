#include "file_snapshot.h"

#include <fcntl.h>
#include <sys/xattr.h>

#include <cerrno>

#include "file_system_kind.h"
#include "memory_advice.h"

namespace quelvane {
namespace {

bool ReadAll(FileSystem& fs, int fd, size_t expectedSize, FileSnapshot& snapshot) {
  size_t room = expectedSize + 1;  // one more byte shows whether the file grew
  char* bytes = snapshot.content.Uninitialized(room);
  AdviseHugePages(bytes, room);
  size_t filled = 0;
  for (;;) {
    if (filled == room) bytes = snapshot.content.Grow(room *= 2, filled);
    ssize_t got = fs.Read(fd, bytes + filled, room - filled);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) break;
    filled += static_cast<size_t>(got);
  }
  snapshot.size = filled;
  return true;
}

bool ReadExtendedAttributes(FileSystem& fs, int fd, FileSnapshot& snapshot) {
  snapshot.extendedAttributes.clear();
  ssize_t size = fs.Flistxattr(fd, nullptr, 0);
  if (size < 0) return errno == ENOTSUP;
  std::string names(static_cast<size_t>(size), '\0');
  size = fs.Flistxattr(fd, names.data(), names.size());
  if (size < 0) return false;
  names.resize(static_cast<size_t>(size));
  for (size_t at = 0; at < names.size();) {
    std::string name(names.c_str() + at);
    at += name.size() + 1;
    if (name.empty()) continue;
    ssize_t length = fs.Fgetxattr(fd, name.c_str(), nullptr, 0);
    if (length < 0) return false;
    std::string value(static_cast<size_t>(length), '\0');
    length = fs.Fgetxattr(fd, name.c_str(), value.data(), value.size());
    if (length < 0) return false;
    value.resize(static_cast<size_t>(length));
    snapshot.extendedAttributes.emplace_back(std::move(name), std::move(value));
  }
  return true;
}

}  // namespace

bool ReadFileSnapshot(FileSystem& fs, const std::string& path, FileSnapshot& snapshot, ReadFailure& failure) {
  snapshot.file.Close();
  snapshot.fatAttributes = 0;
  snapshot.path = fs.RealPath(path.c_str());
  if (snapshot.path.empty()) {
    failure = {ReadFailure::Step::Open, errno};
    return false;
  }
  int fd = fs.Open(snapshot.path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    failure = {ReadFailure::Step::Open, errno};
    return false;
  }
  int error = 0;
  ReadFailure::Step step = ReadFailure::Step::Read;
  if (fs.Fstat(fd, &snapshot.info) != 0) {
    error = errno;
  } else if (!S_ISREG(snapshot.info.st_mode)) {
    step = ReadFailure::Step::Open;
    error = EINVAL;
  } else if (!ReadAll(fs, fd, static_cast<size_t>(snapshot.info.st_size), snapshot) ||
             !ReadExtendedAttributes(fs, fd, snapshot)) {
    error = errno;
  } else if (fs.FileSystemType(fd, &snapshot.fileSystemType) != 0 ||
             (IsFat(snapshot.fileSystemType) && fs.GetFatAttributes(fd, &snapshot.fatAttributes) != 0)) {
    error = errno;
  } else if (fs.GetInodeFlags(fd, &snapshot.inodeFlags) != 0) {
    snapshot.inodeFlags = 0;  // file systems without attribute flags have none to honour
  }
  snapshot.file = OpenFile(fs, fd);
  if (error != 0) {
    snapshot.file.Close();
    snapshot.size = 0;
    failure = {step, error};
    return false;
  }
  return true;
}

}  // namespace quelvane
