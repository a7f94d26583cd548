// Runs started from the real window, its message boxes answered as a user
// would, with the files checked byte for byte afterwards.

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include "folder_list.h"
#include "frm_main.h"
#include "message_box_answerer.h"
#include "qt_translation.h"
#include "ui_test_support.h"

using namespace quelvane;
using namespace quelvane::testing;

namespace {

const QByteArray kStory = "今天的天气\r\n\r\n很好。\r\n";
const QByteArray kOther = "天气\r\n\r\n\r\n完";

}  // namespace

class FrmMainRunTest : public QObject {
  Q_OBJECT

 private:
  template <typename Control = QWidget>
  Control* Find(const QString& name) const {
    return window_->findChild<Control*>(name);
  }
  QString Path(const QString& name) const { return folder_->filePath(name); }
  QString Progress() const { return Find<QLabel>("lblCourse")->text(); }

  // Presses the run button with the boxes answered from `answers`.
  std::vector<SeenBox> Tidy(std::deque<QMessageBox::StandardButton> answers) {
    MessageBoxAnswerer answerer(std::move(answers));
    Find<QPushButton>("cmdTrim")->click();
    return answerer.seen();
  }

  void ExpectFilesUnchanged() {
    QCOMPARE(ReadBytes(Path("1.txt")), kStory);
    QCOMPARE(ReadBytes(Path("2.txt")), kOther);
  }

  std::unique_ptr<QTemporaryDir> folder_;
  std::unique_ptr<FakeVolumes> volumes_;
  std::unique_ptr<FrmMain> window_;
  bool translated_ = false;

 private slots:
  void initTestCase() { translated_ = LoadQtTranslation(*qApp); }

  void init() {
    folder_ = std::make_unique<QTemporaryDir>();
    WriteBytes(Path("1.txt"), kStory);
    WriteBytes(Path("2.txt"), kOther);
    volumes_ = std::make_unique<FakeVolumes>(std::vector<Volume>{{folder_->path(), {}}});
    window_ = std::make_unique<FrmMain>(*volumes_, folder_->path(), folder_->path());
    window_->show();
  }
  void cleanup() { window_.reset(); }

  void yesTidiesEveryListedFile() {
    Find<QRadioButton>("optDelete")->click();
    Find<QLineEdit>("txtReplaceS")->setText("天气");
    Find<QLineEdit>("txtReplaceT")->setText("天色");

    const std::vector<SeenBox> boxes = Tidy({QMessageBox::Yes});
    QCOMPARE(boxes.size(), size_t{1});
    const SeenBox& question = boxes[0];
    QCOMPARE(question.title, QStringLiteral("Quelvane"));
    QCOMPARE(question.icon, QMessageBox::Question);
    QCOMPARE(question.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(question.defaultButton, QMessageBox::No);
    QCOMPARE(question.text, QStringLiteral("当前文件夹内的所有文本文件将作如下整理:\n\n1.删除空行!\n"
                                           "2.\"天气\"字符替换为\"天色\"!\n\n是否继续?"));

    QCOMPARE(ReadBytes(Path("1.txt")), QByteArray("今天的天色\r\n很好。\r\n"));
    QCOMPARE(ReadBytes(Path("2.txt")), QByteArray("天色\r\n完\r\n"));
    QCOMPARE(Progress(), QString(66, QChar(0x25A0)));
    QVERIFY(window_->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
    // The full row must fit the label.
    QVERIFY(Find<QLabel>("lblCourse")->fontMetrics().horizontalAdvance(Progress()) <=
            Find<QLabel>("lblCourse")->width());
  }

  void noChangesNothing() {
    Find<QRadioButton>("optAdd")->click();
    const std::vector<SeenBox> boxes = Tidy({QMessageBox::No});
    QCOMPARE(boxes.size(), size_t{1});
    ExpectFilesUnchanged();
    QVERIFY(Progress().isEmpty());
  }

  void noticesEndTheRunWithNothingChanged_data() {
    QTest::addColumn<QString>("divideLength");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("message");
    QTest::newRow("nothing to do") << QString() << "." << "没有设置整理方式及内容！";
    QTest::newRow("bad length") << "x" << "." << "分段字符数应键入正整数！";
    QTest::newRow("no files") << "8" << "empty" << "当前文件夹内没有文本文件！";
  }
  void noticesEndTheRunWithNothingChanged() {
    QFETCH(QString, divideLength);
    QFETCH(QString, folder);
    QFETCH(QString, message);
    if (!divideLength.isEmpty()) {
      Find<QRadioButton>("optDivide")->click();
      Find<QLineEdit>("txtDivide")->setText(divideLength);
    }
    QVERIFY(QDir(folder_->path()).mkpath("empty"));
    emit Find<FolderList>("dirTrim")->folderChosen(QDir::cleanPath(Path(folder)));

    const std::vector<SeenBox> boxes = Tidy({QMessageBox::Ok});
    QCOMPARE(boxes.size(), size_t{1});
    QCOMPARE(boxes[0].text, message);
    QCOMPARE(boxes[0].icon, QMessageBox::Information);
    QCOMPARE(boxes[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(boxes[0].title, QStringLiteral("Quelvane"));
    QVERIFY(boxes[0].parentEnabled);
    ExpectFilesUnchanged();
  }

  // The first file vanished after it was listed: the failure is reported
  // while the window is still busy, and the box must take the answer.
  void failureIsReportedFromTheBusyWindow() {
    Find<QRadioButton>("optDelete")->click();
    QFile::remove(Path("1.txt"));
    const std::vector<SeenBox> boxes = Tidy({QMessageBox::Yes, QMessageBox::Ok});
    QCOMPARE(boxes.size(), size_t{2});
    QCOMPARE(boxes[1].icon, QMessageBox::Information);
    QVERIFY(boxes[1].text.contains("1.txt"));
    QVERIFY(!boxes[1].parentEnabled);
    QVERIFY(boxes[1].waitCursor);
    QVERIFY(boxes[1].answerable);
    QVERIFY(Progress().isEmpty());
    QVERIFY(window_->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(ReadBytes(Path("2.txt")), kOther);
  }

  void buttonsReadInChinese() {
    if (!translated_) QSKIP("Qt's Simplified Chinese translation (qt6-translations-l10n) is not installed");
    Find<QRadioButton>("optAdd")->click();
    std::vector<SeenBox> boxes = Tidy({QMessageBox::No});
    Find<QRadioButton>("optBlank")->click();
    const std::vector<SeenBox> notice = Tidy({QMessageBox::Ok});
    QCOMPARE(boxes.size(), size_t{1});
    QCOMPARE(notice.size(), size_t{1});
    QCOMPARE(boxes[0].buttonTexts.size(), 2);
    QVERIFY(boxes[0].buttonTexts.contains(QStringLiteral("是(&Y)")));
    QVERIFY(boxes[0].buttonTexts.contains(QStringLiteral("否(&N)")));
    QCOMPARE(notice[0].buttonTexts, QStringList{QStringLiteral("确定")});
  }
};

QTEST_MAIN(FrmMainRunTest)
#include "frm_main_run_test.moc"
