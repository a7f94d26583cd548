#pragma once
// A FileSystem that counts every call a run makes and can make the Nth call
// of any one operation fail, so that a test can walk a run's whole write
// path fault by fault. Calls are told apart by what they act on: closing the
// file that was read is not closing the temporary file.

#include <fcntl.h>

#include <cerrno>
#include <functional>
#include <map>
#include <optional>

#include "platform/file_system.h"

namespace quelvane::testing {

// Reading a file; checking that it may be written; replacing it.
#define QUELVANE_OPERATIONS(X)                                                                                      \
  X(ResolvePath) X(OpenForReading) X(StatOpened) X(Read) X(ListAttributes) X(GetAttribute) X(GetInodeFlags)         \
  X(CloseRead) X(OpenForWriting) X(CloseWriting) X(CreateTemporary) X(Write) X(SetOwner) X(ListTemporaryAttributes) \
  X(RemoveAttribute) X(SetAttribute) X(SetMode) X(SyncTemporary) X(CloseTemporary) X(StatBeforeRename) X(Rename)    \
  X(OpenFolder) X(SyncFolder) X(CloseFolder) X(Unlink)

#define QUELVANE_ENUMERATOR(name) name,
enum class Op { QUELVANE_OPERATIONS(QUELVANE_ENUMERATOR) };
#undef QUELVANE_ENUMERATOR

inline const char* OpName(Op op) {
#define QUELVANE_NAME(name) #name,
  static constexpr const char* kNames[] = {QUELVANE_OPERATIONS(QUELVANE_NAME)};
#undef QUELVANE_NAME
  return kNames[static_cast<size_t>(op)];
}

// Writes only half of the bytes asked for, without an error.
inline constexpr int kShortWrite = 0;

struct Fault {
  Op op;
  int occurrence = 1;  // counted from 1
  int error = 0;       // errno to fail with, or kShortWrite
};

class FaultyFileSystem : public FileSystem {
 public:
  std::optional<Fault> fault;
  bool fired = false;
  // Runs before every call, e.g. to let another process act at that very
  // moment; gets the operation and how often it has been made.
  std::function<void(Op, int occurrence)> before;

  int Count(Op op) const { return counts_.contains(op) ? counts_.at(op) : 0; }

  int Open(const char* path, int flags, mode_t mode) override {
    const Op op = (flags & O_DIRECTORY)             ? Op::OpenFolder
                  : (flags & O_CREAT)               ? Op::CreateTemporary
                  : (flags & O_ACCMODE) != O_RDONLY ? Op::OpenForWriting
                                                    : Op::OpenForReading;
    if (Fails(op)) return -1;
    const int fd = FileSystem::Open(path, flags, mode);
    if (fd >= 0) opened_[fd] = op;
    return fd;
  }
  int Close(int fd) override {
    const Op by = OpenedBy(fd);
    opened_.erase(fd);
    const bool fails = Fails(by == Op::OpenFolder        ? Op::CloseFolder
                             : by == Op::CreateTemporary ? Op::CloseTemporary
                             : by == Op::OpenForWriting  ? Op::CloseWriting
                                                         : Op::CloseRead);
    const int result = FileSystem::Close(fd);  // on Linux the descriptor is gone even when close fails
    return fails ? -1 : result;
  }
  ssize_t Write(int fd, const void* buffer, size_t size) override {
    if (Fails(Op::Write)) return -1;
    if (shorten_ && size > 1) size /= 2;
    shorten_ = false;
    return FileSystem::Write(fd, buffer, size);
  }
  int Fsync(int fd) override {
    return Fails(OpenedBy(fd) == Op::OpenFolder ? Op::SyncFolder : Op::SyncTemporary) ? -1 : FileSystem::Fsync(fd);
  }
  ssize_t Flistxattr(int fd, char* names, size_t size) override {
    const Op op = OpenedBy(fd) == Op::CreateTemporary ? Op::ListTemporaryAttributes : Op::ListAttributes;
    return Fails(op) ? -1 : FileSystem::Flistxattr(fd, names, size);
  }
  // The rest are one operation each.
  ssize_t Read(int fd, void* b, size_t n) override { return Fails(Op::Read) ? -1 : FileSystem::Read(fd, b, n); }
  int Fstat(int fd, struct stat* s) override { return Fails(Op::StatOpened) ? -1 : FileSystem::Fstat(fd, s); }
  int Stat(const char* p, struct stat* s) override { return Fails(Op::StatBeforeRename) ? -1 : FileSystem::Stat(p, s); }
  int GetInodeFlags(int fd, unsigned* f) override {
    return Fails(Op::GetInodeFlags) ? -1 : FileSystem::GetInodeFlags(fd, f);
  }
  int Fchown(int fd, uid_t u, gid_t g) override { return Fails(Op::SetOwner) ? -1 : FileSystem::Fchown(fd, u, g); }
  int Fchmod(int fd, mode_t m) override { return Fails(Op::SetMode) ? -1 : FileSystem::Fchmod(fd, m); }
  ssize_t Fgetxattr(int fd, const char* name, void* v, size_t n) override {
    return Fails(Op::GetAttribute) ? -1 : FileSystem::Fgetxattr(fd, name, v, n);
  }
  int Fsetxattr(int fd, const char* name, const void* v, size_t n) override {
    return Fails(Op::SetAttribute) ? -1 : FileSystem::Fsetxattr(fd, name, v, n);
  }
  int Fremovexattr(int fd, const char* n) override {
    return Fails(Op::RemoveAttribute) ? -1 : FileSystem::Fremovexattr(fd, n);
  }
  int Rename(const char* a, const char* b) override { return Fails(Op::Rename) ? -1 : FileSystem::Rename(a, b); }
  int Unlink(const char* path) override { return Fails(Op::Unlink) ? -1 : FileSystem::Unlink(path); }
  std::string RealPath(const char* p) override { return Fails(Op::ResolvePath) ? "" : FileSystem::RealPath(p); }

 private:
  // Counts the call; true when it is the one to fail (errno is then set).
  bool Fails(Op op) {
    const int occurrence = ++counts_[op];
    if (before) before(op, occurrence);
    if (fired || !fault || fault->op != op || fault->occurrence != occurrence) return false;
    fired = true;
    if (fault->error == kShortWrite) return !(shorten_ = true);
    errno = fault->error;
    return true;
  }
  Op OpenedBy(int fd) const { return opened_.contains(fd) ? opened_.at(fd) : Op::OpenForReading; }

  std::map<int, Op> opened_;  // what each open descriptor is
  std::map<Op, int> counts_;
  bool shorten_ = false;
};

}  // namespace quelvane::testing
