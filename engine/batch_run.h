#pragma once
// The run started by the window's run button, from checks to rewritten files:
//
//   the folder opened -> CheckSettings -> SummarizePlan -> confirmation ->
//   for each listed file: OpenListedFile -> room in memory (MemoryRoom) ->
//   ReadOpenedFile -> FileTidier (the encoding decided, then line by line:
//   whole-line rules, KeepLine / DivideLine / LineJoiner, output pass) into
//   a FileReplacement.
//
// Only a folder that cannot be opened ends the run before its files; a file
// that cannot be tidied, wherever it stands in the list, is left as it was
// with its LeftAloneReason and the run goes on with the next. The report
// says what became of each file; whoever started the run shows the files
// left alone (LeftAloneNotice).

#include <string>
#include <vector>

#include "platform/file_system.h"
#include "run_report.h"
#include "run_window.h"
#include "tidy_settings.h"

namespace quelvane {

// The folder and the names the window's file list shows, in its order.
struct FileListing {
  std::string folder;
  std::vector<std::string> names;
};

RunReport RunTidy(const TidySettings& settings, const FileListing& files, RunWindow& window,
                  FileSystem& fs = SystemFileSystem());

}  // namespace quelvane
