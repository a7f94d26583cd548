#pragma once
// Replacing a file's content so that it holds either its old bytes or its
// whole new bytes at every instant, whatever fails and even if the process
// is killed: the new bytes go to a hidden temporary file in the same folder,
// are flushed to disk, get the original's owner, mode and extended
// attributes, and are renamed over the original. The original is never
// truncated or written in place. The folder is flushed afterwards, once per
// run (FlushFolder), except on USB sticks' file systems, where each rename
// is made durable at once (see IsStickFileSystem).
//
// The new bytes arrive in blocks. As long as they equal the old ones nothing
// is written at all, so an unchanged file is never touched.

#include <optional>
#include <string>
#include <string_view>

#include "byte_sink.h"
#include "file_snapshot.h"
#include "file_system.h"

namespace quelvane {

enum class ReplaceOutcome {
  Replaced,
  Unchanged,         // the new bytes equal the old ones
  ReadOnly,          // no write permission for anyone, immutable, append-only, or not writable
  FolderNotWritable, // no new file may be created beside it
  ChangedMeanwhile,  // someone else changed or replaced the file since it was read
  Failed,            // a system call failed; the original is untouched
};

class FileReplacement : public ByteSink {
 public:
  FileReplacement(FileSystem& fs, const FileSnapshot& original);
  ~FileReplacement() override;  // removes the temporary file unless committed
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  bool Write(std::string_view bytes) override;
  // Call once every block has been written. After a failed write it gives
  // that failure.
  ReplaceOutcome Commit();
  // The errno of the call that failed (ReadOnly, FolderNotWritable, Failed).
  int error() const { return error_; }

 private:
  bool StartTemporaryFile();
  bool WriteAll(std::string_view bytes);
  bool CopyMetadata();
  bool RemoveInheritedAttributes();
  std::optional<ReplaceOutcome> ChangedSinceRead();
  bool Fail(ReplaceOutcome outcome);
  ReplaceOutcome Abandon(ReplaceOutcome outcome);  // Fail, for Commit's returns
  void RemoveTemporaryFile();

  FileSystem& fs_;
  const FileSnapshot& original_;
  size_t matched_ = 0;  // bytes of the original that the new content repeats so far
  bool diverged_ = false;
  int fd_ = -1;
  size_t written_ = 0;  // bytes written to the temporary file so far
  std::string temporaryPath_;
  std::optional<ReplaceOutcome> failure_;  // set once, by the first failing step
  int error_ = 0;
};

// A write past the file size limit (ulimit -f) must fail with EFBIG and
// leave that one file alone, not kill the whole run with SIGXFSZ. Called
// by the run before it writes; a handler the program installed itself is
// kept.
void IgnoreFileSizeSignal();

// Makes the renames done in `folder` durable. A run calls it once per
// folder, after its last replacement: one flush instead of one per file.
void FlushFolder(FileSystem& fs, const std::string& folder);

// Whether a file must be left as it is because it is read-only. Root
// bypasses permission bits, so they are checked here rather than left to
// the system; the caller also gives up when the file cannot be opened for
// writing.
bool IsReadOnly(const FileSnapshot& file);

}  // namespace quelvane
