#include "volumes.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QList>
#include <QSet>

#include <algorithm>

namespace quelvane {
namespace {

// File systems that hold user files without a device of their own.
bool IsNetworkFileSystem(const QByteArray& type) {
  static const QSet<QByteArray> kNetwork{"nfs", "nfs4", "cifs", "smb3", "smbfs", "ceph", "glusterfs",
                                         "afs", "9p", "fuse.sshfs", "fuse.rclone", "fuse.davfs2"};
  return kNetwork.contains(type);
}

// Device-backed file systems that are read-only program images (snaps and
// the like), not places for user files.
bool IsProgramImage(const QByteArray& type) { return type == "squashfs" || type == "erofs"; }

// mountinfo writes space, tab, newline and backslash as \ooo.
QByteArray Unescape(const QByteArray& field) {
  QByteArray out;
  out.reserve(field.size());
  for (qsizetype i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      bool ok = false;
      const int code = field.mid(i + 1, 3).toInt(&ok, 8);
      if (ok && code < 256) {
        out += static_cast<char>(code);
        i += 3;
        continue;
      }
    }
    out += field[i];
  }
  return out;
}

// udev names label links with unsafe bytes written as \xhh.
QString UnescapeLabel(const QString& name) {
  QByteArray bytes = QFile::encodeName(name);
  QByteArray out;
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\\' && i + 3 < bytes.size() && bytes[i + 1] == 'x') {
      bool ok = false;
      const int code = bytes.mid(i + 2, 2).toInt(&ok, 16);
      if (ok) {
        out += static_cast<char>(code);
        i += 3;
        continue;
      }
    }
    out += bytes[i];
  }
  return QString::fromUtf8(out);
}

// Canonical device path -> label, from the links in `folder`.
QHash<QString, QString> DeviceLabels(const QString& folder) {
  QHash<QString, QString> labels;
  QDirIterator links(folder, QDir::System | QDir::Files | QDir::NoDotAndDotDot);
  while (links.hasNext()) {
    const QFileInfo link(links.next());
    const QString device = link.canonicalFilePath();
    if (!device.isEmpty()) labels.insert(device, UnescapeLabel(link.fileName()));
  }
  return labels;
}

struct MountEntry {
  QString mountPoint;
  QString source;
};

std::vector<MountEntry> UserMounts(const QByteArray& mountInfo) {
  std::vector<MountEntry> mounts;
  for (const QByteArray& line : mountInfo.split('\n')) {
    const QList<QByteArray> fields = line.split(' ');
    // id parent major:minor root mount-point options [optional...] - type source super-options
    const qsizetype separator = fields.indexOf("-", 6);
    if (fields.size() < 5 || separator < 0 || separator + 2 >= fields.size()) continue;
    const QByteArray mountPoint = Unescape(fields[4]);
    const QByteArray& type = fields[separator + 1];
    const QByteArray source = Unescape(fields[separator + 2]);
    const bool keep = mountPoint == "/" || (source.startsWith("/dev/") && !IsProgramImage(type)) ||
                      IsNetworkFileSystem(type);
    if (!keep) continue;
    // A later mount on the same point hides the earlier one.
    const QString point = QFile::decodeName(mountPoint);
    std::erase_if(mounts, [&point](const MountEntry& m) { return m.mountPoint == point; });
    mounts.push_back({point, QFile::decodeName(source)});
  }
  return mounts;
}

}  // namespace

QString VolumeCaption(const Volume& volume) {
  if (volume.label.isEmpty()) return volume.mountPoint;
  return QStringLiteral("%1 [%2]").arg(volume.mountPoint, volume.label);
}

std::vector<QString> UserMountPoints(const QByteArray& mountInfo) {
  std::vector<QString> points;
  for (const MountEntry& mount : UserMounts(mountInfo)) points.push_back(mount.mountPoint);
  return points;
}

std::vector<Volume> MountedVolumes::Volumes() const {
  QFile file(mountInfo_);
  // Files under /proc report no size, so read to the end rather than by size.
  const QByteArray mountInfo = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  const QHash<QString, QString> labels = DeviceLabels(labelLinks_);
  std::vector<Volume> volumes;
  for (const MountEntry& mount : UserMounts(mountInfo)) {
    // Containers bind single files (/etc/hosts) from real devices: not volumes.
    if (!QFileInfo(mount.mountPoint).isDir()) continue;
    volumes.push_back({mount.mountPoint, labels.value(QFileInfo(mount.source).canonicalFilePath())});
  }
  if (std::none_of(volumes.begin(), volumes.end(), [](const Volume& v) { return v.mountPoint == "/"; })) {
    volumes.push_back({QStringLiteral("/"), QString()});
  }
  std::sort(volumes.begin(), volumes.end(),
            [](const Volume& a, const Volume& b) { return a.mountPoint < b.mountPoint; });
  return volumes;
}

}  // namespace quelvane
