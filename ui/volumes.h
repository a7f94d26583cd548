#pragma once
// The mounted volumes offered in the drive list: the root file system and
// the mounts of real devices and network shares, never pseudo file systems.
// The source is an interface so that tests can offer volumes of their own.

#include <QString>
#include <utility>
#include <vector>

namespace quelvane {

struct Volume {
  QString mountPoint;
  QString label;  // empty when the volume has none
};

// How a volume reads in the drive list: its mount point, then its label.
QString VolumeCaption(const Volume& volume);

class VolumeSource {
 public:
  virtual ~VolumeSource() = default;
  virtual std::vector<Volume> Volumes() const = 0;
};

// The machine's mounts, from /proc/self/mountinfo, with the labels udev
// links in /dev/disk/by-label; tests give files of their own.
class MountedVolumes : public VolumeSource {
 public:
  explicit MountedVolumes(QString mountInfo = QStringLiteral("/proc/self/mountinfo"),
                          QString labelLinks = QStringLiteral("/dev/disk/by-label"))
      : mountInfo_(std::move(mountInfo)), labelLinks_(std::move(labelLinks)) {}
  std::vector<Volume> Volumes() const override;

 private:
  QString mountInfo_;
  QString labelLinks_;
};

// The mount points of /proc/self/mountinfo text that may hold user files, in
// mount order, each once; "/" is always kept, even on an overlay.
std::vector<QString> UserMountPoints(const QByteArray& mountInfo);

}  // namespace quelvane
