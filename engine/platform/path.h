#pragma once
// Paths as the window walks them, from a folder up to the root.

#include <string>

namespace quelvane {

// The folder that holds `path` ("/" for a file at the root).
std::string FolderOf(const std::string& path);

}  // namespace quelvane
