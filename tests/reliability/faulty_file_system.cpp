#include "faulty_file_system.h"

#include <fcntl.h>

#include <cerrno>

namespace quelvane::testing {

const char* OpName(Op op) {
  switch (op) {
    case Op::ResolvePath: return "resolve path";
    case Op::OpenForReading: return "open for reading";
    case Op::StatOpened: return "stat opened file";
    case Op::Read: return "read";
    case Op::ListAttributes: return "list attributes";
    case Op::GetAttribute: return "get attribute";
    case Op::GetInodeFlags: return "get inode flags";
    case Op::CloseRead: return "close file read";
    case Op::OpenForWriting: return "open original for writing";
    case Op::CloseWriting: return "close original opened for writing";
    case Op::CreateTemporary: return "create temporary file";
    case Op::Write: return "write";
    case Op::SetOwner: return "set owner";
    case Op::ListTemporaryAttributes: return "list temporary file's attributes";
    case Op::RemoveAttribute: return "remove attribute";
    case Op::SetAttribute: return "set attribute";
    case Op::SetMode: return "set mode";
    case Op::SyncTemporary: return "flush temporary file";
    case Op::CloseTemporary: return "close temporary file";
    case Op::StatBeforeRename: return "stat original before rename";
    case Op::Rename: return "rename";
    case Op::OpenFolder: return "open folder";
    case Op::SyncFolder: return "flush folder";
    case Op::CloseFolder: return "close folder";
    case Op::Unlink: return "unlink";
  }
  return "?";
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

Op FaultyFileSystem::ByHandle(int fd, Op reading, Op temporary, Op folder) {
  auto it = handles_.find(fd);
  if (it == handles_.end()) return reading;
  switch (it->second) {
    case Handle::Reading: return reading;
    case Handle::Writing: return Op::CloseWriting;
    case Handle::Temporary: return temporary;
    case Handle::Folder: return folder;
  }
  return reading;
}

int FaultyFileSystem::Open(const char* path, int flags, mode_t mode) {
  Handle handle = (flags & O_DIRECTORY) ? Handle::Folder
                  : (flags & O_CREAT)   ? Handle::Temporary
                  : (flags & O_ACCMODE) != O_RDONLY ? Handle::Writing
                                                    : Handle::Reading;
  const Op op = handle == Handle::Folder      ? Op::OpenFolder
                : handle == Handle::Temporary ? Op::CreateTemporary
                : handle == Handle::Writing   ? Op::OpenForWriting
                                              : Op::OpenForReading;
  if (Fails(op)) return -1;
  int fd = FileSystem::Open(path, flags, mode);
  if (fd >= 0) handles_[fd] = handle;
  return fd;
}

ssize_t FaultyFileSystem::Read(int fd, void* buffer, size_t size) {
  return Fails(Op::Read) ? -1 : FileSystem::Read(fd, buffer, size);
}

ssize_t FaultyFileSystem::Write(int fd, const void* buffer, size_t size) {
  if (Fails(Op::Write)) return -1;
  if (shorten_ && size > 1) size /= 2;
  shorten_ = false;
  return FileSystem::Write(fd, buffer, size);
}

int FaultyFileSystem::Fsync(int fd) {
  return Fails(ByHandle(fd, Op::SyncTemporary, Op::SyncTemporary, Op::SyncFolder)) ? -1 : FileSystem::Fsync(fd);
}

int FaultyFileSystem::Close(int fd) {
  Op op = ByHandle(fd, Op::CloseRead, Op::CloseTemporary, Op::CloseFolder);
  handles_.erase(fd);
  if (Fails(op)) {
    FileSystem::Close(fd);  // on Linux the descriptor is gone even when close fails
    return -1;
  }
  return FileSystem::Close(fd);
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

int FaultyFileSystem::Fchmod(int fd, mode_t mode) {
  return Fails(Op::SetMode) ? -1 : FileSystem::Fchmod(fd, mode);
}

ssize_t FaultyFileSystem::Flistxattr(int fd, char* names, size_t size) {
  return Fails(ByHandle(fd, Op::ListAttributes, Op::ListTemporaryAttributes)) ? -1
                                                                              : FileSystem::Flistxattr(fd, names, size);
}

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
