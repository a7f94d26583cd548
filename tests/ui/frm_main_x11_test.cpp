// The window on a real X server of its own: keys and a click given while a run blocks the event loop wait in the window
// system's queue, and must be dropped, not replayed into the window once the run has ended; and the progress row the
// server shows grows while the run blocks.

#include <signal.h>
#include <stdlib.h>

#include <QtTest>
#include <QtWidgets>

#include <cstdio>
#include <string>

#include "frm_main.h"
#include "volumes.h"

using namespace quelvane;

namespace {

constexpr int kFiles = 1000;

// Xvfb on a free display, which it names on its standard output after the shell's pid (Xvfb takes the shell over).
FILE* xvfbOutput = nullptr;
int xvfb = 0;  // its pid, or 0 when there is none

void StartXvfb() {
  xvfbOutput = popen("command -v Xvfb >/dev/null && echo $$ && "
                     "exec Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp", "r");
  int display = -1;
  if (std::fscanf(xvfbOutput, "%d %d", &xvfb, &display) != 2 || display < 0) xvfb = 0;
  if (xvfb) setenv("DISPLAY", (":" + std::to_string(display)).c_str(), 1);
}

// Counts the message boxes shown, answering the first Yes and any other No. Each time `progress` is to be painted while
// its window is disabled, reads its pixels back from the X server: what the paint before drew.
class Answerer : public QObject {
 public:
  explicit Answerer(QLabel* progress) : progress_(progress) { qApp->installEventFilter(this); }
  ~Answerer() override { qApp->removeEventFilter(this); }
  QStringList seen;
  QSet<size_t> shown;  // hashes of the pixels

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == progress_ && event->type() == QEvent::Paint && !progress_->window()->isEnabled()) {
      const QRect row(progress_->mapTo(progress_->window(), QPoint()), progress_->size());
      const QImage pixels = progress_->screen()
                                ->grabWindow(progress_->window()->winId(), row.x(), row.y(), row.width(), row.height())
                                .toImage();
      shown << qHashBits(pixels.constBits(), pixels.sizeInBytes());
    }
    auto* box = qobject_cast<QMessageBox*>(watched);
    if (!box || event->type() != QEvent::Show) return false;
    const QMessageBox::StandardButton answer = seen.isEmpty() ? QMessageBox::Yes : QMessageBox::No;
    seen << box->text();
    QMetaObject::invokeMethod(box, [box, answer] { box->done(answer); }, Qt::QueuedConnection);
    return false;
  }

 private:
  QLabel* progress_;
};

}  // namespace

class FrmMainX11Test : public QObject {
  Q_OBJECT

 private slots:
  void inputDuringARunIsDropped() {
    if (!xvfb) QSKIP("Xvfb is not installed: the window is not tried on an X server");
    if (QStandardPaths::findExecutable("xdotool").isEmpty()) QSKIP("xdotool is not installed");
    QTemporaryDir root;
    QByteArray story;
    for (int i = 0; i < 2000; ++i) story += "今天的天气很好，我们去公园散步。\r\n\r\n";
    for (int i = 0; i < kFiles; ++i) {
      QFile file(root.filePath(QStringLiteral("f%1.txt").arg(i, 4, 10, QChar('0'))));
      QVERIFY(file.open(QIODevice::WriteOnly) && file.write(story) == story.size());
    }
    MountedVolumes volumes;
    FrmMain window(volumes, root.path(), root.path());
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    window.findChild<QRadioButton*>("optDelete")->click();
    auto* typed = window.findChild<QLineEdit*>("txtReplaceS");
    typed->setFocus();
    QTRY_VERIFY(typed->hasFocus());
    auto* exit = window.findChild<QPushButton*>("cmdExit");
    const QPoint exitAt = exit->mapToGlobal(exit->rect().center());

    // Once the first file is tidied: Alt+T (the run button), letters for the box that had the focus,
    // a click on 退出; then how many files are left.
    QProcess hands;
    hands.setWorkingDirectory(root.path());
    const QString script = QStringLiteral(
        "for i in $(seq 1000); do stat -c %s *.txt | grep -qvx %3 && break; sleep 0.01; done; "
        "xdotool mousemove %1 %2 key alt+t type abc && xdotool click 1 && echo $(stat -c %s *.txt | grep -cx %3)");
    hands.start("sh", {"-c", script.arg(exitAt.x()).arg(exitAt.y()).arg(story.size())});
    QVERIFY(hands.waitForStarted());
    auto* progress = window.findChild<QLabel*>("lblCourse");
    Answerer answerer(progress);
    window.findChild<QPushButton*>("cmdTrim")->click();
    // It may have ended while the run ended.
    QVERIFY(hands.state() == QProcess::NotRunning || hands.waitForFinished(10000));
    QCOMPARE(hands.readAllStandardError(), QByteArray());
    QCOMPARE(hands.exitCode(), 0);
    const int leftWhenSent = hands.readAllStandardOutput().trimmed().toInt();
    QVERIFY2(leftWhenSent < kFiles, "the input was sent before the first file was tidied");
    QVERIFY2(leftWhenSent > 0, "the run ended before the input was sent: give it more files");

    // Anything still queued would be handled now.
    QTest::qWait(300);
    QCOMPARE(answerer.seen.size(), 1);  // the confirmation only: Alt+T pressed nothing
    QVERIFY(window.isVisible());        // 退出 did not take effect
    QVERIFY(window.isEnabled());
    for (const QLineEdit* box : window.findChildren<QLineEdit*>())
      QVERIFY2(box->text().isEmpty(), qPrintable(box->objectName()));
    const QByteArray tidied = QByteArray(story).replace("\r\n\r\n", "\r\n");
    for (const QFileInfo& file : QDir(root.path()).entryInfoList({"*.txt"})) QCOMPARE(file.size(), tidied.size());
    // The squares changed on the screen step by step, though the run blocked the event loop.
    QVERIFY2(answerer.shown.size() > 10, qPrintable(QString::number(answerer.shown.size())));
    // Watched while the window is disabled: drawn as when it is not, and heard by a screen reader.
    QCOMPARE(progress->text(), QString(66, QChar(u'\u25A0')));
    QCOMPARE(progress->accessibleDescription(), QStringLiteral("66 / 66"));
    const QImage enabled = progress->grab().toImage();
    window.setEnabled(false);
    const QImage disabled = progress->grab().toImage();
    window.setEnabled(true);
    QVERIFY(disabled == enabled);
    qInfo("input sent with %d of %d files left", leftWhenSent, kFiles);
  }
};

int main(int argc, char** argv) {
  StartXvfb();
  qputenv("QT_QPA_PLATFORM", xvfb ? "xcb" : "offscreen");
  int status;
  {
    QApplication app(argc, argv);
    FrmMainX11Test test;
    status = QTest::qExec(&test, argc, argv);
  }
  if (xvfb) kill(xvfb, SIGTERM);
  pclose(xvfbOutput);
  return status;
}

#include "frm_main_x11_test.moc"
