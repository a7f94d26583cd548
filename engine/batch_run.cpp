#include "batch_run.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <new>
#include <optional>
#include <set>
#include <tuple>
#include <variant>

#include "background_worker.h"
#include "file_content.h"
#include "platform/file_replacement.h"
#include "platform/file_snapshot.h"
#include "platform/leftover_removal.h"
#include "platform/memory_room.h"
#include "progress.h"
#include "run_messages.h"
#include "run_summary.h"
#include "tidy_plan.h"

namespace quelvane {
namespace {

// Memory a run may touch to tidy a file of `bytes` bytes, beyond what it
// holds already: the file, its text (at most two bytes a byte), and eight
// bytes an entry, of which each line end and each divided piece makes one;
// `lineEnds` = `bytes` when they are not yet counted, `pieceLength` 0
// outside divide mode. The slack is the output's block, the chunks waiting
// for the writer and the reader's state. It bounds the worst of the shapes,
// where the whole text is held: one line, or a paragraph of link mode that
// never ends (2.9 and 1.5 times a 100 MB file). A stream of short lines
// holds a few chunks of its text and needs less (1.0 times a novel), so a
// file refused for memory could at times have been tidied; never the other
// way round.
constexpr size_t kSlack = 4 << 20;
size_t MemoryToTidy(size_t bytes, size_t lineEnds, size_t pieceLength) {
  const size_t entries = std::min(bytes, lineEnds + (pieceLength ? bytes / pieceLength : 0)) + 1;
  return 3 * bytes + 8 * entries + kSlack;
}

// How the tidy of one file ended.
struct FileOutcome {
  FileResult::Kind kind = FileResult::Kind::Tidied;
  LeftAlone why;
  bool seenBefore = false;  // a link to a file already tidied: not reported
};

FileOutcome Done(FileResult::Kind kind) { return {kind, {}, false}; }
FileOutcome LeftAloneFor(LeftAlone why) { return {FileResult::Kind::LeftAlone, why, false}; }

// New files waiting to take their originals' places, flushed and renamed
// together: meanwhile the disk writes them while the next files are
// tidied, and one flush of the folder follows. Bounded so that the disk
// never needs room for more than this many bytes of them at once, nor the
// process more descriptors than it may have.
constexpr size_t kWaitingBytes = 64 << 20;
constexpr size_t kMostWaitingFiles = 256;

// A file is large enough to remove originals meanwhile from this size on:
// tidying a smaller one takes less time than waking the remover.
constexpr size_t kLargeFileBytes = 1 << 20;

size_t WaitingFilesAllowed() {
  struct rlimit files {};
  if (getrlimit(RLIMIT_NOFILE, &files) != 0 || files.rlim_cur == RLIM_INFINITY) return kMostWaitingFiles;
  // One descriptor each, of half of what is left once the run's own few are counted.
  constexpr rlim_t kRunsOwn = 16;
  const rlim_t spare = files.rlim_cur > kRunsOwn ? files.rlim_cur - kRunsOwn : 0;
  return std::clamp<size_t>(static_cast<size_t>(spare / 2), 1, kMostWaitingFiles);
}

class Run {
 public:
  Run(const TidySettings& settings, const FileListing& files, RunWindow& window, FileSystem& fs)
      : settings_(settings), files_(files), window_(window), fs_(fs), mostWaiting_(WaitingFilesAllowed()) {
    waiting_.reserve(mostWaiting_);  // never to fail once a file waits
    placed_.reserve(mostWaiting_);
  }

  RunReport Start() {
    // Opened once: every file is then looked up from here, however long the path.
    folder_ = OpenFile(fs_, fs_.OpenAt(AT_FDCWD, files_.folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOCTTY));
    if (folder_.fd() < 0 || fs_.Fstat(folder_.fd(), &folderInfo_) != 0) {
      window_.ShowNotice(DescribeUnavailableFolder(files_.folder, errno));
      return End(RunReport::Ending::FolderUnavailable);
    }
    const std::variant<TidyPlan, SettingsRejection> checked = CheckSettings(settings_, files_.names.size());
    if (const SettingsRejection* rejection = std::get_if<SettingsRejection>(&checked)) {
      if (rejection->kind == SettingsRejection::Kind::ConversionFailure) {
        window_.ShowNotice(rejection->text);
        window_.ShowProgress(0);
        return End(RunReport::Ending::Failed);
      }
      window_.ShowNotice(rejection->text);
      return End(RunReport::Ending::SettingsRejected);
    }
    const TidyPlan& plan = std::get<TidyPlan>(checked);
    const RunSummary summary = SummarizePlan(plan);
    if (summary.itemCount == 0) {
      window_.ShowNotice(kNothingToDoMessage);
      return End(RunReport::Ending::NothingToDo);
    }
    if (!window_.Confirm(summary.text, DescribeFolderToTidy(files_.folder, files_.names.size()))) {
      return End(RunReport::Ending::Declined);
    }

    window_.BeginBusy();
    window_.ShowProgress(0);
    window_.ProcessPendingMessages();

    IgnoreFileSizeSignal();
    RemoveLeftoverTemporaryFiles(fs_, folder_.fd(), files_.names);
    for (size_t i = 0; i < files_.names.size(); ++i) {
      window_.ShowProgress(ProgressSquares(i, files_.names.size()));
      const std::string& name = files_.names[i];
      const FileOutcome outcome = TidyFileWithinMemory(name, plan);
      if (!outcome.seenBefore) report_.files.push_back({name, outcome.kind, outcome.why});
      if (waiting_.size() >= mostWaiting_ || waitingBytes_ >= kWaitingBytes) PlaceWaitingFiles();
    }
    PlaceWaitingFiles();
    const bool removing = !placed_.empty();
    RemovePlacedOriginals();
    if (replacedHere_ || removing) FlushFolder(fs_, folder_.fd());
    window_.EndBusy();
    return End(RunReport::Ending::Completed);
  }

