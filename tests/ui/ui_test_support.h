#pragma once
// Small helpers shared by the window tests: volumes of the test's own
// choosing, and byte-exact files.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <vector>

#include "volumes.h"

namespace quelvane::testing {

class FakeVolumes : public VolumeSource {
 public:
  explicit FakeVolumes(std::vector<Volume> volumes) : volumes_(std::move(volumes)) {}
  std::vector<Volume> Volumes() const override { return volumes_; }

 private:
  std::vector<Volume> volumes_;
};

inline void WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (file.open(QIODevice::WriteOnly)) file.write(bytes);
}

inline QByteArray ReadBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

}  // namespace quelvane::testing
