#pragma once
// How a file or folder name reads on screen. Linux names are bytes: most
// are UTF-8, but a Chinese archive unpacked as it was made keeps its names
// in code page 936. Such a name is shown decoded, so that the user sees
// 第一卷 rather than replacement marks; the bytes themselves are what every
// file operation uses.

#include <string>
#include <string_view>

namespace quelvane {

// `nameBytes` as UTF-8 when it is valid UTF-8, otherwise as code page 936,
// any byte that is not part of a code page 936 character shown as "\xhh".
std::u16string DisplayName(std::string_view nameBytes);

}  // namespace quelvane
