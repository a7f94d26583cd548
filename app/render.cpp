// quelvane-render [OUTPUT.png [FOLDER]]: draws the main window as it opens,
// without a display (Qt's offscreen platform unless QT_QPA_PLATFORM says
// otherwise), to window.png or OUTPUT.png. The window opens on FOLDER, or
// like the program on the current folder.

#include <QApplication>
#include <QDir>
#include <QPixmap>

#include <cstdio>

#include "app_icon.h"
#include "frm_main.h"
#include "qt_translation.h"
#include "volumes.h"

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setWindowIcon(quelvane::ApplicationIcon(QCoreApplication::applicationDirPath()));
  quelvane::LoadQtTranslation(app);
  const QString output = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("window.png");
  const QString folder = argc > 2 ? QDir(QString::fromLocal8Bit(argv[2])).absolutePath() : QDir::currentPath();

  const quelvane::MountedVolumes volumes;
  quelvane::FrmMain window(volumes, QCoreApplication::applicationDirPath(), folder);
  window.show();
  QApplication::processEvents();
  if (!window.grab().save(output)) {
    std::fprintf(stderr, "quelvane-render: cannot write %s\n", qPrintable(output));
    return 1;
  }
  std::printf("%s\n", qPrintable(QDir(output).absolutePath()));
  return 0;
}
