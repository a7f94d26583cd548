#include "file_system.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <linux/msdos_fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/vfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>

namespace quelvane {

int FileSystem::OpenAt(int folder, const char* name, int flags, mode_t mode) {
  return ::openat(folder, name, flags | O_CLOEXEC, mode);
}
ssize_t FileSystem::Pread(int fd, void* buffer, size_t size, off_t offset) {
  return ::pread(fd, buffer, size, offset);
}
ssize_t FileSystem::Write(int fd, const void* buffer, size_t size) { return ::write(fd, buffer, size); }
int FileSystem::Fsync(int fd) { return ::fsync(fd); }
int FileSystem::Ftruncate(int fd, off_t size) { return ::ftruncate(fd, size); }
int FileSystem::StartWriteback(int fd, off_t offset, off_t length) {
  return ::sync_file_range(fd, offset, length, SYNC_FILE_RANGE_WRITE);
}
int FileSystem::Close(int fd) { return ::close(fd); }
int FileSystem::Fstat(int fd, struct stat* info) { return ::fstat(fd, info); }
int FileSystem::StatAt(int folder, const char* name, struct stat* info) {
  return ::fstatat(folder, name, info, AT_SYMLINK_NOFOLLOW);
}
int FileSystem::AccessAt(int folder, const char* name, int mode) {
  return ::faccessat(folder, name, mode, AT_EACCESS | AT_SYMLINK_NOFOLLOW);
}
std::string FileSystem::ReadLinkAt(int folder, const char* name) {
  char target[PATH_MAX];
  const ssize_t length = ::readlinkat(folder, name, target, sizeof target);
  if (length < 0) return {};
  if (static_cast<size_t>(length) == sizeof target) return errno = ENAMETOOLONG, std::string();
  return std::string(target, static_cast<size_t>(length));
}
int FileSystem::FileSystemType(int fd, long* type) {
  struct statfs info {};
  int result = ::fstatfs(fd, &info);
  *type = static_cast<long>(info.f_type);
  return result;
}
int FileSystem::GetFatAttributes(int fd, uint32_t* attributes) {
  return ::ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, attributes);
}
int FileSystem::SetFatAttributes(int fd, uint32_t attributes) {
  return ::ioctl(fd, FAT_IOCTL_SET_ATTRIBUTES, &attributes);
}
int FileSystem::Flock(int fd, int operation) { return ::flock(fd, operation); }
int FileSystem::GetInodeFlags(int fd, unsigned* flags) {
  int value = 0;  // the kernel writes an int whatever the ioctl's declared type
  int result = ::ioctl(fd, FS_IOC_GETFLAGS, &value);
  *flags = static_cast<unsigned>(value);
  return result;
}
int FileSystem::Fchown(int fd, uid_t owner, gid_t group) { return ::fchown(fd, owner, group); }
int FileSystem::Fchmod(int fd, mode_t mode) { return ::fchmod(fd, mode); }
ssize_t FileSystem::Flistxattr(int fd, char* names, size_t size) { return ::flistxattr(fd, names, size); }
ssize_t FileSystem::Fgetxattr(int fd, const char* name, void* value, size_t size) {
  return ::fgetxattr(fd, name, value, size);
}
int FileSystem::Fsetxattr(int fd, const char* name, const void* value, size_t size) {
  return ::fsetxattr(fd, name, value, size, 0);
}
int FileSystem::Fremovexattr(int fd, const char* name) { return ::fremovexattr(fd, name); }
int FileSystem::RenameAt(int folder, const char* from, const char* to, unsigned flags) {
  return ::renameat2(folder, from, folder, to, flags);
}
int FileSystem::UnlinkAt(int folder, const char* name) { return ::unlinkat(folder, name, 0); }

FileSystem& SystemFileSystem() {
  static FileSystem system;
  return system;
}

}  // namespace quelvane
