#pragma once
// Paths as the run builds them from a folder and the names listed in it.

#include <string>
#include <string_view>

namespace quelvane {

// Folder + "/" + name, with no second "/" when the folder already ends in one.
std::string JoinPath(std::string_view folder, std::string_view name);

// The folder that holds `path` ("/" for a file at the root).
std::string FolderOf(const std::string& path);

}  // namespace quelvane
