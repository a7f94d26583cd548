#pragma once
// The program's icon: a tidied text page with a green tick. Its PNG files
// lie in the hicolor icon theme under the program's own prefix
// (share/icons/hicolor/<size>/apps beside bin/, in the build tree as in an
// installed one); a program without them shows the built-in 32 × 32 picture.

#include <QIcon>
#include <QStringList>

namespace quelvane {

// The icon's files for a program in `programFolder`, one per size, smallest
// first; empty when there are none.
QStringList IconFiles(const QString& programFolder);

QIcon ApplicationIcon(const QString& programFolder);

}  // namespace quelvane
