#pragma once
// A FileSystem that records every call a run makes and can make the Nth
// call of any one operation fail, so that a test can walk a run's whole
// write path fault by fault. Calls are told apart by what they act on:
// closing the file that was read is not closing the temporary file.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace quelvane::testing {

enum class Op {
  // Reading a file.
  ResolvePath, OpenForReading, StatOpened, Read, ListAttributes, GetAttribute, GetInodeFlags, CloseRead,
  // Checking that it may be written.
  OpenForWriting, CloseWriting,
  // Replacing it.
  CreateTemporary, Write, SetOwner, ListTemporaryAttributes, RemoveAttribute, SetAttribute, SetMode,
  SyncTemporary, CloseTemporary, StatBeforeRename, Rename, OpenFolder, SyncFolder, CloseFolder, Unlink,
};

const char* OpName(Op op);

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
  // Runs before every call is made, e.g. to let another process act at
  // that very moment. Gets the operation and how often it has been made.
  std::function<void(Op, int occurrence)> before;

  std::vector<Op> calls;  // in order, the failing one included
  bool fired = false;
  int Count(Op op) const;

  int Open(const char* path, int flags, mode_t mode) override;
  ssize_t Read(int fd, void* buffer, size_t size) override;
  ssize_t Write(int fd, const void* buffer, size_t size) override;
  int Fsync(int fd) override;
  int Close(int fd) override;
  int Fstat(int fd, struct stat* info) override;
  int Stat(const char* path, struct stat* info) override;
  int GetInodeFlags(int fd, unsigned* flags) override;
  int Fchown(int fd, uid_t owner, gid_t group) override;
  int Fchmod(int fd, mode_t mode) override;
  ssize_t Flistxattr(int fd, char* names, size_t size) override;
  ssize_t Fgetxattr(int fd, const char* name, void* value, size_t size) override;
  int Fsetxattr(int fd, const char* name, const void* value, size_t size) override;
  int Fremovexattr(int fd, const char* name) override;
  int Rename(const char* from, const char* to) override;
  int Unlink(const char* path) override;
  std::string RealPath(const char* path) override;

 private:
  // Records the call; true when it is the one to fail (errno is then set).
  bool Fails(Op op);
  Op OpenedBy(int fd) const;

  std::map<int, Op> opened_;  // what each open descriptor is
  std::map<Op, int> counts_;
  bool shorten_ = false;
};

}  // namespace quelvane::testing
