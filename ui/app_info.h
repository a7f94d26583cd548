#pragma once
// The program's name as the user sees it: the window caption, the caption of
// every message box, and the help text's "about" lines.

#include <QString>

namespace quelvane {

inline QString ApplicationTitle() { return QStringLiteral("Quelvane"); }
// Set by CMake from the project's version.
inline QString ApplicationVersion() { return QStringLiteral(QUELVANE_VERSION); }

}  // namespace quelvane
