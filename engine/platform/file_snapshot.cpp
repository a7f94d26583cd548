#include "file_snapshot.h"

#include <fcntl.h>

#include <cerrno>
#include <system_error>
#include <thread>

#include "extended_attributes.h"
#include "file_system_kind.h"
#include "link_chain.h"

namespace quelvane {
namespace {

// Files from this size up are read in two halves at once. Fresh memory is
// dear to touch the first time (the kernel zeroes each page before the read
// copies into it, and a virtual machine's host may have to supply it
// first); two cores touch it in half the time.
constexpr size_t kSplitReadBytes = 1 << 20;

struct RangeRead {
  size_t got = 0;  // fewer than asked for where the file ends first
  int error = 0;   // errno of the failing read, or 0
};

RangeRead ReadRange(FileSystem& fs, int fd, char* bytes, size_t from, size_t to) {
  RangeRead read;
  while (from + read.got < to) {
    const size_t at = from + read.got;
    const ssize_t got = fs.Pread(fd, bytes + at, to - at, static_cast<off_t>(at));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return {read.got, errno};
    if (got == 0) break;
    read.got += static_cast<size_t>(got);
  }
  return read;
}

bool ReadAll(FileSystem& fs, int fd, size_t expectedSize, FileSnapshot& snapshot) {
  size_t room = expectedSize + 1;  // one more byte shows whether the file grew
  // Ordinary pages, not huge ones: where freed memory goes back to a
  // virtual machine's host, a huge page is the first to be taken from
  // there, and touching one then costs several times as much.
  char* bytes = snapshot.content.Uninitialized(room);
  size_t split = room;
  RangeRead second;
  std::jthread secondHalf;  // joined however this ends
  if (expectedSize >= kSplitReadBytes) {
    split = expectedSize / 2;
    try {
      secondHalf = std::jthread(
          [&fs, fd, bytes, split, room, &second] { second = ReadRange(fs, fd, bytes, split, room); });
    } catch (const std::system_error&) {
      split = room;  // no thread to be had: all of it is read here
    }
  }
  RangeRead read = ReadRange(fs, fd, bytes, 0, split);
  if (secondHalf.joinable()) secondHalf.join();
  // Where the first half ends early the file shrank meanwhile, and what the
  // second found does not follow it.
  if (read.error == 0 && read.got == split && split < room) read = {split + second.got, second.error};
  while (read.error == 0 && read.got == room) {
    bytes = snapshot.content.Grow(room *= 2, read.got);
    const RangeRead more = ReadRange(fs, fd, bytes, read.got, room);
    read = {read.got + more.got, more.error};
  }
  if (read.error != 0) return errno = read.error, false;
  snapshot.size = read.got;
  return true;
}

bool ReadExtendedAttributes(FileSystem& fs, int fd, FileSnapshot& snapshot) {
  snapshot.extendedAttributes.clear();
  std::optional<std::vector<std::string>> names = AttributeNames(fs, fd);
  if (!names) return false;
  for (std::string& name : *names) {
    std::optional<std::string> value = AttributeValue(fs, fd, name.c_str());
    if (!value) return false;
    snapshot.extendedAttributes.emplace_back(std::move(name), std::move(*value));
  }
  return true;
}

}  // namespace

std::optional<LeftAlone> OpenListedFile(FileSystem& fs, int folder, const std::string& name, FileSnapshot& snapshot) {
  snapshot.file.Close();
  snapshot.linkFolder.Close();
  snapshot.folder = folder;
  snapshot.name = name;
  snapshot.size = 0;
  struct stat seen {};
  if (fs.StatAt(folder, name.c_str(), &seen) != 0) return ForFailedLookUp(errno);
  if (S_ISLNK(seen.st_mode)) {
    LinkEnd end;
    if (const std::optional<LeftAlone> refused = FollowLink(fs, folder, name, seen.st_uid, end)) return refused;
    // Decided before opening: opening some devices acts on them.
    if (end.info.st_uid != seen.st_uid) return LeftAlone{LeftAloneReason::LinkToOtherOwner};
    if (!S_ISREG(end.info.st_mode)) return LeftAlone{LeftAloneReason::LinkToNonRegular};
    snapshot.folder = end.folder;
    snapshot.linkFolder = std::move(end.heldFolder);
    snapshot.name = std::move(end.name);
    seen = end.info;
  } else if (!S_ISREG(seen.st_mode)) {
    return LeftAlone{LeftAloneReason::NotRegularFile};
  }
  // Non-blocking: what a FIFO swapped in would do is noticed below, not waited for.
  const int fd = fs.OpenAt(snapshot.folder, snapshot.name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return ForFailedLookUp(errno);
  snapshot.file = OpenFile(fs, fd);
  if (fs.Fstat(fd, &snapshot.info) != 0) return LeftAlone{LeftAloneReason::Unreadable, errno};
  if (snapshot.info.st_dev != seen.st_dev || snapshot.info.st_ino != seen.st_ino) {
    return LeftAlone{LeftAloneReason::ChangedMeanwhile};
  }
  return std::nullopt;
}

std::optional<LeftAlone> ReadOpenedFile(FileSystem& fs, FileSnapshot& snapshot) {
  snapshot.fatAttributes = 0;
  const int fd = snapshot.file.fd();
  if (!ReadAll(fs, fd, static_cast<size_t>(snapshot.info.st_size), snapshot) ||
      !ReadExtendedAttributes(fs, fd, snapshot) || fs.FileSystemType(fd, &snapshot.fileSystemType) != 0 ||
      (IsFat(snapshot.fileSystemType) && fs.GetFatAttributes(fd, &snapshot.fatAttributes) != 0)) {
    const int error = errno;
    snapshot.file.Close();
    snapshot.size = 0;
    return LeftAlone{LeftAloneReason::Unreadable, error};
  }
  if (fs.GetInodeFlags(fd, &snapshot.inodeFlags) != 0) {
    snapshot.inodeFlags = 0;  // file systems without attribute flags have none to honour
  }
  return std::nullopt;
}

}  // namespace quelvane
