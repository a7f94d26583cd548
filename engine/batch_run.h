#pragma once
// The run started by the window's run button, from checks to rewritten files:
//
//   ValidateSettings -> summary (built by the caller) -> confirmation ->
//   for each listed file: ReadFileSnapshot -> LineListReader (whole-line
//   rules, then KeepLine / DivideLine / LineJoiner) -> WriteFileContent
//   (output pass) into a FileReplacement.
//
// Failures are reported, ending the run, until the first file has been read
// whole; from then on a file that fails is left as it was and the run goes
// on with the next. A run that left files alone ends by listing them, each
// with its reason.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "left_alone.h"
#include "platform/file_system.h"
#include "run_window.h"
#include "tidy_settings.h"

namespace quelvane {

// The folder and the names the window's file list shows, in its order.
struct FileListing {
  std::string folder;
  std::vector<std::string> names;
};

// The summary is worded by the window's side; the run only shows it.
using SummaryBuilder = RunSummary (*)(const TidySettings&);

// What a run did, for whoever started it.
struct RunReport {
  enum class Ending { SettingsRejected, NothingToDo, Declined, Failed, Completed };
  Ending ending = Ending::Completed;
  size_t tidied = 0;      // replaced with new content
  size_t unchanged = 0;   // the tidy changed nothing
  std::vector<LeftAloneFile> leftAlone;  // read-only, not text, unreadable... kept as they were
};

RunReport RunTidy(const TidySettings& settings, const FileListing& files, SummaryBuilder summarize,
                  RunWindow& window, FileSystem& fs = SystemFileSystem());

// Folder + "/" + name, with no second "/" when the folder already ends in one.
std::string JoinPath(std::string_view folder, std::string_view name);

// Squares shown while file `index` (from 0) of `count` is in hand:
// (index + 1) × 66 ÷ count, an exact half going to the even neighbour.
int ProgressSquares(size_t index, size_t count);

inline constexpr std::u16string_view kNothingToDoMessage = u"没有设置整理方式及内容！";

}  // namespace quelvane