 private:
  // A file too large for the memory the run may use is left as it was:
  // unwinding removes its temporary file, and its buffers are let go so
  // that the next files have that memory again.
  FileOutcome TidyFileWithinMemory(const std::string& name, const TidyPlan& plan) {
    try {
      return TidyFile(name, plan);
    } catch (const std::bad_alloc&) {
      *snapshot_ = FileSnapshot();
      LetGoOfBuffers();
      return LeftAloneFor({LeftAloneReason::TooBigForMemory});
    }
  }

  FileOutcome TidyFile(const std::string& name, const TidyPlan& plan) {
    if (const std::optional<LeftAlone> why = OpenListedFile(fs_, folder_.fd(), name, *snapshot_)) {
      return LeftAloneFor(*why);
    }
    // A link listed beside its target leads to the same file: tidy it once.
    if (const std::optional<bool> first = FirstVisit(); !first) {
      return LeftAloneFor({LeftAloneReason::Unreadable, errno});
    } else if (!*first) {
      return {FileResult::Kind::Unchanged, {}, true};
    }
    if (!ReadWithinMemory(plan)) return LeftAloneFor({LeftAloneReason::TooBigForMemory});
    if (const std::optional<LeftAlone> why = ReadOpenedFile(fs_, *snapshot_)) return LeftAloneFor(*why);
    if (!ReadFitsMemory(plan)) {
      *snapshot_ = FileSnapshot();
      return LeftAloneFor({LeftAloneReason::TooBigForMemory});
    }
    if (!tidier_) tidier_.emplace(plan);
    auto replacement = std::make_unique<FileReplacement>(fs_, *snapshot_);
    // After a failed write, Complete and Commit give that failure.
    if (const std::optional<LeftAloneReason> why = TidyWhileRemovingOriginals(*replacement)) {
      return LeftAloneFor({*why});
    }
    if (snapshot_->folder == folder_.fd() && CanWait(*snapshot_)) {
      if (const std::optional<LeftAlone> why = replacement->Complete()) return LeftAloneFor(*why);
      if (!replacement->differs()) return Done(FileResult::Kind::Unchanged);
      Wait(std::move(replacement));
      return Done(FileResult::Kind::Tidied);  // unless placing it fails
    }
    if (const std::optional<LeftAlone> why = replacement->Commit()) return LeftAloneFor(*why);
    if (!replacement->replaced()) return Done(FileResult::Kind::Unchanged);
    // Renames in a folder a link led to are made durable at once; those in
    // the run's folder once, at the end.
    if (snapshot_->folder == folder_.fd()) {
      replacedHere_ = true;
    } else {
      FlushFolder(fs_, snapshot_->folder);
    }
    return Done(FileResult::Kind::Tidied);
  }

  // The file in hand waits, as the report's next entry; its bytes' buffer
  // goes on to the next file.
  void Wait(std::unique_ptr<FileReplacement> replacement) {
    auto next = std::make_unique<FileSnapshot>();  // first: nothing after it may fail
    replacement->SendToDisk();
    waitingBytes_ += replacement->written();
    waiting_.push_back({report_.files.size(), std::move(snapshot_), std::move(replacement)});
    FileSnapshot& original = *waiting_.back().original;
    snapshot_ = std::move(next);
    snapshot_->content = std::move(original.content);
    original.size = 0;
    original.file = OpenFile();
  }

  void PlaceWaitingFiles() {
    RemovePlacedOriginals();  // those no large file left time for
    bool placed = false;
    for (WaitingFile& file : waiting_) {
      if (const std::optional<LeftAlone> why = file.replacement->Place(FileReplacement::OriginalGoes::Later)) {
        FileResult& result = report_.files[file.reportIndex];
        result.kind = FileResult::Kind::LeftAlone;
        result.why = *why;
      } else {
        placed_.push_back(std::move(file));  // within the room reserved
        placed = true;
      }
    }
    waiting_.clear();
    waitingBytes_ = 0;
    if (placed) FlushFolder(fs_, folder_.fd());
  }

