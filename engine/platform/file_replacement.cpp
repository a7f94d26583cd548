#include "file_replacement.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <csignal>
#include <mutex>
#include <set>

#include "temporary_name.h"

namespace quelvane {
namespace {

std::string TemporaryPathFor(const std::string& path) {
  const size_t slash = path.rfind('/');
  const size_t name = slash == std::string::npos ? 0 : slash + 1;
  return path.substr(0, name) + TemporaryNameFor(std::string_view(path).substr(name));
}

// The status change time moves with every chmod, chown and attribute change
// too: without it, metadata changed meanwhile would be put back as it was.
bool SameVersion(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
         a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
         a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

// A write past the file size limit (ulimit -f) must fail with EFBIG and
// leave that one file alone, not kill the whole run with SIGXFSZ. A handler
// the program installed itself is kept.
void IgnoreFileSizeSignal() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction current {};
    if (sigaction(SIGXFSZ, nullptr, &current) == 0 && !(current.sa_flags & SA_SIGINFO) &&
        current.sa_handler == SIG_DFL) {
      signal(SIGXFSZ, SIG_IGN);
    }
  });
}

}  // namespace

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool IsReadOnly(const FileSnapshot& file) {
  return (file.info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
         (file.inodeFlags & (FS_IMMUTABLE_FL | FS_APPEND_FL)) != 0;
}

FileReplacement::FileReplacement(FileSystem& fs, const FileSnapshot& original) : fs_(fs), original_(original) {}

FileReplacement::~FileReplacement() { RemoveTemporaryFile(); }

void FileReplacement::RemoveTemporaryFile() {
  if (fd_ >= 0) fs_.Close(fd_);
  fd_ = -1;
  if (!temporaryPath_.empty()) fs_.Unlink(temporaryPath_.c_str());
  temporaryPath_.clear();
}

bool FileReplacement::Fail(ReplaceOutcome outcome) {
  error_ = errno;  // before the clean-up's calls overwrite it
  outcome_ = outcome;
  failed_ = true;
  RemoveTemporaryFile();
  return false;
}

bool FileReplacement::Write(std::string_view bytes) {
  if (failed_) return false;
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

ReplaceOutcome FileReplacement::Abandon(ReplaceOutcome outcome) {
  Fail(outcome);
  return outcome;
}

bool FileReplacement::StartTemporaryFile() {
  diverged_ = true;
  if (IsReadOnly(original_)) return Fail(ReplaceOutcome::ReadOnly);
  int probe = fs_.Open(original_.path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY);
  if (probe < 0) return Fail(errno == EACCES || errno == EPERM || errno == EROFS || errno == ETXTBSY
                                 ? ReplaceOutcome::ReadOnly
                                 : ReplaceOutcome::Failed);
  fs_.Close(probe);  // opened only to ask; nothing was written through it
  IgnoreFileSizeSignal();

  for (int attempt = 0; attempt < 16; ++attempt) {
    temporaryPath_ = TemporaryPathFor(original_.path);
    fd_ = fs_.Open(temporaryPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY, S_IRUSR | S_IWUSR);
    if (fd_ >= 0) return true;
    if (errno != EEXIST) break;
  }
  temporaryPath_.clear();  // not ours: never remove it
  return Fail(errno == EACCES || errno == EPERM || errno == EROFS ? ReplaceOutcome::FolderNotWritable
                                                                  : ReplaceOutcome::Failed);
}

bool FileReplacement::WriteAll(std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t written = fs_.Write(fd_, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      if (written == 0) errno = EIO;
      return Fail(ReplaceOutcome::Failed);
    }
    bytes.remove_prefix(static_cast<size_t>(written));
    // The disk writes this block while the next one is being made, so
    // the flush before the rename has little left to wait for.
    fs_.StartWriteback(fd_, static_cast<off_t>(written_), written);
    written_ += static_cast<size_t>(written);
  }
  return true;
}

bool FileReplacement::RemoveInheritedAttributes() {
  ssize_t size = fs_.Flistxattr(fd_, nullptr, 0);
  if (size <= 0) return size == 0 || errno == ENOTSUP;
  std::string names(static_cast<size_t>(size), '\0');
  size = fs_.Flistxattr(fd_, names.data(), names.size());
  if (size < 0) return false;
  names.resize(static_cast<size_t>(size));
  std::set<std::string_view> kept;
  for (const auto& attribute : original_.extendedAttributes) kept.insert(attribute.first);
  for (size_t at = 0; at < names.size();) {
    const std::string name(names.c_str() + at);
    at += name.size() + 1;
    if (!name.empty() && !kept.contains(name) && fs_.Fremovexattr(fd_, name.c_str()) != 0) return false;
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
  // Mode last, so that it ends exactly as the original's whatever the ACL
  // writes above did to it.
  return fs_.Fchmod(fd_, original_.info.st_mode & 07777) == 0;
}

ReplaceOutcome FileReplacement::Commit() {
  if (failed_) return outcome_;
  if (!diverged_) {
    if (matched_ == original_.bytes().size()) return outcome_ = ReplaceOutcome::Unchanged;
    // The new content is a prefix of the old one.
    if (!StartTemporaryFile() || !WriteAll(original_.bytes().substr(0, matched_))) return outcome_;
  }
  if (!CopyMetadata() || fs_.Fsync(fd_) != 0) return Abandon(ReplaceOutcome::Failed);
  int fd = fd_;
  fd_ = -1;
  if (fs_.Close(fd) != 0) {  // some file systems report write errors only here
    return Abandon(ReplaceOutcome::Failed);
  }
  struct stat now {};
  if (fs_.Stat(original_.path.c_str(), &now) != 0 || !SameVersion(now, original_.info)) {
    return Abandon(ReplaceOutcome::ChangedMeanwhile);
  }
  if (fs_.Rename(temporaryPath_.c_str(), original_.path.c_str()) != 0) return Abandon(ReplaceOutcome::Failed);
  temporaryPath_.clear();
  return outcome_ = ReplaceOutcome::Replaced;
}

void FlushFolder(FileSystem& fs, const std::string& folder) {
  // The new content is complete either way, so a failure here changes
  // nothing for the user.
  int fd = fs.Open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd >= 0) {
    fs.Fsync(fd);
    fs.Close(fd);
  }
}

}  // namespace quelvane
