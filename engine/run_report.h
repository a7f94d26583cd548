#pragma once
// What a run did, file by file, for whoever started it to show.

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "left_alone_reason.h"

namespace quelvane {

struct FileResult {
  enum class Kind { Tidied, Unchanged, LeftAlone };
  std::string name;  // as listed: the bytes of the name on disk
  Kind kind = Kind::Tidied;
  LeftAlone why;  // LeftAlone only
};

struct RunReport {
  // Failed: the divide length's conversion failed. FolderUnavailable: the
  // listed folder is gone, cannot be listed or is no folder. Either way the
  // run said so and touched nothing.
  enum class Ending { SettingsRejected, NothingToDo, Declined, Failed, FolderUnavailable, Completed };
  Ending ending = Ending::Completed;
  // In the order of the list; a link to a file already tidied has no entry.
  std::vector<FileResult> files;

  size_t Count(FileResult::Kind kind) const {
    return static_cast<size_t>(
        std::count_if(files.begin(), files.end(), [kind](const FileResult& file) { return file.kind == kind; }));
  }
};

}  // namespace quelvane
