#include "file_replacement.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <linux/msdos_fs.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <set>
#include <utility>

#include "extended_attributes.h"
#include "file_system_kind.h"
#include "temporary_name.h"

namespace quelvane {
namespace {

// The status change time moves with every chmod, chown and attribute change
// too: without it, metadata changed meanwhile would be put back as it was.
bool SameVersion(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
         a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
         a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

// FAT's own bits that a tidied file keeps; read-only goes with the mode.
constexpr uint32_t kKeptFatAttributes = ATTR_HIDDEN | ATTR_SYS | ATTR_ARCH;

enum class Comparison { Same, Different, Failed };

// Reads the file again through the descriptor it was read by.
Comparison CompareWithSnapshot(FileSystem& fs, const FileSnapshot& file) {
  char block[65536];
  const std::string_view old = file.bytes();
  for (size_t at = 0;;) {
    ssize_t got = fs.Pread(file.file.fd(), block, sizeof block, static_cast<off_t>(at));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return Comparison::Failed;
    if (got == 0) return at == old.size() ? Comparison::Same : Comparison::Different;
    const size_t size = static_cast<size_t>(got);
    if (size > old.size() - at || std::memcmp(block, old.data() + at, size) != 0) return Comparison::Different;
    at += size;
  }
}

// What was found under a name in place of the file expected there: another
// user's file, or another program's doing.
LeftAlone Intruder(const struct stat& found) {
  return {found.st_uid != geteuid() ? LeftAloneReason::TakenOver : LeftAloneReason::ChangedMeanwhile};
}

// Where a change made since the file was read shows in its times: they
// are fine enough, and not both set to a whole second (as archivers and
// touch -d set them). Equal to the original's once SameVersion holds.
bool TimesProveChanges(const FileSnapshot& file) {
  return !IsStickFileSystem(file.fileSystemType) && (file.info.st_mtim.tv_nsec != 0 || file.info.st_ctim.tv_nsec != 0);
}

}  // namespace

bool CanWait(const FileSnapshot& original) { return TimesProveChanges(original); }

void IgnoreFileSizeSignal() {
  struct sigaction current {};
  if (sigaction(SIGXFSZ, nullptr, &current) == 0 && !(current.sa_flags & SA_SIGINFO) &&
      current.sa_handler == SIG_DFL) {
    signal(SIGXFSZ, SIG_IGN);
  }
}

FileReplacement::FileReplacement(FileSystem& fs, const FileSnapshot& original) : fs_(fs), original_(original) {}

FileReplacement::~FileReplacement() { RemoveTemporaryFile(); }

void FileReplacement::RemoveTemporaryFile() {
  if (fd_ >= 0) fs_.Close(fd_);
  fd_ = -1;
  if (!temporaryName_.empty()) fs_.UnlinkAt(original_.folder, temporaryName_.c_str());
  temporaryName_.clear();
}

// The temporary file is kept, to be emptied should the new bytes differ
// again: nothing is created or removed twice.
void FileReplacement::StartOver() {
  matched_ = 0;
  diverged_ = false;
  written_ = 0;
  sentToDisk_ = 0;
}

bool FileReplacement::Fail(LeftAlone why) {
  failure_ = why;
  RemoveTemporaryFile();
  return false;
}

bool FileReplacement::Write(std::string_view bytes) {
  if (failure_) return false;
  if (!diverged_) {
    std::string_view old = original_.bytes().substr(matched_);
    size_t same = 0;
    const size_t limit = std::min(old.size(), bytes.size());
    // Whole blocks by memcmp first: an unchanged file is compared at memory speed.
    constexpr size_t kBlock = 4096;
    while (same + kBlock <= limit && std::memcmp(old.data() + same, bytes.data() + same, kBlock) == 0) same += kBlock;
    while (same < limit && old[same] == bytes[same]) ++same;
    matched_ += same;
    if (same == bytes.size()) return true;
    // The first difference: from here on the new content goes to disk.
    if (!StartTemporaryFile() || !WriteAll(original_.bytes().substr(0, matched_))) return false;
    bytes.remove_prefix(same);
  }
  return WriteAll(bytes);
}

std::optional<LeftAlone> FileReplacement::Abandon(LeftAlone why) {
  Fail(why);
  return why;
}

bool FileReplacement::StartTemporaryFile() {
  diverged_ = true;
  // Kept from before StartOver: its writes go to its end, now its start.
  if (fd_ >= 0) return fs_.Ftruncate(fd_, 0) == 0 || Fail(ForSystemError(errno));
  // From what was read, not from an errno: root gets no EACCES.
  if (original_.inodeFlags & (FS_IMMUTABLE_FL | FS_APPEND_FL)) return Fail({LeftAloneReason::Unmodifiable});
  if ((original_.info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return Fail({LeftAloneReason::ReadOnly});
  // Asked, not tried by opening the file to write: that would cost a close
  // and tell whoever watches the folder that the original was written. A
  // link swapped in meanwhile is found before the rename.
  if (fs_.AccessAt(original_.folder, original_.name.c_str(), W_OK) != 0) {
    const int error = errno;
    if ((error == EACCES || error == EPERM) && original_.info.st_uid != geteuid()) {
      return Fail({LeftAloneReason::OtherOwner, error});
    }
    return Fail(ForSystemError(error));
  }

  for (int attempt = 0; attempt < 16; ++attempt) {
    temporaryName_ = TemporaryNameFor(original_.name);
    fd_ = fs_.OpenAt(original_.folder, temporaryName_.c_str(),
                     O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY, S_IRUSR | S_IWUSR);
    if (fd_ >= 0) {
      // What the name must still hold when the file takes the original's place.
      if (fs_.Fstat(fd_, &temporary_) != 0) return Fail(ForSystemError(errno));
      // Held while the file lives, so that another run never takes it for
      // one an interrupted run left. Where locks are not kept it is left
      // for good instead, which loses nothing.
      fs_.Flock(fd_, LOCK_EX | LOCK_NB);
      // Hidden to other systems too.
      if (IsFat(original_.fileSystemType) && fs_.SetFatAttributes(fd_, ATTR_HIDDEN | ATTR_ARCH) != 0) {
        return Fail(ForSystemError(errno));
      }
      return true;
    }
    if (errno != EEXIST) break;
  }
  const int error = errno;
  temporaryName_.clear();  // not ours: never remove it
  return Fail(error == EACCES || error == EPERM || error == EROFS ? LeftAlone{LeftAloneReason::FolderNotWritable, error}
                                                                  : ForSystemError(error));
}

bool FileReplacement::WriteAll(std::string_view bytes) {
  // The disk writes the blocks before this one while it is written and the
  // next one made, so the flush before the rename has little left to wait
  // for. The last block is left to that flush: a small file's one block
  // would otherwise be sent to the disk twice in a row.
  SendToDisk();
  while (!bytes.empty()) {
    ssize_t written = fs_.Write(fd_, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return Fail(ForSystemError(written == 0 ? EIO : errno));
    bytes.remove_prefix(static_cast<size_t>(written));
    written_ += static_cast<size_t>(written);
  }
  return true;
}

bool FileReplacement::RemoveInheritedAttributes() {
  const std::optional<std::vector<std::string>> names = AttributeNames(fs_, fd_);
  if (!names) return false;
  std::set<std::string_view> kept;
  for (const auto& attribute : original_.extendedAttributes) kept.insert(attribute.first);
  for (const std::string& name : *names) {
    if (!kept.contains(name) && fs_.Fremovexattr(fd_, name.c_str()) != 0) return false;
  }
  return true;
}

bool FileReplacement::CopyMetadata() {
  // Owner first: changing it clears set-user-ID bits that the mode then restores.
  if (fs_.Fchown(fd_, original_.info.st_uid, original_.info.st_gid) != 0) return false;
  // A new file inherits the folder's default ACL: the original may have none.
  if (!RemoveInheritedAttributes()) return false;
  for (const auto& [name, value] : original_.extendedAttributes) {
    if (fs_.Fsetxattr(fd_, name.c_str(), value.data(), value.size()) != 0) return false;
  }
  // Setting them also sets the mode, which follows.
  if (IsFat(original_.fileSystemType) &&
      fs_.SetFatAttributes(fd_, original_.fatAttributes & kKeptFatAttributes) != 0) {
    return false;
  }
  // Mode last, so that it ends exactly as the original's whatever the ACL
  // writes above did to it.
  return fs_.Fchmod(fd_, original_.info.st_mode & 07777) == 0;
}

std::optional<LeftAlone> FileReplacement::Commit() {
  if (const std::optional<LeftAlone> why = Complete()) return why;
  return diverged_ ? Place() : std::nullopt;
}

std::optional<LeftAlone> FileReplacement::Complete() {
  if (failure_) return failure_;
  if (!diverged_) {
    if (matched_ == original_.bytes().size()) return std::nullopt;
    // The new content is a prefix of the old one.
    if (!StartTemporaryFile() || !WriteAll(original_.bytes().substr(0, matched_))) return failure_;
  }
  if (!CopyMetadata()) return Abandon(ForSystemError(errno));
  return std::nullopt;
}

void FileReplacement::SendToDisk() {
  if (fd_ < 0 || written_ == sentToDisk_) return;
  fs_.StartWriteback(fd_, static_cast<off_t>(sentToDisk_), static_cast<off_t>(written_ - sentToDisk_));
  sentToDisk_ = written_;
}

std::optional<LeftAlone> FileReplacement::Place(OriginalGoes goes) {
  if (fs_.Fsync(fd_) != 0) return Abandon(ForSystemError(errno));
  const bool onStick = IsStickFileSystem(original_.fileSystemType);
  // Elsewhere the descriptor is closed first: some file systems report
  // write errors only then.
  if (!onStick) {
    if (fs_.Close(std::exchange(fd_, -1)) != 0) return Abandon(ForSystemError(errno));
  }
  if (const std::optional<LeftAlone> stop = ChangedSinceRead()) return Abandon(*stop);
  if (const std::optional<LeftAlone> stop = onStick ? RenameOver() : SwapNames()) return Abandon(*stop);
  replaced_ = true;
  if (goes == OriginalGoes::AtOnce) RemoveOriginal();
  if (onStick) {
    // First the temporary name's removal, then the file's entry under its
    // own name: a power cut between them leaves the old content, never a
    // second name sharing the new clusters. The old clusters stay the old
    // file's while its read descriptor is open, until the entry no longer
    // points at them. The content is complete either way, so failures here
    // change nothing for the user.
    FlushFolder(fs_, original_.folder);
    fs_.Fsync(fd_);
    fs_.Close(std::exchange(fd_, -1));
  }
  return std::nullopt;
}

// ChangedMeanwhile, Unreadable when the file cannot be read again, or nothing.
std::optional<LeftAlone> FileReplacement::ChangedSinceRead() {
  struct stat now {};
  if (fs_.StatAt(original_.folder, original_.name.c_str(), &now) != 0 || !SameVersion(now, original_.info)) {
    return LeftAlone{LeftAloneReason::ChangedMeanwhile};
  }
  // Where times are too coarse to show a change, the content shows it.
  if (TimesProveChanges(original_)) return std::nullopt;
  switch (CompareWithSnapshot(fs_, original_)) {
    case Comparison::Same: return std::nullopt;
    case Comparison::Different: return LeftAlone{LeftAloneReason::ChangedMeanwhile};
    case Comparison::Failed: break;
  }
  return LeftAlone{LeftAloneReason::Unreadable, errno};
}

bool FileReplacement::IsOurs(const struct stat& info) const {
  return info.st_dev == temporary_.st_dev && info.st_ino == temporary_.st_ino;
}

// The new file and the original swap names; each name must then hold the
// file expected, or the swap is undone: whatever another program moved
// under either name meanwhile goes back where it was, and the original
// keeps its place. The original is then under the temporary name.
std::optional<LeftAlone> FileReplacement::SwapNames() {
  const int folder = original_.folder;
  const char* const name = original_.name.c_str();
  const char* const temporary = temporaryName_.c_str();
  if (fs_.RenameAt(folder, temporary, name, RENAME_EXCHANGE) != 0) {
    const int error = errno;
    if (error == EINVAL || error == ENOSYS) return RenameOver();  // no swapping here (NFS, FUSE...)
    return error == ENOENT ? LeftAlone{LeftAloneReason::ChangedMeanwhile, error} : ForSystemError(error);
  }
  struct stat atName {}, atTemporary {};
  std::optional<LeftAlone> wrong;
  if (fs_.StatAt(folder, name, &atName) != 0) {
    wrong = ForSystemError(errno);
  } else if (!IsOurs(atName)) {
    wrong = Intruder(atName);
  } else if (fs_.StatAt(folder, temporary, &atTemporary) != 0) {
    wrong = ForSystemError(errno);
  } else if (atTemporary.st_dev != original_.info.st_dev || atTemporary.st_ino != original_.info.st_ino) {
    wrong = Intruder(atTemporary);
  }
  if (wrong) {
    fs_.RenameAt(folder, temporary, name, RENAME_EXCHANGE);
    return wrong;
  }
  return std::nullopt;
}

void FileReplacement::RemoveOriginal() {
  if (replaced_ && !temporaryName_.empty() && fs_.UnlinkAt(original_.folder, temporaryName_.c_str()) == 0) {
    temporaryName_.clear();
  }
}

// Where names cannot be swapped: the temporary name must hold the new file
// just before the rename, which leaves a window of two system calls.
std::optional<LeftAlone> FileReplacement::RenameOver() {
  struct stat now {};
  if (fs_.StatAt(original_.folder, temporaryName_.c_str(), &now) != 0) return ForSystemError(errno);
  if (!IsOurs(now)) return Intruder(now);
  if (fs_.RenameAt(original_.folder, temporaryName_.c_str(), original_.name.c_str(), 0) != 0) {
    return ForSystemError(errno);
  }
  temporaryName_.clear();
  return std::nullopt;
}

void FlushFolder(FileSystem& fs, int folder) {
  // The new content is complete either way, so a failure here changes
  // nothing for the user. Opened anew: a folder reached through a link is
  // held only as a place to look names up, which cannot be flushed.
  const OpenFile opened(fs, fs.OpenAt(folder, ".", O_RDONLY | O_DIRECTORY | O_NOCTTY));
  if (opened.fd() >= 0) fs.Fsync(opened.fd());
}

}  // namespace quelvane