  // The originals of the files placed wait under their temporary names,
  // to be removed on a thread of their own while a large file is tidied:
  // where the disk is mounted with online discard, each removal waits for
  // the disk. The thread makes no other call, and the file in hand's calls
  // are its temporary file's.
  std::optional<LeftAloneReason> TidyWhileRemovingOriginals(FileReplacement& replacement) {
    if (placed_.empty() || snapshot_->bytes().size() < kLargeFileBytes) {
      return tidier_->Tidy(snapshot_->bytes(), replacement);
    }
    remover_.Start();
    struct StopAtExit {
      Run& run;
      ~StopAtExit() {
        run.stopRemoving_ = true;
        run.remover_.WaitQuietly();
        run.stopRemoving_ = false;
      }
    } stop{*this};
    return tidier_->Tidy(snapshot_->bytes(), replacement);
  }

  // All of them, on the run's thread; on the remover's, until the file in
  // hand is tidied.
  void RemovePlacedOriginals() noexcept {
    size_t removed = 0;
    while (removed < placed_.size() && !stopRemoving_) placed_[removed++].replacement->RemoveOriginal();
    placed_.erase(placed_.begin(), placed_.begin() + static_cast<ptrdiff_t>(removed));
  }

  // Whether the file opened is met for the first time in this run; nothing
  // when the folder a link led to cannot be told.
  std::optional<bool> FirstVisit() {
    struct stat folder = folderInfo_;
    if (snapshot_->folder != folder_.fd() && fs_.Fstat(snapshot_->folder, &folder) != 0) return std::nullopt;
    return seenFiles_.emplace(folder.st_dev, folder.st_ino, snapshot_->name).second;
  }

  // The file opened fits in the memory the run may take, whatever its shape,
  // or at least its bytes do (ReadFitsMemory then tells once they are read).
  bool ReadWithinMemory(const TidyPlan& plan) {
    const auto bytes = static_cast<size_t>(snapshot_->info.st_size);
    const size_t anyShape = MemoryToTidy(bytes, bytes, PieceLength(plan));
    shapeMatters_ = !memory_.SurelyAllows(anyShape);
    if (!shapeMatters_) return true;
    // What earlier files left is the run's to reuse, but measured as taken.
    snapshot_->content = RawBuffer<char>();
    LetGoOfBuffers();
    const size_t room = memory_.Measure();
    shapeMatters_ = anyShape > room;
    return !shapeMatters_ || bytes + kSlack <= room;
  }

  bool ReadFitsMemory(const TidyPlan& plan) {
    if (!shapeMatters_) return true;
    const std::string_view bytes = snapshot_->bytes();
    const size_t lineEnds = static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\r'));
    return MemoryToTidy(bytes.size(), lineEnds, PieceLength(plan)) - bytes.size() <= memory_.Measure();
  }

  static size_t PieceLength(const TidyPlan& plan) {
    return plan.paragraphMode == ParagraphMode::Divide ? plan.pieceLength : 0;
  }

  void LetGoOfBuffers() { tidier_.reset(); }

  RunReport End(RunReport::Ending ending) {
    report_.ending = ending;
    return report_;
  }

  const TidySettings& settings_;
  const FileListing& files_;
  RunWindow& window_;
  FileSystem& fs_;
  OpenFile folder_;
  struct stat folderInfo_ {};
  // The file in hand. Its content buffer is reused for every file: its
  // memory is touched once.
  std::unique_ptr<FileSnapshot> snapshot_ = std::make_unique<FileSnapshot>();
  std::optional<FileTidier> tidier_;  // likewise
  MemoryRoom memory_;
  bool shapeMatters_ = false;  // the file in hand fits only if its shape allows
  bool replacedHere_ = false;
  std::set<std::tuple<dev_t, ino_t, std::string>> seenFiles_;  // folder and name, links resolved
  RunReport report_;
  struct WaitingFile {
    size_t reportIndex;
    std::unique_ptr<FileSnapshot> original;  // outlives the replacement, which refers to it
    std::unique_ptr<FileReplacement> replacement;
  };
  const size_t mostWaiting_;
  std::vector<WaitingFile> waiting_;
  size_t waitingBytes_ = 0;
  // Placed, their originals still under their temporary names.
  std::vector<WaitingFile> placed_;
  std::atomic<bool> stopRemoving_ = false;  // only while the remover is told to stop
  BackgroundWorker remover_{[this] { RemovePlacedOriginals(); }};  // last: its thread ends first
};

}  // namespace

RunReport RunTidy(const TidySettings& settings, const FileListing& files, RunWindow& window, FileSystem& fs) {
  return Run(settings, files, window, fs).Start();
}

}  // namespace quelvane
