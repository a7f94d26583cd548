#pragma once
// A folder opened for reading its entries (readdir), closed when it goes out
// of scope.

#include <dirent.h>

#include <memory>

namespace quelvane {

struct CloseFolderStream {
  void operator()(DIR* folder) const { closedir(folder); }
};
using FolderStream = std::unique_ptr<DIR, CloseFolderStream>;

}  // namespace quelvane
