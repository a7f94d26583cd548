#include "app_icon.h"

#include <QDir>
#include <QFileInfo>
#include <QPixmap>

#include <algorithm>

#include "icons/quelvane.xpm"

namespace quelvane {

QStringList IconFiles(const QString& programFolder) {
  const QDir theme(QDir::cleanPath(programFolder + QStringLiteral("/" QUELVANE_DATA_FROM_BIN "/icons/hicolor")));
  QList<std::pair<int, QString>> files;
  // Size folders are named "<width>x<height>"; "scalable" holds the SVG,
  // which Qt cannot draw without its SVG module.
  for (const QString& size : theme.entryList({QStringLiteral("*x*")}, QDir::Dirs)) {
    const QString file = theme.filePath(size + QStringLiteral("/apps/quelvane.png"));
    if (QFileInfo::exists(file)) files.append({size.section(QLatin1Char('x'), 0, 0).toInt(), file});
  }
  std::sort(files.begin(), files.end());
  QStringList paths;
  for (const auto& [width, file] : files) paths.append(file);
  return paths;
}

QIcon ApplicationIcon(const QString& programFolder) {
  const QStringList files = IconFiles(programFolder);
  if (files.isEmpty()) return QIcon(QPixmap(quelvane_icon_xpm));
  QIcon icon;
  for (const QString& file : files) icon.addFile(file);
  return icon;
}

}  // namespace quelvane
