#include "faulty_file_system.h"

#include <fcntl.h>

#include <cerrno>
#include <iterator>

namespace quelvane::testing {

const char* OpName(Op op) {
  static constexpr const char* kNames[] = {
      "resolve path", "open for reading", "stat opened file", "read", "list attributes", "get attribute",
      "get inode flags", "close file read", "open original for writing", "close original opened for writing",
      "create temporary file", "write", "set owner", "list temporary file's attributes", "remove attribute",
      "set attribute", "set mode", "flush temporary file", "close temporary file", "stat original before rename",
      "rename", "open folder", "flush folder", "close folder", "unlink"};
  static_assert(std::size(kNames) == static_cast<size_t>(Op::Unlink) + 1);
  return kNames[static_cast<size_t>(op)];
}

int FaultyFileSystem::Count(Op op) const {
  auto it = counts_.find(op);
  return it == counts_.end() ? 0 : it->second;
}

bool FaultyFileSystem::Fails(Op op) {
  calls.push_back(op);
  int occurrence = ++counts_[op];
  if (before) before(op, occurrence);
  if (fired || !fault || fault->op != op || fault->occurrence != occurrence) return false;
  fired = true;
  if (fault->error == kShortWrite) return !(shorten_ = true);
  errno = fault->error;
  return true;
}

Op FaultyFileSystem::OpenedBy(int fd) const {
  auto it = opened_.find(fd);
  return it == opened_.end() ? Op::OpenForReading : it->second;
}

int FaultyFileSystem::Open(const char* path, int flags, mode_t mode) {
  const Op op = (flags & O_DIRECTORY)               ? Op::OpenFolder
                : (flags & O_CREAT)                 ? Op::CreateTemporary
                : (flags & O_ACCMODE) != O_RDONLY   ? Op::OpenForWriting
                                                    : Op::OpenForReading;
  if (Fails(op)) return -1;
  int fd = FileSystem::Open(path, flags, mode);
  if (fd >= 0) opened_[fd] = op;
  return fd;
}

int FaultyFileSystem::Close(int fd) {
  const Op by = OpenedBy(fd);
  opened_.erase(fd);
  const Op op = by == Op::OpenFolder        ? Op::CloseFolder
                : by == Op::CreateTemporary ? Op::CloseTemporary
                : by == Op::OpenForWriting  ? Op::CloseWriting
                                            : Op::CloseRead;
  const bool fails = Fails(op);
  int result = FileSystem::Close(fd);  // on Linux the descriptor is gone even when close fails
  return fails ? -1 : result;
}

ssize_t FaultyFileSystem::Write(int fd, const void* buffer, size_t size) {
  if (Fails(Op::Write)) return -1;
  if (shorten_ && size > 1) size /= 2;
  shorten_ = false;
  return FileSystem::Write(fd, buffer, size);
}

int FaultyFileSystem::Fsync(int fd) {
  return Fails(OpenedBy(fd) == Op::OpenFolder ? Op::SyncFolder : Op::SyncTemporary) ? -1 : FileSystem::Fsync(fd);
}

ssize_t FaultyFileSystem::Flistxattr(int fd, char* names, size_t size) {
  const Op op = OpenedBy(fd) == Op::CreateTemporary ? Op::ListTemporaryAttributes : Op::ListAttributes;
  return Fails(op) ? -1 : FileSystem::Flistxattr(fd, names, size);
}

// The rest fail or pass through, one operation each.
ssize_t FaultyFileSystem::Read(int fd, void* buffer, size_t size) {
  return Fails(Op::Read) ? -1 : FileSystem::Read(fd, buffer, size);
}
int FaultyFileSystem::Fstat(int fd, struct stat* info) {
  return Fails(Op::StatOpened) ? -1 : FileSystem::Fstat(fd, info);
}
int FaultyFileSystem::Stat(const char* path, struct stat* info) {
  return Fails(Op::StatBeforeRename) ? -1 : FileSystem::Stat(path, info);
}
int FaultyFileSystem::GetInodeFlags(int fd, unsigned* flags) {
  return Fails(Op::GetInodeFlags) ? -1 : FileSystem::GetInodeFlags(fd, flags);
}
int FaultyFileSystem::Fchown(int fd, uid_t owner, gid_t group) {
  return Fails(Op::SetOwner) ? -1 : FileSystem::Fchown(fd, owner, group);
}
int FaultyFileSystem::Fchmod(int fd, mode_t mode) { return Fails(Op::SetMode) ? -1 : FileSystem::Fchmod(fd, mode); }
ssize_t FaultyFileSystem::Fgetxattr(int fd, const char* name, void* value, size_t size) {
  return Fails(Op::GetAttribute) ? -1 : FileSystem::Fgetxattr(fd, name, value, size);
}
int FaultyFileSystem::Fsetxattr(int fd, const char* name, const void* value, size_t size) {
  return Fails(Op::SetAttribute) ? -1 : FileSystem::Fsetxattr(fd, name, value, size);
}
int FaultyFileSystem::Fremovexattr(int fd, const char* name) {
  return Fails(Op::RemoveAttribute) ? -1 : FileSystem::Fremovexattr(fd, name);
}
int FaultyFileSystem::Rename(const char* from, const char* to) {
  return Fails(Op::Rename) ? -1 : FileSystem::Rename(from, to);
}
int FaultyFileSystem::Unlink(const char* path) { return Fails(Op::Unlink) ? -1 : FileSystem::Unlink(path); }
std::string FaultyFileSystem::RealPath(const char* path) {
  return Fails(Op::ResolvePath) ? std::string() : FileSystem::RealPath(path);
}

}  // namespace quelvane::testing
