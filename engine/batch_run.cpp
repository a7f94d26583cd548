#include "batch_run.h"

#include <new>
#include <optional>
#include <set>
#include <unordered_set>

#include "text/display_name.h"
#include "left_alone.h"
#include "line_list.h"
#include "platform/file_replacement.h"
#include "platform/leftover_removal.h"
#include "platform/file_snapshot.h"
#include "system_error_text.h"
#include "settings_validation.h"
#include "tidy_plan.h"

namespace quelvane {

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (path.empty() || path.back() != '/') path += '/';
  path += name;
  return path;
}

int ProgressSquares(size_t index, size_t count) {
  const size_t scaled = (index + 1) * kProgressWidth;
  size_t squares = scaled / count;
  const size_t twiceRemainder = 2 * (scaled % count);
  if (twiceRemainder > count || (twiceRemainder == count && squares % 2 == 1)) ++squares;
  return static_cast<int>(squares);
}

namespace {

std::u16string DescribeReadOutcome(ReadOutcome outcome, std::string_view name) {
  if (outcome == ReadOutcome::LineTooLong) {
    return u"溢出：文件" + QuotedName(name) + u"中有超过 32767 个字符的行，无法等长分段。";
  }
  if (outcome == ReadOutcome::HasNulByte) {
    return u"文件" + QuotedName(name) + u"含有空字节（NUL），不是文本，无法整理。";
  }
  return u"文件" + QuotedName(name) + u"不是 GBK、GB18030、UTF-8 或 UTF-16 文本，无法整理。";
}

class Run {
 public:
  Run(const TidySettings& settings, const FileListing& files, RunWindow& window, FileSystem& fs)
      : settings_(settings), files_(files), window_(window), fs_(fs) {}

  RunReport Start(SummaryBuilder summarize) {
    ValidationOutcome validation = ValidateSettings(settings_, files_.names.size());
    if (validation.kind == ValidationOutcome::Kind::Message) {
      window_.ShowNotice(validation.text);
      return End(RunReport::Ending::SettingsRejected);
    }
    if (validation.kind == ValidationOutcome::Kind::ConversionFailure) return Fail(validation.text);

    RunSummary summary = summarize(settings_);
    if (summary.itemCount == 0) {
      window_.ShowNotice(kNothingToDoMessage);
      return End(RunReport::Ending::NothingToDo);
    }
    if (!window_.Confirm(summary.text)) return End(RunReport::Ending::Declined);

    window_.BeginBusy();
    busy_ = true;
    window_.ShowProgress(0);
    window_.ProcessPendingMessages();

    IgnoreFileSizeSignal();
    RemoveLeftoverTemporaryFiles(fs_, files_.folder, files_.names);
    const TidyPlan plan = MakeTidyPlan(settings_);
    for (size_t i = 0; i < files_.names.size(); ++i) {
      window_.ShowProgress(ProgressSquares(i, files_.names.size()));
      if (std::optional<std::u16string> failure = TidyFileWithinMemory(files_.names[i], plan)) {
        return Fail(*failure);
      }
    }
    for (const std::string& folder : replacedFolders_) FlushFolder(fs_, folder);
    window_.EndBusy();
    if (!report_.leftAlone.empty()) window_.ShowNotice(LeftAloneNotice(report_.leftAlone));
    return End(RunReport::Ending::Completed);
  }

 private:
  // A file too large for the memory the run may use is left as it was:
  // unwinding removes its temporary file, and its buffers are let go so
  // that the next files have that memory again.
  std::optional<std::u16string> TidyFileWithinMemory(const std::string& name, const TidyPlan& plan) {
    try {
      if (!reader_) reader_.emplace(plan);
      return TidyFile(name, plan, *reader_);
    } catch (const std::bad_alloc&) {
      snapshot_ = FileSnapshot();
      lines_ = LineList();
      reader_.reset();
      if (reporting_) return u"文件“" + DisplayName(name) + u"”太大，内存不足，无法整理。";
      LeaveAlone(name, std::u16string(kTooBigForMemoryReason));
      return std::nullopt;
    }
  }

  // Returns the failure's description when it must end the run.
  std::optional<std::u16string> TidyFile(const std::string& name, const TidyPlan& plan, LineListReader& reader) {
    const std::string path = JoinPath(files_.folder, name);
    lines_.Clear();
    ReadFailure readFailure;
    if (!ReadFileSnapshot(fs_, path, snapshot_, readFailure)) {
      if (reporting_) {
        const std::u16string_view action = readFailure.step == ReadFailure::Step::Open ? u"无法打开" : u"无法读取";
        return DescribeFileFailure(action, name, readFailure.error);
      }
      return LeaveAlone(name, ReasonForReadFailure(readFailure));
    }
    // A link listed beside its target leads to the same file: tidy it once.
    if (!seenPaths_.insert(snapshot_.path).second) return std::nullopt;
    ReadOutcome read = reader.Read(snapshot_.bytes(), lines_);
    if (read != ReadOutcome::Decoded) {
      if (reporting_) return DescribeReadOutcome(read, name);
      return LeaveAlone(name, ReasonForReadOutcome(read));
    }

    // From the first file read whole on, a failing file is left as it was
    // and the run goes on.
    reporting_ = false;
    FileReplacement replacement(fs_, snapshot_);
    if (WriteFileContent(lines_, reader.encoding(), plan.output, replacement) == WriteOutcome::Unencodable) {
      return LeaveAlone(name, std::u16string(kUnencodableReason));
    }
    // After a failed write, Commit gives that failure.
    switch (const ReplaceOutcome outcome = replacement.Commit()) {
      case ReplaceOutcome::Replaced:
        ++report_.tidied;
        replacedFolders_.insert(FolderOf(snapshot_.path));
        break;
      case ReplaceOutcome::Unchanged: ++report_.unchanged; break;
      default: return LeaveAlone(name, ReasonForReplacement(outcome, replacement.error(), snapshot_));
    }
    return std::nullopt;
  }

  std::nullopt_t LeaveAlone(const std::string& name, std::u16string reason) {
    report_.leftAlone.push_back({name, std::move(reason)});
    return std::nullopt;
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
  bool reporting_ = true;
  bool busy_ = false;
  RunReport report_;
};

}  // namespace

RunReport RunTidy(const TidySettings& settings, const FileListing& files, SummaryBuilder summarize,
                  RunWindow& window, FileSystem& fs) {
  return Run(settings, files, window, fs).Start(summarize);
}

}  // namespace quelvane
