#include "drives.h"

#include <utility>

namespace quelvane {
namespace {

bool LiesUnder(const QString& folder, const QString& mountPoint) {
  if (mountPoint == QLatin1String("/")) return folder.startsWith(QLatin1Char('/'));
  return folder == mountPoint || folder.startsWith(mountPoint + QLatin1Char('/'));
}

}  // namespace

Drives::Drives(std::vector<Volume> volumes, QString startFolder)
    : volumes_(std::move(volumes)), startFolder_(std::move(startFolder)) {}

int Drives::DriveOf(const QString& folder) const {
  int best = -1;
  for (size_t i = 0; i < volumes_.size(); ++i) {
    const QString& mountPoint = volumes_[i].mountPoint;
    if (LiesUnder(folder, mountPoint) && (best < 0 || mountPoint.size() > volumes_[best].mountPoint.size())) {
      best = static_cast<int>(i);
    }
  }
  return best;
}

QString Drives::CurrentFolder(int drive) const {
  if (current_.contains(drive)) return current_.value(drive);
  if (DriveOf(startFolder_) == drive) return startFolder_;
  return volumes_.at(static_cast<size_t>(drive)).mountPoint;
}

void Drives::Remember(const QString& folder) {
  const int drive = DriveOf(folder);
  if (drive >= 0) current_.insert(drive, folder);
}

}  // namespace quelvane
