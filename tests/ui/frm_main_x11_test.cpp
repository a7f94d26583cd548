// The window on a real X server of its own: keys and a click given while a run blocks the event loop wait in the window
// system's queue, and must be dropped, not replayed into the window once the run has ended; the progress row the
// server shows grows while the run blocks; a close asked for during a run waits for the run's end and its box; and
// the focus is on the run button after a run.

#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <QtTest>
#include <QtWidgets>

#include <cstdio>
#include <memory>
#include <string>

#include "frm_main.h"
#include "volumes.h"

using namespace quelvane;

namespace {

constexpr int kFiles = 1000;
const QByteArray kStory = QByteArray("今天的天气很好，我们去公园散步。\r\n\r\n").repeated(2000);
const QByteArray kTidied = QByteArray(kStory).replace("\r\n\r\n", "\r\n");

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

// Notes the message boxes shown, and whether `window` was shown and enabled behind each, answering the first Yes and
// any other No. Each time `progress`, if given, is to be painted while the window is disabled, reads its pixels back
// from the X server: what the paint before drew.
class Answerer : public QObject {
 public:
  explicit Answerer(QWidget* window, QLabel* progress = nullptr) : window_(window), progress_(progress) {
    qApp->installEventFilter(this);
  }
  ~Answerer() override { qApp->removeEventFilter(this); }
  QStringList seen;
  QList<bool> windowInUse;  // shown and enabled
  QSet<size_t> shown;  // hashes of the pixels

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == progress_ && event->type() == QEvent::Paint && !window_->isEnabled()) {
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
    windowInUse << (window_->isVisible() && window_->isEnabled());
    QMetaObject::invokeMethod(box, [box, answer] { box->done(answer); }, Qt::QueuedConnection);
    return false;
  }

 private:
  QWidget* window_;
  QLabel* progress_;
};

// `files` novels f0000.txt..., and a read-only one when asked.
void WriteNovels(const QTemporaryDir& root, int files, bool readOnly = false) {
  for (int i = 0; i < files; ++i) {
    QFile file(root.filePath(QStringLiteral("f%1.txt").arg(i, 4, 10, QChar('0'))));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(kStory) == kStory.size());
  }
  if (!readOnly) return;
  QFile file(root.filePath("readonly.txt"));
  QVERIFY(file.open(QIODevice::WriteOnly) && file.write(kStory) == kStory.size());
  QVERIFY(chmod(QFile::encodeName(file.fileName()).constData(), 0444) == 0);
}

// Once the first novel is tidied: `act`; then says how many are left.
void StartHands(QProcess& hands, const QTemporaryDir& root, const QString& act) {
  hands.setWorkingDirectory(root.path());
  const QString script = QStringLiteral(
      "for i in $(seq 1000); do stat -c %s f*.txt | grep -qvx %1 && break; sleep 0.01; done; "
      "%2 && echo $(stat -c %s f*.txt | grep -cx %1)");
  hands.start("sh", {"-c", script.arg(kStory.size()).arg(act)});
  QVERIFY(hands.waitForStarted());
}

// How many novels were left when the hands acted.
int LeftWhenActed(QProcess& hands) {
  // It may have ended while the run ended.
  if (hands.state() != QProcess::NotRunning) hands.waitForFinished(10000);
  const QByteArray errors = hands.readAllStandardError();
  if (!errors.isEmpty() || hands.exitCode() != 0) qWarning("the hands failed: %s", errors.constData());
  return hands.readAllStandardOutput().trimmed().toInt();
}

}  // namespace

class FrmMainX11Test : public QObject {
  Q_OBJECT

