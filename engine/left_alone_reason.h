#pragma once
// Why a run left a file exactly as it was. Set where the cause is found (the
// reading, the decoding, the writing, the replacement), carried in the run's
// report, and put into words only where it is shown (run_messages.h).

#include <cerrno>

namespace quelvane {

enum class LeftAloneReason {
  NotText,            // no encoding the run reads
  HasNulByte,
  LineTooLong,        // for divide mode
  Unencodable,        // the new text has a character the file's encoding lacks
  TooBigForMemory,
  ReadOnly,           // no write permission for anyone
  Unmodifiable,       // immutable or append-only
  FolderNotWritable,  // no new file may be created beside it
  OtherOwner,         // another user's, and not writable by this one
  LinkToOtherOwner,   // a link, or a link in its chain, whose owner does not own what it leads to
  LinkToNonRegular,
  NotRegularFile,
  Vanished,
  ChangedMeanwhile,   // by another program, after it was read
  TakenOver,          // another user put a file of their own under the run's temporary name
  DiskFull,
  FileSizeLimit,
  Unreadable,         // error: why
  SystemError,        // error: the call that failed
};

struct LeftAlone {
  LeftAloneReason reason = LeftAloneReason::SystemError;
  int error = 0;  // the errno of the system call that failed, where one did
  bool operator==(const LeftAlone&) const = default;
};

// A failed write, flush or rename: the errno says it all.
inline LeftAlone ForSystemError(int error) {
  switch (error) {
    case ENOSPC:
    case EDQUOT: return {LeftAloneReason::DiskFull, error};
    case EFBIG: return {LeftAloneReason::FileSizeLimit, error};
    default: return {LeftAloneReason::SystemError, error};
  }
}

}  // namespace quelvane
