#pragma once
// A run that was killed or lost its power can leave its temporary file
// behind. The next run in that folder removes such files: only those of
// the temporary-name form whose original is still listed, and never one
// that a live run holds (it keeps a lock on it from its creation; a file
// created in the last minute may not be locked yet, so it is kept too).

#include <string>
#include <vector>

#include "file_system.h"

namespace quelvane {

// `folder`: open for reading.
void RemoveLeftoverTemporaryFiles(FileSystem& fs, int folder, const std::vector<std::string>& names);

}  // namespace quelvane