 private:
  // The window on `folder`, active, set to delete blank lines.
  std::unique_ptr<FrmMain> Open(const QString& folder) {
    auto window = std::make_unique<FrmMain>(volumes_, folder, folder);
    window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window.get())) return nullptr;
    window->findChild<QRadioButton*>("optDelete")->click();
    return window;
  }

  MountedVolumes volumes_;

 private slots:
  void init() {
    if (!xvfb) QSKIP("Xvfb is not installed: the window is not tried on an X server");
  }

  void inputDuringARunIsDropped() {
    if (QStandardPaths::findExecutable("xdotool").isEmpty()) QSKIP("xdotool is not installed");
    QTemporaryDir root;
    WriteNovels(root, kFiles);
    const std::unique_ptr<FrmMain> window = Open(root.path());
    QVERIFY(window);
    auto* typed = window->findChild<QLineEdit*>("txtReplaceS");
    typed->setFocus();
    QTRY_VERIFY(typed->hasFocus());
    auto* exit = window->findChild<QPushButton*>("cmdExit");
    const QPoint exitAt = exit->mapToGlobal(exit->rect().center());

    // Alt+T (the run button), letters for the box that had the focus, a click on 退出.
    QProcess hands;
    StartHands(hands, root,
               QStringLiteral("xdotool mousemove %1 %2 key alt+t type abc && xdotool click 1")
                   .arg(exitAt.x())
                   .arg(exitAt.y()));
    auto* progress = window->findChild<QLabel*>("lblCourse");
    Answerer answerer(window.get(), progress);
    window->findChild<QPushButton*>("cmdTrim")->click();
    const int leftWhenSent = LeftWhenActed(hands);
    QVERIFY2(leftWhenSent < kFiles, "the input was sent before the first file was tidied");
    QVERIFY2(leftWhenSent > 0, "the run ended before the input was sent: give it more files");

    // Anything still queued would be handled now.
    QTest::qWait(300);
    QCOMPARE(answerer.seen.size(), 1);  // the confirmation only: Alt+T pressed nothing
    QVERIFY(window->isVisible());       // 退出 did not take effect
    QVERIFY(window->isEnabled());
    for (const QLineEdit* box : window->findChildren<QLineEdit*>())
      QVERIFY2(box->text().isEmpty(), qPrintable(box->objectName()));
    for (const QFileInfo& file : QDir(root.path()).entryInfoList({"*.txt"})) QCOMPARE(file.size(), kTidied.size());
    // The squares changed on the screen step by step, though the run blocked the event loop.
    QVERIFY2(answerer.shown.size() > 10, qPrintable(QString::number(answerer.shown.size())));
    // Watched while the window is disabled: drawn as when it is not, and heard by a screen reader.
    QCOMPARE(progress->text(), QString(66, QChar(u'\u25A0')));
    QCOMPARE(progress->accessibleDescription(), QStringLiteral("66 / 66"));
    const QImage enabled = progress->grab().toImage();
    window->setEnabled(false);
    const QImage disabled = progress->grab().toImage();
    window->setEnabled(true);
    QVERIFY(disabled == enabled);
    qInfo("input sent with %d of %d files left", leftWhenSent, kFiles);
  }

  // The title bar's × or Alt+F4 during a run: the run goes on to its end, its box names the file left alone, and
  // then the window closes, which ends the program.
  void closeDuringARunWaitsForItsBox() {
    if (QString(CLOSE_REQUEST).isEmpty()) QSKIP("built without libxcb's headers: nothing can ask the window to close");
    QTemporaryDir root;
    WriteNovels(root, kFiles, true);
    const std::unique_ptr<FrmMain> window = Open(root.path());
    QVERIFY(window);
    QProcess hands;
    StartHands(hands, root, QStringLiteral(CLOSE_REQUEST " %1").arg(window->winId()));
    Answerer answerer(window.get());
    window->findChild<QPushButton*>("cmdTrim")->click();
    const int leftWhenSent = LeftWhenActed(hands);
    QVERIFY2(leftWhenSent < kFiles, "the close was asked for before the first file was tidied");
    QVERIFY2(leftWhenSent > 0, "the run ended before the close was asked for: give it more files");

    QCOMPARE(answerer.seen.size(), 2);
    QCOMPARE(answerer.seen[1].section('\n', 1), QStringLiteral("readonly.txt：文件只读"));
    QCOMPARE(answerer.windowInUse[1], true);  // the run had ended, the window still open
    QVERIFY(!window->isVisible());
    for (const QFileInfo& file : QDir(root.path()).entryInfoList({"f*.txt"})) QCOMPARE(file.size(), kTidied.size());
    qInfo("close asked for with %d of %d files left", leftWhenSent, kFiles);
  }

  // Disabled during the run, the window gives the focus back to the run button, with or without a box at the end.
  void focusOnTheRunButtonAfterARun_data() {
    QTest::addColumn<bool>("leftAlone");
    QTest::newRow("every file tidied")  << false;
    QTest::newRow("after the box's OK") << true;
  }
  void focusOnTheRunButtonAfterARun() {
    QFETCH(bool, leftAlone);
    QTemporaryDir root;
    WriteNovels(root, 2, leftAlone);
    const std::unique_ptr<FrmMain> window = Open(root.path());
    QVERIFY(window);
    auto* typed = window->findChild<QLineEdit*>("txtReplaceS");
    typed->setFocus();
    QTRY_VERIFY(typed->hasFocus());
    Answerer answerer(window.get());
    window->findChild<QPushButton*>("cmdTrim")->click();
    QCOMPARE(answerer.seen.size(), leftAlone ? 2 : 1);
    QTRY_VERIFY(window->isActiveWindow());
    QCOMPARE(QApplication::focusWidget(), window->findChild<QPushButton*>("cmdTrim"));
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
