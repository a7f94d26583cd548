// The program: one window, and it ends when the window does.
//
// `quelvane --self-check` opens the window, then prints what the program
// found where it is installed (its icon's files and Qt's Simplified Chinese
// texts) and ends, with status 1 when either is missing.

#include <QApplication>
#include <QDir>

#include <cstdio>

#include "app_icon.h"
#include "app_info.h"
#include "frm_main.h"
#include "qt_translation.h"
#include "volumes.h"

namespace {

int SelfCheck(const QWidget& window, const QStringList& iconFiles, bool translated) {
  QApplication::processEvents();
  std::printf("window: %d x %d\n", window.width(), window.height());
  for (const QString& file : iconFiles) std::printf("icon: %s\n", qPrintable(QDir::toNativeSeparators(file)));
  if (iconFiles.isEmpty()) std::printf("icon: none found, the built-in picture is shown\n");
  std::printf("translation: %s\n", translated ? "qtbase_zh_CN" : "none found, standard buttons speak English");
  return !iconFiles.isEmpty() && translated ? 0 : 1;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(quelvane::ApplicationTitle());
  // Lets Wayland desktops match the window to its menu entry and icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("quelvane"));
  const QString programFolder = QCoreApplication::applicationDirPath();
  const QStringList iconFiles = quelvane::IconFiles(programFolder);
  QApplication::setWindowIcon(quelvane::ApplicationIcon(programFolder));
  const bool translated = quelvane::LoadQtTranslation(app);

  const quelvane::MountedVolumes volumes;
  quelvane::FrmMain window(volumes, programFolder, QDir::currentPath());
  window.show();
  if (QCoreApplication::arguments().contains(QStringLiteral("--self-check"))) {
    return SelfCheck(window, iconFiles, translated);
  }
  return QApplication::exec();
}
