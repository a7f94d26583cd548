#pragma once
// The drive list's memory: which volume a folder lies on, and the folder
// each volume was last shown at, so that going back to a drive returns to
// where the user left it. Lasts for one run of the program. Folders are
// paths in the file system's own bytes, which need not be UTF-8.

#include <QByteArray>
#include <QHash>
#include <vector>

#include "volumes.h"

namespace quelvane {

class Drives {
 public:
  // `startFolder` is every drive's current folder when it lies on it.
  Drives(std::vector<Volume> volumes, QByteArray startFolder);

  const std::vector<Volume>& volumes() const { return volumes_; }
  // The mount point of `drive`, as a path.
  QByteArray Root(int drive) const;
  // The volume whose mount point is the longest prefix of `folder`, or -1.
  int DriveOf(const QByteArray& folder) const;
  // The last folder shown on `drive`; at first the start folder when it
  // lies there, otherwise the mount point.
  QByteArray CurrentFolder(int drive) const;
  void Remember(const QByteArray& folder);

 private:
  std::vector<Volume> volumes_;
  std::vector<QByteArray> roots_;
  QByteArray startFolder_;
  QHash<int, QByteArray> current_;
};

}  // namespace quelvane
