#pragma once
// A FileSystem that counts every call a run makes and can make the Nth call of any one operation fail, so that a test
// can walk a run's whole write path fault by fault. Calls are told apart by what they act on.

#include <fcntl.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "platform/temporary_name.h"

namespace quelvane::testing {

// Opening the folder; looking a listed name up and following its link; reading the file; checking that it may be
// written; replacing it (swapping names, or renaming where a stick's file system cannot swap); the folder's flush.
// Flushing and closing are one operation each, but for the temporary file: its failure loses the new content.
#define QUELVANE_OPERATIONS(X)                                                                                      \
  X(OpenListedFolder) X(StatFolder) X(LookUp) X(ReadLink) X(OpenLinkFolder) X(StatLinkFolder) X(OpenForReading)     \
  X(StatOpened) X(Read) X(ListAttributes) X(GetAttribute) X(GetInodeFlags) X(StatFileSystem)                        \
  X(GetFatAttributes) X(CheckWritable) X(CreateTemporary) X(StatTemporary) X(Lock) X(Write) X(EmptyTemporary)       \
  X(SetOwner) X(ListTemporaryAttributes) X(RemoveAttribute) X(SetAttribute) X(SetFatAttributes) X(SetMode)          \
  X(SyncTemporary) X(CloseTemporary) X(StatBeforeRename) X(ReadAgain) X(Exchange) X(CheckNames) X(UnlinkOld)        \
  X(Rename) X(OpenFolder) X(Sync) X(Close) X(Unlink)

#define QUELVANE_ENUMERATOR(name) name,
enum class Op { QUELVANE_OPERATIONS(QUELVANE_ENUMERATOR) };
#undef QUELVANE_ENUMERATOR

inline const char* OpName(Op op) {
#define QUELVANE_NAME(name) #name,
  static constexpr const char* kNames[] = {QUELVANE_OPERATIONS(QUELVANE_NAME)};
#undef QUELVANE_NAME
  return kNames[static_cast<size_t>(op)];
}

inline constexpr int kShortWrite = 0;  // writes only half of the bytes asked for, without an error

struct Fault { Op op; int occurrence = 1; int error = 0; };  // occurrence counted from 1; error: errno or kShortWrite

class FaultyFileSystem : public FileSystem {
 public:
  explicit FaultyFileSystem(long type = 0) : pretendedType(type) {}
  ~FaultyFileSystem() override {
    const std::lock_guard lock(mutex_);
    EXPECT_EQ(opened_.size(), 0u) << "descriptors left open";
  }
  std::optional<Fault> fault;
  bool fired = false;
  // Runs before every call (to let another process act just then) with the operation, its count so far and the name
  // it acts on, the temporary one for a rename; for a flush or close, the name the descriptor was opened by; "" for
  // other calls on a descriptor.
  std::function<void(Op, int occurrence, const std::string& name)> before;
  // Reported as the file system's type, to walk USB sticks' path; FAT's attributes are then kept here.
  long pretendedType = 0;
  // Every file's times reported as one whole second that never moves.
  bool timesFrozen = false;

  int Count(Op op) const { return counts_.contains(op) ? counts_.at(op) : 0; }

