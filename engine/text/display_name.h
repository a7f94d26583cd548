#pragma once
// How a file or folder name reads on screen. Linux names are bytes: most
// are UTF-8, but a Chinese archive unpacked as it was made keeps its names
// in code page 936. Such a name is shown decoded, so that the user sees
// 第一卷 rather than replacement marks; the bytes themselves are what every
// file operation uses.

#include <string>
#include <string_view>

namespace quelvane {

// `nameBytes` as UTF-8 when it is valid UTF-8, otherwise as code page 936.
// What could mislead is escaped: a byte that is no part of a character
// (nor of one outside the user-defined areas, which no font draws) as
// "\xhh", a control character (C0, DEL, C1) as "\xhh" of its code point,
// and a bidirectional control, which would reorder the text after it, as
// "\u{hhhh}".
std::u16string DisplayName(std::string_view nameBytes);

// A path, each of its names shown as DisplayName shows it.
std::u16string DisplayPath(std::string_view pathBytes);

}  // namespace quelvane
