#pragma once
// Replacing a file's content so that it holds either its old bytes or its
// whole new bytes at every instant, whatever fails and even if the process
// is killed: the new bytes go to a hidden temporary file in the same folder,
// are flushed to disk, get the original's owner, mode and extended
// attributes, and take the original's place in one rename. The original is
// never truncated or written in place. The folder is flushed afterwards,
// once per run (FlushFolder), except on USB sticks' file systems, where each
// rename is made durable at once (see IsStickFileSystem).
//
// Where the file system can swap two names at once, the new file and the
// original swap names, and the swap is undone unless each name then holds
// the file expected: another program that moved a file under either name
// meanwhile never has it put in the original's place. Elsewhere the
// temporary name is checked just before the rename.
//
// The new bytes arrive in blocks, and may start over when the file turns
// out to be in another encoding than the one it was being read in. As long
// as they equal the old ones nothing is written at all, so an unchanged file
// is never touched.

#include <sys/stat.h>

#include <optional>
#include <string>
#include <string_view>

#include "byte_sink.h"
#include "file_snapshot.h"
#include "file_system.h"
#include "left_alone_reason.h"

namespace quelvane {

class FileReplacement : public ByteSink {
 public:
  FileReplacement(FileSystem& fs, const FileSnapshot& original);
  ~FileReplacement() override;  // removes the temporary file unless committed
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  bool Write(std::string_view bytes) override;
  LeftAlone Failure() const override { return failure_.value_or(LeftAlone{}); }
  void StartOver() override;
  // Call once every block has been written: nothing when the file now holds
  // the new bytes (or held them already), else why it was left as it was.
  // After a failed write it gives that failure. Complete, then Place.
  std::optional<LeftAlone> Commit();
  // Whether Commit or Place put a new file in the original's place.
  bool replaced() const { return replaced_; }

  // Commit in two steps, for files whose replacements wait to be flushed
  // and renamed together (see CanWait). Complete: the new file gets the
  // original's metadata; whether it is then to take the original's place
  // tells `differs`.
  std::optional<LeftAlone> Complete();
  bool differs() const { return diverged_; }
  // Has the disk start writing what it has not been told to yet.
  void SendToDisk();
  size_t written() const { return written_; }
  // Flushes the new file and puts it in the original's place. Where the
  // two swap names, the original is then removed from under the temporary
  // name, or, `Later`, left there for RemoveOriginal: a run removes those
  // while it tidies the next large file.
  enum class OriginalGoes { AtOnce, Later };
  std::optional<LeftAlone> Place(OriginalGoes goes = OriginalGoes::AtOnce);
  // Should this fail, the destructor tries again; after that the next run
  // removes the original's leftover.
  void RemoveOriginal();

 private:
  bool StartTemporaryFile();
  bool WriteAll(std::string_view bytes);
  bool CopyMetadata();
  bool RemoveInheritedAttributes();
  std::optional<LeftAlone> ChangedSinceRead();
  std::optional<LeftAlone> SwapNames();
  std::optional<LeftAlone> RenameOver();
  bool IsOurs(const struct stat& info) const;
  bool Fail(LeftAlone why);
  std::optional<LeftAlone> Abandon(LeftAlone why);  // Fail, for Commit's returns
  void RemoveTemporaryFile();

  FileSystem& fs_;
  const FileSnapshot& original_;
  size_t matched_ = 0;  // bytes of the original that the new content repeats so far
  bool diverged_ = false;
  int fd_ = -1;
  struct stat temporary_ {};  // the temporary file, as created
  size_t written_ = 0;  // bytes written to the temporary file so far
  size_t sentToDisk_ = 0;  // of them, those the disk was told to start writing
  std::string temporaryName_;
  std::optional<LeftAlone> failure_;  // set once, by the first failing step
  bool replaced_ = false;
};

// Whether the new content of `original` may wait before it takes its
// place, its bytes read let go: the check before the rename then needs the
// name's status only. Never on USB sticks' file systems, whose order is
// their own (see IsStickFileSystem).
bool CanWait(const FileSnapshot& original);

// A write past the file size limit (ulimit -f) must fail with EFBIG and
// leave that one file alone, not kill the whole run with SIGXFSZ. Called
// by the run before it writes; a handler the program installed itself is
// kept.
void IgnoreFileSizeSignal();

// Makes the renames done in `folder` durable. A run calls it once per
// folder, after its last replacement: one flush instead of one per file.
void FlushFolder(FileSystem& fs, int folder);

}  // namespace quelvane