  int OpenAt(int folder, const char* name, int flags, mode_t mode) override {
    const std::lock_guard lock(mutex_);
    const Op op = (flags & O_PATH)                     ? Op::OpenLinkFolder
                  : (flags & O_DIRECTORY)              ? (name == std::string_view(".") ? Op::OpenFolder
                                                                                        : Op::OpenListedFolder)
                  : (flags & O_CREAT)                  ? Op::CreateTemporary
                                                       : Op::OpenForReading;
    if (Fails(op, name)) return -1;
    const int fd = FileSystem::OpenAt(folder, name, flags, mode);
    if (fd >= 0) opened_[fd] = {op, name};
    if (fd >= 0 && op == Op::CreateTemporary) temporaries_[Kept(name)] = false;
    return fd;
  }
  // Only what it handed out: closing another descriptor (0, say) would close what is not the run's.
  int Close(int fd) override {
    const std::lock_guard lock(mutex_);
    const auto opened = opened_.find(fd);
    if (opened == opened_.end()) {
      ADD_FAILURE() << "closed descriptor " << fd << ", which it never opened";
      return errno = EBADF, -1;
    }
    const bool fails =
        Fails(opened->second.by == Op::CreateTemporary ? Op::CloseTemporary : Op::Close, opened->second.name.c_str());
    opened_.erase(opened);
    const int result = FileSystem::Close(fd);  // on Linux the descriptor is gone even when close fails
    return fails ? -1 : result;
  }
  ssize_t Write(int fd, const void* buffer, size_t size) override {
    const std::lock_guard lock(mutex_);
    if (Fails(Op::Write)) return -1;
    if (shorten_ && size > 1) size /= 2;
    shorten_ = false;
    return FileSystem::Write(fd, buffer, size);
  }
  int Ftruncate(int fd, off_t size) override {
    const std::lock_guard lock(mutex_);
    return Fails(Op::EmptyTemporary) ? -1 : FileSystem::Ftruncate(fd, size);
  }
  int Fsync(int fd) override {
    const std::lock_guard lock(mutex_);
    const Op op = OpenedBy(fd) == Op::CreateTemporary ? Op::SyncTemporary : Op::Sync;
    return Fails(op, opened_.contains(fd) ? opened_.at(fd).name.c_str() : "") ? -1 : FileSystem::Fsync(fd);
  }
  int Fstat(int fd, struct stat* s) override {
    const std::lock_guard lock(mutex_);
    const Op by = OpenedBy(fd);
    const Op op = by == Op::OpenListedFolder  ? Op::StatFolder
                  : by == Op::OpenLinkFolder  ? Op::StatLinkFolder
                  : by == Op::CreateTemporary ? Op::StatTemporary
                                              : Op::StatOpened;
    return Fails(op) || FileSystem::Fstat(fd, s) != 0 ? -1 : Freeze(s);
  }
  // A listed name is looked up while it is opened, checked before its replacement and after a swap of names; a
  // temporary name is checked before a rename, or after a swap.
  int StatAt(int folder, const char* name, struct stat* s) override {
    const std::lock_guard lock(mutex_);
    const std::optional<std::string_view> temporary = KeptPartOfTemporaryName(name);
    const auto live = temporaries_.find(std::string(temporary ? *temporary : KeptPartOfName(name)));
    const Op op = live == temporaries_.end()  ? Op::LookUp
                  : live->second || temporary ? Op::CheckNames
                                              : Op::StatBeforeRename;
    return Fails(op, name) || FileSystem::StatAt(folder, name, s) != 0 ? -1 : Freeze(s);
  }
  int AccessAt(int folder, const char* name, int mode) override {
    const std::lock_guard lock(mutex_);
    return Fails(Op::CheckWritable, name) ? -1 : FileSystem::AccessAt(folder, name, mode);
  }
  std::string ReadLinkAt(int folder, const char* name) override {
    const std::lock_guard lock(mutex_);
    return Fails(Op::ReadLink, name) ? "" : FileSystem::ReadLinkAt(folder, name);
  }
  ssize_t Flistxattr(int fd, char* names, size_t size) override {
    const std::lock_guard lock(mutex_);
    const Op op = OpenedBy(fd) == Op::CreateTemporary ? Op::ListTemporaryAttributes : Op::ListAttributes;
    return Fails(op) ? -1 : FileSystem::Flistxattr(fd, names, size);
  }
  // A file is read again, to compare it, only once its temporary file is there. A large file is read in two halves
  // at once, the second on a thread of its own.
  ssize_t Pread(int fd, void* b, size_t n, off_t at) override {
    const std::lock_guard lock(mutex_);
    const bool again =
        opened_.contains(fd) && temporaries_.contains(std::string(KeptPartOfName(opened_.at(fd).name)));
    return Fails(again ? Op::ReadAgain : Op::Read) ? -1 : FileSystem::Pread(fd, b, n, at);
  }
  // The rest are one operation each.
  int GetInodeFlags(int fd, unsigned* f) override {
    const std::lock_guard lock(mutex_);
    return Fails(Op::GetInodeFlags) ? -1 : FileSystem::GetInodeFlags(fd, f);
  }
  int Fchown(int fd, uid_t u, gid_t g) override {
    const std::lock_guard lock(mutex_);
    return Fails(Op::SetOwner) ? -1 : FileSystem::Fchown(fd, u, g);
  }
  int Fchmod(int fd, mode_t m) override {
    const std::lock_guard lock(mutex_);
    return Fails(Op::SetMode) ? -1 : FileSystem::Fchmod(fd, m);
  }
  ssize_t Fgetxattr(int fd, const char* name, void* v, size_t n) override {
    const std::lock_guard lock(mutex_);
    return Fails(Op::GetAttribute) ? -1 : FileSystem::Fgetxattr(fd, name, v, n);
  }
  int Fsetxattr(int fd, const char* name, const void* v, size_t n) override {
    const std::lock_guard lock(mutex_);
    return Fails(Op::SetAttribute) ? -1 : FileSystem::Fsetxattr(fd, name, v, n);
  }
  int Fremovexattr(int fd, const char* n) override {
    const std::lock_guard lock(mutex_);
    return Fails(Op::RemoveAttribute) ? -1 : FileSystem::Fremovexattr(fd, n);
  }
  int FileSystemType(int fd, long* type) override {
    const std::lock_guard lock(mutex_);
    if (Fails(Op::StatFileSystem)) return -1;
    if (pretendedType == 0) return FileSystem::FileSystemType(fd, type);
    return *type = pretendedType, 0;
  }
  int GetFatAttributes(int, uint32_t* a) override {
    const std::lock_guard lock(mutex_);
    return *a = fatAttributes, Fails(Op::GetFatAttributes) ? -1 : 0;
  }
  int SetFatAttributes(int, uint32_t a) override {
    const std::lock_guard lock(mutex_);
    return Fails(Op::SetFatAttributes) ? -1 : (fatAttributes = a, 0);
  }
  int Flock(int fd, int operation) override {
    const std::lock_guard lock(mutex_);
    return Fails(Op::Lock) ? -1 : FileSystem::Flock(fd, operation);
  }
  // A temporary file still open once renamed is the renamed file.
  int RenameAt(int folder, const char* from, const char* to, unsigned flags) override {
    const std::lock_guard lock(mutex_);
    const bool swap = flags & RENAME_EXCHANGE;
    if (Fails(swap ? Op::Exchange : Op::Rename, from) || FileSystem::RenameAt(folder, from, to, flags) != 0) return -1;
    if (swap) return temporaries_[Kept(from)] = true, 0;
    temporaries_.erase(Kept(from));
    for (auto& [fd, opened] : opened_)
      if (opened.name == from) opened = {Op::Rename, to};
    return 0;
  }
  int UnlinkAt(int folder, const char* name) override {
    const std::lock_guard lock(mutex_);
    const auto live = temporaries_.find(Kept(name));
    const bool old = live != temporaries_.end() && live->second;
    if (Fails(old ? Op::UnlinkOld : Op::Unlink, name) || FileSystem::UnlinkAt(folder, name) != 0) return -1;
    if (live != temporaries_.end()) temporaries_.erase(live);
    return 0;
  }

