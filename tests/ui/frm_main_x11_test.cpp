// The window on a real X server of its own: keys, a click and a close request given while a run blocks the event loop
// wait in the window system's queue. The keys and the click must be dropped, not replayed into the window once the
// run has ended; the close waits for the run's end and its box. Meanwhile the progress row the server shows grows.

#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/stat.h>

#include <QtTest>
#include <QtWidgets>

#include <cstdio>
#include <string>

#include "frm_main.h"
#include "shown_text.h"
#include "volumes.h"

using namespace quelvane;
using testing::Shown;

namespace {

constexpr int kFiles = 1000;
const QByteArray kStory = QByteArray("今天的天气很好，我们去公园散步。\r\n\r\n").repeated(2000);
const QByteArray kTidied = QByteArray(kStory).replace("\r\n\r\n", "\r\n");

// Xvfb on a free display, which it names on its standard output after the shell's pid (Xvfb takes the shell over).
// It dies with this test, however the test ends.
FILE* xvfbOutput = nullptr;
int xvfb = 0;  // its pid, or 0 when there is none

void StartXvfb() {
  xvfbOutput = popen("command -v Xvfb >/dev/null && echo $$ && "
                     "exec setpriv --pdeathsig KILL Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp", "r");
  int display = -1;
  if (std::fscanf(xvfbOutput, "%d %d", &xvfb, &display) != 2 || display < 0) xvfb = 0;
  if (xvfb) setenv("DISPLAY", (":" + std::to_string(display)).c_str(), 1);
}

// Notes each message box shown, after whether `window` was shown and enabled behind it ("in use: <text>"), answering
// the first Yes and any other No. Each time `progress` is to be painted while the window is disabled and the run's
// cursor shown, reads its pixels back from the X server: what the paint before drew.
class Answerer : public QObject {
 public:
  Answerer(QWidget* window, QLabel* progress) : window_(window), progress_(progress) { qApp->installEventFilter(this); }
  ~Answerer() override { qApp->removeEventFilter(this); }
  QStringList seen;
  QSet<size_t> shown;  // hashes of the pixels

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == progress_ && event->type() == QEvent::Paint && !window_->isEnabled() &&
        QApplication::overrideCursor()) {
      const QRect row(progress_->mapTo(progress_->window(), QPoint()), progress_->size());
      const QImage pixels = progress_->screen()
                                ->grabWindow(progress_->window()->winId(), row.x(), row.y(), row.width(), row.height())
                                .toImage();
      shown << qHashBits(pixels.constBits(), pixels.sizeInBytes());
    }
    auto* box = qobject_cast<QMessageBox*>(watched);
    if (!box || event->type() != QEvent::Show) return false;
    const QMessageBox::StandardButton answer = seen.isEmpty() ? QMessageBox::Yes : QMessageBox::No;
    seen << (window_->isVisible() && window_->isEnabled() ? "in use: " : "closed or disabled: ") + box->text();
    QMetaObject::invokeMethod(box, [box, answer] { box->done(answer); }, Qt::QueuedConnection);
    return false;
  }

 private:
  QWidget* window_;
  QLabel* progress_;
};

// kFiles novels f0000.txt..., and a read-only one.
void WriteNovels(const QTemporaryDir& root) {
  for (int i = 0; i <= kFiles; ++i) {
    QFile file(root.filePath(i < kFiles ? QStringLiteral("f%1.txt").arg(i, 4, 10, QChar('0')) : "readonly.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(kStory) == kStory.size());
  }
  QVERIFY(chmod(QFile::encodeName(root.filePath("readonly.txt")).constData(), 0444) == 0);
}

// Starts a run in `window` and, once its first novel is tidied, has a process of its own `act`; returns how many
// novels were left then.
int LeftWhenTheHandsActed(QWidget& window, const QTemporaryDir& root, const QString& act) {
  QProcess hands;
  hands.setWorkingDirectory(root.path());
  hands.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
  const QString script = QStringLiteral(
      "for i in $(seq 1000); do stat -c %s f*.txt | grep -qvx %1 && break; sleep 0.01; done; "
      "%2 && echo $(stat -c %s f*.txt | grep -cx %1)");
  hands.start("sh", {"-c", script.arg(kStory.size()).arg(act)});
  if (!hands.waitForStarted()) return -1;
  window.findChild<QPushButton*>("cmdTrim")->click();
  // It may have ended while the run ended.
  if (hands.state() != QProcess::NotRunning) hands.waitForFinished(10000);
  const QByteArray errors = hands.readAllStandardError();
  if (!errors.isEmpty() || hands.exitCode() != 0) qWarning("the hands failed: %s", errors.constData());
  return hands.readAllStandardOutput().trimmed().toInt();
}

}  // namespace

class FrmMainX11Test : public QObject {
  Q_OBJECT

  MountedVolumes volumes_;

 private slots:
  void inputDuringARun() {
    if (!xvfb) QSKIP("Xvfb is not installed: the window is not tried on an X server");
    if (QStandardPaths::findExecutable("xdotool").isEmpty()) QSKIP("xdotool is not installed");
    QTemporaryDir root;
    WriteNovels(root);
    FrmMain window(volumes_, root.path(), root.path());
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    window.findChild<QRadioButton*>("optDelete")->click();
    auto* typed = window.findChild<QLineEdit*>("txtReplaceS");
    typed->setFocus();
    QTRY_VERIFY(typed->hasFocus());
    auto* exit = window.findChild<QPushButton*>("cmdExit");
    const QPoint exitAt = exit->mapToGlobal(exit->rect().center());
    QSignalSpy exitClicked(exit, &QPushButton::clicked);
    Answerer answerer(&window, window.findChild<QLabel*>("lblCourse"));

    // Alt+T (the run button), letters for the box that had the focus, a click on 退出, and what a window manager sends
    // for the title bar's × or Alt+F4.
    const QString close =
        QString(CLOSE_REQUEST).isEmpty() ? "true" : QStringLiteral(CLOSE_REQUEST " %1").arg(window.winId());
    const QString act = QStringLiteral("xdotool mousemove %1 %2 key alt+t type abc && xdotool click 1 && %3");
    const int left = LeftWhenTheHandsActed(window, root, act.arg(exitAt.x()).arg(exitAt.y()).arg(close));
    QVERIFY2(left > 0 && left < kFiles,
             qPrintable(QStringLiteral("the hands acted with %1 of %2 novels left").arg(left).arg(kFiles)));

    QTest::qWait(300);  // anything still queued would be handled now
    // No second confirmation (Alt+T pressed nothing), and the box that ends the run while the window is still open.
    QCOMPARE(Shown(answerer.seen.mid(1)),
             Shown("in use: 整理完成，但有 1 个文件未能整理，保持原样：\nreadonly.txt：文件只读"));
    QCOMPARE(exitClicked.count(), 0);
    for (const QLineEdit* box : window.findChildren<QLineEdit*>())
      QVERIFY2(box->text().isEmpty(), qPrintable(box->objectName()));
    for (const QFileInfo& file : QDir(root.path()).entryInfoList({"f*.txt"})) QCOMPARE(file.size(), kTidied.size());
    // The squares changed on the screen step by step under the wait cursor, though the run blocked the event loop.
    QVERIFY2(answerer.shown.size() > 10, qPrintable(QString::number(answerer.shown.size())));
    if (QString(CLOSE_REQUEST).isEmpty()) QSKIP("built without libxcb's headers: nothing asked the window to close");
    QVERIFY(!window.isVisible());
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
