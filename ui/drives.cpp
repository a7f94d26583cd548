#include "drives.h"

#include <QFile>

#include <utility>

namespace quelvane {
namespace {

bool LiesUnder(const QByteArray& folder, const QByteArray& mountPoint) {
  if (mountPoint == "/") return folder.startsWith('/');
  return folder == mountPoint || folder.startsWith(mountPoint + '/');
}

}  // namespace

Drives::Drives(std::vector<Volume> volumes, QByteArray startFolder)
    : volumes_(std::move(volumes)), startFolder_(std::move(startFolder)) {
  for (const Volume& volume : volumes_) roots_.push_back(QFile::encodeName(volume.mountPoint));
}

QByteArray Drives::Root(int drive) const { return roots_.at(static_cast<size_t>(drive)); }

int Drives::DriveOf(const QByteArray& folder) const {
  int best = -1;
  for (size_t i = 0; i < roots_.size(); ++i) {
    if (LiesUnder(folder, roots_[i]) && (best < 0 || roots_[i].size() > roots_[best].size())) {
      best = static_cast<int>(i);
    }
  }
  return best;
}

QByteArray Drives::CurrentFolder(int drive) const {
  if (current_.contains(drive)) return current_.value(drive);
  if (DriveOf(startFolder_) == drive) return startFolder_;
  return Root(drive);
}

void Drives::Remember(const QByteArray& folder) {
  const int drive = DriveOf(folder);
  if (drive >= 0) current_.insert(drive, folder);
}

}  // namespace quelvane
