#pragma once
// The text files of one folder, as the window's file list and the headless
// driver both show them: regular files (a link to one counts) whose name
// ends in ".txt" in any letter case and does not start with ".", whatever
// bytes the rest of the name is made of, ordered by the name as DisplayName
// shows it with letter case folded (ties by the exact bytes). Sub-folders
// are never entered.

#include <string>
#include <vector>

namespace quelvane {

// False, with errno set, when the folder cannot be listed.
bool ListTextFiles(const std::string& folder, std::vector<std::string>& names);

}  // namespace quelvane
