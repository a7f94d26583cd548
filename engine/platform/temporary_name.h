#pragma once
// The hidden name a replacement's temporary file gets in the folder of the
// file it replaces: ".<kept part of the name>.quelvane-<8 letters or digits>".
// Hidden and never ending in ".txt", so no file list shows it; at most 255
// bytes and 255 UTF-16 units, so FAT, exFAT and NTFS accept it as well as
// ext4; and never a character cut in half, which those refuse.

#include <optional>
#include <string>
#include <string_view>

namespace quelvane {

// The part of `name` a temporary name keeps: all of it, or its first bytes,
// cut before a character when `name` is valid UTF-8.
std::string_view KeptPartOfName(std::string_view name);

// A fresh temporary name for a file called `name`.
std::string TemporaryNameFor(std::string_view name);

// The kept part of the name of the file that `name` would replace, if
// `name` has the form of a temporary name.
std::optional<std::string_view> KeptPartOfTemporaryName(std::string_view name);

}  // namespace quelvane