 private:
  // Counts the call; true when it is the one to fail (errno is then set).
  bool Fails(Op op, const char* name = "") {
    const int occurrence = ++counts_[op];
    if (before) before(op, occurrence, name);
    if (fired || !fault || fault->op != op || fault->occurrence != occurrence) return false;
    fired = true;
    if (fault->error == kShortWrite) return !(shorten_ = true);
    return errno = fault->error, true;
  }
  int Freeze(struct stat* s) const {
    if (timesFrozen) s->st_mtim = s->st_ctim = {1, 0};
    return 0;
  }
  Op OpenedBy(int fd) const { return opened_.contains(fd) ? opened_.at(fd).by : Op::OpenForReading; }
  // The listed name a temporary name stands for.
  static std::string Kept(const char* temporary) {
    return std::string(KeptPartOfTemporaryName(temporary).value_or(""));
  }

  struct Opened { Op by; std::string name; };  // by Rename once renamed

  uint32_t fatAttributes = 0;
  std::map<int, Opened> opened_;  // what each open descriptor is
  std::map<std::string, bool> temporaries_;  // by the listed name they stand for: swapped with it yet?
  std::map<Op, int> counts_;
  bool shorten_ = false;
  // A run may remove its placed files' originals on a thread of its own while it writes a file.
  std::recursive_mutex mutex_;
};

}  // namespace quelvane::testing
