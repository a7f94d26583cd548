#pragma once
// A file's extended attributes (its ACL among them), each read in one call
// where it is of a usual size: asking a size first would double the calls
// for every file tidied.

#include <optional>
#include <string>
#include <vector>

#include "file_system.h"

namespace quelvane {

// The names of the attributes of `fd`: none where its file system keeps
// none (ENOTSUP); nothing, with errno set, when they cannot be listed.
std::optional<std::vector<std::string>> AttributeNames(FileSystem& fs, int fd);

// The value of the attribute `name` of `fd`; nothing, with errno set, when
// it cannot be read.
std::optional<std::string> AttributeValue(FileSystem& fs, int fd, const char* name);

}  // namespace quelvane
