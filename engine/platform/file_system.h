#pragma once
// Every system call a run makes on files goes through this interface, so
// tests can make any one of them fail (the Nth write, the rename...) and
// check that no file was lost. Calls follow POSIX conventions: -1 and errno.
// Names are looked up relative to an open folder (the *at calls), so that a
// path is never resolved twice and its length never matters.

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <utility>

namespace quelvane {

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // openat: `name` in `folder` (AT_FDCWD: a path from the current folder).
  virtual int OpenAt(int folder, const char* name, int flags, mode_t mode = 0);
  virtual ssize_t Pread(int fd, void* buffer, size_t size, off_t offset);
  virtual ssize_t Write(int fd, const void* buffer, size_t size);
  virtual int Fsync(int fd);
  virtual int Ftruncate(int fd, off_t size);
  // Starts writing the given range to disk without waiting (a hint: the
  // later Fsync is what guarantees it).
  virtual int StartWriteback(int fd, off_t offset, off_t length);
  virtual int Close(int fd);
  virtual int Fstat(int fd, struct stat* info);
  // fstatat with AT_SYMLINK_NOFOLLOW: a link is described, not followed.
  virtual int StatAt(int folder, const char* name, struct stat* info);
  // faccessat with the effective IDs, a link not followed: whether this
  // process may act on the file in `mode` (W_OK...), asked without opening it.
  virtual int AccessAt(int folder, const char* name, int mode);
  // readlinkat: the link's target; empty with errno set on failure.
  virtual std::string ReadLinkAt(int folder, const char* name);
  // The type of the file system holding the file (statfs's f_type).
  virtual int FileSystemType(int fd, long* type);
  // The inode attribute flags (FS_IOC_GETFLAGS): immutable, append-only...
  virtual int GetInodeFlags(int fd, unsigned* flags);
  // FAT's hidden, system, archive and read-only bits (vfat only).
  virtual int GetFatAttributes(int fd, uint32_t* attributes);
  virtual int SetFatAttributes(int fd, uint32_t attributes);
  virtual int Flock(int fd, int operation);
  virtual int Fchown(int fd, uid_t owner, gid_t group);
  virtual int Fchmod(int fd, mode_t mode);
  virtual ssize_t Flistxattr(int fd, char* names, size_t size);
  virtual ssize_t Fgetxattr(int fd, const char* name, void* value, size_t size);
  virtual int Fsetxattr(int fd, const char* name, const void* value, size_t size);
  virtual int Fremovexattr(int fd, const char* name);
  // renameat2 within one folder: flags 0 replaces `to`; RENAME_EXCHANGE
  // swaps the two names at once (EINVAL where the file system cannot).
  virtual int RenameAt(int folder, const char* from, const char* to, unsigned flags);
  virtual int UnlinkAt(int folder, const char* name);
};

// A descriptor closed when it goes out of scope.
class OpenFile {
 public:
  OpenFile() = default;
  OpenFile(FileSystem& fs, int fd) : fs_(&fs), fd_(fd) {}
  OpenFile(OpenFile&& other) noexcept : fs_(other.fs_), fd_(other.Release()) {}
  OpenFile& operator=(OpenFile&& other) noexcept {
    if (this != &other) {
      Close();
      fs_ = other.fs_;
      fd_ = other.Release();
    }
    return *this;
  }
  ~OpenFile() { Close(); }

  int fd() const { return fd_; }
  int Release() { return std::exchange(fd_, -1); }
  // Nothing was written through it, or what was has been flushed already,
  // so a failing close changes nothing the caller could act on.
  void Close() {
    if (fd_ >= 0) fs_->Close(fd_);
    fd_ = -1;
  }

 private:
  FileSystem* fs_ = nullptr;
  int fd_ = -1;
};

// The real thing.
FileSystem& SystemFileSystem();

}  // namespace quelvane
