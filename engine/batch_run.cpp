#include "batch_run.h"

#include <new>
#include <optional>
#include <set>
#include <unordered_set>
#include <variant>

#include "file_content.h"
#include "line_list.h"
#include "platform/file_replacement.h"
#include "platform/file_snapshot.h"
#include "platform/leftover_removal.h"
#include "platform/path.h"
#include "progress.h"
#include "run_messages.h"
#include "run_summary.h"
#include "tidy_plan.h"

namespace quelvane {
namespace {

// How the tidy of one file ended.
struct FileOutcome {
  FileResult::Kind kind = FileResult::Kind::Tidied;
  std::u16string reason;   // LeftAlone: the words listed beside the name
  std::u16string failure;  // LeftAlone before the file was read whole: what ends
                           // the run when no file has been read whole yet
  bool seenBefore = false;  // a link to a file already tidied: not reported
};

FileOutcome Done(FileResult::Kind kind) { return {kind, {}, {}, false}; }

FileOutcome LeftAlone(std::u16string reason, std::u16string failure = {}) {
  return {FileResult::Kind::LeftAlone, std::move(reason), std::move(failure), false};
}

class Run {
 public:
  Run(const TidySettings& settings, const FileListing& files, RunWindow& window, FileSystem& fs)
      : settings_(settings), files_(files), window_(window), fs_(fs) {}

  RunReport Start() {
    const std::variant<TidyPlan, SettingsRejection> checked = CheckSettings(settings_, files_.names.size());
    if (const SettingsRejection* rejection = std::get_if<SettingsRejection>(&checked)) {
      if (rejection->kind == SettingsRejection::Kind::ConversionFailure) return Fail(rejection->text);
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
    busy_ = true;
    window_.ShowProgress(0);
    window_.ProcessPendingMessages();

    IgnoreFileSizeSignal();
    RemoveLeftoverTemporaryFiles(fs_, files_.folder, files_.names);
    for (size_t i = 0; i < files_.names.size(); ++i) {
      window_.ShowProgress(ProgressSquares(i, files_.names.size()));
      const std::string& name = files_.names[i];
      FileOutcome outcome = TidyFileWithinMemory(name, plan);
      if (outcome.seenBefore) continue;
      // Until a first file has been read whole, a failure ends the run.
      if (!someFileReadWhole_ && !outcome.failure.empty()) return Fail(outcome.failure);
      report_.files.push_back({name, outcome.kind, std::move(outcome.reason)});
    }
    for (const std::string& folder : replacedFolders_) FlushFolder(fs_, folder);
    window_.EndBusy();
    return End(RunReport::Ending::Completed);
  }

 private:
  // A file too large for the memory the run may use is left as it was:
  // unwinding removes its temporary file, and its buffers are let go so
  // that the next files have that memory again.
  FileOutcome TidyFileWithinMemory(const std::string& name, const TidyPlan& plan) {
    try {
      if (!reader_) reader_.emplace(plan);
      return TidyFile(name, plan, *reader_);
    } catch (const std::bad_alloc&) {
      snapshot_ = FileSnapshot();
      lines_ = LineList();
      reader_.reset();
      return LeftAlone(std::u16string(kTooBigForMemoryReason), DescribeTooBigForMemory(name));
    }
  }

  FileOutcome TidyFile(const std::string& name, const TidyPlan& plan, LineListReader& reader) {
    const std::string path = JoinPath(files_.folder, name);
    lines_.Clear();
    ReadFailure readFailure;
    if (!ReadFileSnapshot(fs_, path, snapshot_, readFailure)) {
      const std::u16string_view action = readFailure.step == ReadFailure::Step::Open ? u"无法打开" : u"无法读取";
      return LeftAlone(ReasonForReadFailure(readFailure), DescribeFileFailure(action, name, readFailure.error));
    }
    // A link listed beside its target leads to the same file: tidy it once.
    if (!seenPaths_.insert(snapshot_.path).second) return {FileResult::Kind::Unchanged, {}, {}, true};
    const ReadOutcome read = reader.Read(snapshot_.bytes(), lines_);
    if (read != ReadOutcome::Decoded) return LeftAlone(ReasonForReadOutcome(read), DescribeReadOutcome(read, name));
    someFileReadWhole_ = true;

    FileReplacement replacement(fs_, snapshot_);
    if (WriteFileContent(lines_, reader.encoding(), plan.output, replacement) == WriteOutcome::Unencodable) {
      return LeftAlone(std::u16string(kUnencodableReason));
    }
    // After a failed write, Commit gives that failure.
    const ReplaceOutcome outcome = replacement.Commit();
    switch (outcome) {
      case ReplaceOutcome::Replaced:
        replacedFolders_.insert(FolderOf(snapshot_.path));
        return Done(FileResult::Kind::Tidied);
      case ReplaceOutcome::Unchanged: return Done(FileResult::Kind::Unchanged);
      case ReplaceOutcome::ReadOnly:
      case ReplaceOutcome::FolderNotWritable:
      case ReplaceOutcome::ChangedMeanwhile:
      case ReplaceOutcome::Failed: break;
    }
    return LeftAlone(ReasonForReplacement(outcome, replacement.error(), snapshot_));
  }

  // The one handler of a reported failure.
  RunReport Fail(std::u16string_view description) {
    window_.ShowNotice(description);
    window_.ShowProgress(0);
    if (busy_) window_.EndBusy();
    return End(RunReport::Ending::Failed);
  }

  RunReport End(RunReport::Ending ending) {
    report_.ending = ending;
    return report_;
  }

  const TidySettings& settings_;
  const FileListing& files_;
  RunWindow& window_;
  FileSystem& fs_;
  FileSnapshot snapshot_;  // reused for every file: its memory is touched once
  LineList lines_;          // likewise
  std::optional<LineListReader> reader_;  // likewise
  std::set<std::string> replacedFolders_;
  std::unordered_set<std::string> seenPaths_;  // symbolic links resolved
  bool someFileReadWhole_ = false;
  bool busy_ = false;
  RunReport report_;
};

}  // namespace

RunReport RunTidy(const TidySettings& settings, const FileListing& files, RunWindow& window, FileSystem& fs) {
  return Run(settings, files, window, fs).Start();
}

}  // namespace quelvane
