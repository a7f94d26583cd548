#pragma once
// The drive list's memory: which volume a folder lies on, and the folder
// each volume was last shown at, so that going back to a drive returns to
// where the user left it. Lasts for one run of the program.

#include <QHash>
#include <QString>
#include <vector>

#include "volumes.h"

namespace quelvane {

class Drives {
 public:
  // `startFolder` is every drive's current folder when it lies on it.
  Drives(std::vector<Volume> volumes, QString startFolder);

  const std::vector<Volume>& volumes() const { return volumes_; }
  // The volume whose mount point is the longest prefix of `folder`, or -1.
  int DriveOf(const QString& folder) const;
  // The last folder shown on `drive`; at first the start folder when it
  // lies there, otherwise the mount point.
  QString CurrentFolder(int drive) const;
  void Remember(const QString& folder);

 private:
  std::vector<Volume> volumes_;
  QString startFolder_;
  QHash<int, QString> current_;
};

}  // namespace quelvane
