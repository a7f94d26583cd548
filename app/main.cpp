// The program: one window, and it ends when the window does.

#include <QApplication>
#include <QDir>

#include "app_icon.h"
#include "app_info.h"
#include "frm_main.h"
#include "qt_translation.h"
#include "volumes.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(quelvane::ApplicationTitle());
  QApplication::setWindowIcon(quelvane::ApplicationIcon());
  quelvane::LoadQtTranslation(app);

  const quelvane::MountedVolumes volumes;
  quelvane::FrmMain window(volumes, QCoreApplication::applicationDirPath(), QDir::currentPath());
  window.show();
  return QApplication::exec();
}
