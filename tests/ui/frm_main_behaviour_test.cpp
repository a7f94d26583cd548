// What the controls do outside a run: the paragraph modes enable their own
// controls, the division length keeps four characters, and the drive,
// folder and file lists follow one another across volumes the test makes.

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include "folder_list.h"
#include "frm_main.h"
#include "message_box_answerer.h"
#include "ui_test_support.h"

using namespace quelvane;
using namespace quelvane::testing;

class FrmMainBehaviourTest : public QObject {
  Q_OBJECT

 private:
  template <typename Control = QWidget>
  Control* Find(const QString& name) const {
    return window_->findChild<Control*>(name);
  }
  QString Path(const QString& relative) const { return root_.filePath(relative); }
  void Open(const QString& programFolder, const QString& startFolder) {
    window_ = std::make_unique<FrmMain>(*volumes_, Path(programFolder), Path(startFolder));
  }
  QString ShownFolder() const { return Find<FolderList>("dirTrim")->folder(); }
  QStringList Rows(const char* list) const {
    QStringList rows;
    if (auto* files = Find<QListWidget>(list)) {
      for (int i = 0; i < files->count(); ++i) rows << files->item(i)->text();
    } else {
      for (QTreeWidgetItemIterator it(Find<FolderList>(list)); *it; ++it) rows << (*it)->text(0);
    }
    return rows;
  }

  QTemporaryDir root_;
  std::unique_ptr<FakeVolumes> volumes_;
  std::unique_ptr<FrmMain> window_;

 private slots:
  // Two readable volumes and one whose mount point is gone, as a drive
  // that is not ready; the tests run as root, who could read any folder.
  void init() {
    QDir dir(root_.path());
    for (const char* folder : {"A/sub1", "A/Sub2", "A/.hidden", "B"}) QVERIFY(dir.mkpath(folder));
    for (const char* file : {"A/a.txt", "A/b.TXT", "A/notes.md", "A/sub1/x.txt", "B/y.txt"}) {
      WriteBytes(Path(file), "text\r\n");
    }
    volumes_ = std::make_unique<FakeVolumes>(
        std::vector<Volume>{{Path("A"), "Alpha"}, {Path("B"), {}}, {Path("Gone"), {}}});
  }
  void cleanup() {
    window_.reset();
    QDir(root_.path()).removeRecursively();
    QDir().mkpath(root_.path());
  }

  void paragraphModesEnableTheirControls() {
    Open("A", "A");
    auto* ordinal = Find<QCheckBox>("chkOrdinal");
    Find<QRadioButton>("optLink")->click();
    for (int i = 0; i < 5; ++i) {
      for (const char* row : {"labTop(%1)", "txtLink(%1)", "labLink(%1)"}) {
        QVERIFY(Find(QString::fromLatin1(row).arg(i))->isEnabled());
      }
    }
    QVERIFY(ordinal->isEnabled());
    QVERIFY(!Find("txtDivide")->isEnabled());
    Find<QLineEdit>("txtLink(2)")->setText("第?回");
    ordinal->click();
    QVERIFY(ordinal->isChecked());

    Find<QRadioButton>("optDivide")->click();
    QVERIFY(!ordinal->isEnabled() && !ordinal->isChecked());
    QVERIFY(!Find("txtLink(2)")->isEnabled() && !Find("labTop(0)")->isEnabled());
    QVERIFY(Find("labDivide")->isEnabled() && Find("txtDivide")->isEnabled());

    Find<QRadioButton>("optLink")->click();
    QVERIFY(ordinal->isEnabled() && !ordinal->isChecked());
    QCOMPARE(Find<QLineEdit>("txtLink(2)")->text(), QStringLiteral("第?回"));  // kept while disabled

    Find<QRadioButton>("optParagraph")->click();
    for (const char* name : {"chkOrdinal", "labDivide", "txtDivide", "labTop(4)", "txtLink(4)", "labLink(4)"}) {
      QVERIFY2(!Find(name)->isEnabled(), name);
    }
  }

  void divisionLengthKeepsFourCharacters() {
    Open("A", "A");
    Find<QRadioButton>("optDivide")->click();
    auto* length = Find<QLineEdit>("txtDivide");
    QTest::keyClicks(length, "12345");
    QCOMPARE(length->text(), QStringLiteral("1234"));

    length->clear();
    QGuiApplication::clipboard()->setText("987654");
    if (QGuiApplication::clipboard()->text() != "987654") QSKIP("no clipboard on this platform");
    length->paste();
    QCOMPARE(length->text(), QStringLiteral("9876"));

    length->setText("ab");
    length->insert("cdef");  // any characters: only a run checks them
    QCOMPARE(length->text(), QStringLiteral("abcd"));
  }

  void opensOnTheProgramsDrive() {
    Open("B", "A/sub1");
    QCOMPARE(Find<QComboBox>("driTrim")->currentText(), Path("B"));
    QCOMPARE(ShownFolder(), Path("B"));  // the start folder lies on another drive
    QCOMPARE(Rows("filTrim"), QStringList{"y.txt"});

    Find<QComboBox>("driTrim")->setCurrentIndex(0);  // back to A: where the process started
    QCOMPARE(ShownFolder(), Path("A/sub1"));
    QCOMPARE(Rows("filTrim"), QStringList{"x.txt"});
  }

  void staysOnTheStartFolderOfTheProgramsDrive() {
    Open("A", "A/sub1");
    QCOMPARE(Find<QComboBox>("driTrim")->currentText(), Path("A") + " [Alpha]");
    QCOMPARE(ShownFolder(), Path("A/sub1"));
  }

  void folderListShowsThePathThenVisibleSubFolders() {
    Open("A", "A");
    QCOMPARE(Rows("dirTrim"), (QStringList{Path("A"), "sub1", "Sub2"}));
    QCOMPARE(Rows("filTrim"), (QStringList{"a.txt", "b.TXT"}));

    auto* folders = Find<FolderList>("dirTrim");
    folders->setCurrentItem(folders->topLevelItem(0)->child(0));
    QTest::keyClick(folders, Qt::Key_Return);
    QCOMPARE(ShownFolder(), Path("A/sub1"));
    QCOMPARE(Rows("dirTrim"), (QStringList{Path("A"), "sub1"}));
    QCOMPARE(Rows("filTrim"), QStringList{"x.txt"});

    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    QTreeWidgetItem* top = folders->topLevelItem(0);
    const QPoint onTop = folders->visualItemRect(top).center();
    // A double click is a click, then the second press that the system
    // reports as a double click.
    QTest::mouseClick(folders->viewport(), Qt::LeftButton, {}, onTop);
    QTest::mouseDClick(folders->viewport(), Qt::LeftButton, {}, onTop);
    QCOMPARE(ShownFolder(), Path("A"));
  }

  void eachDriveReturnsToItsLastFolder() {
    Open("A", "A");
    auto* folders = Find<FolderList>("dirTrim");
    emit folders->folderChosen(Path("A/Sub2"));
    Find<QComboBox>("driTrim")->setCurrentIndex(1);
    QCOMPARE(ShownFolder(), Path("B"));
    Find<QComboBox>("driTrim")->setCurrentIndex(0);
    QCOMPARE(ShownFolder(), Path("A/Sub2"));
    QVERIFY(Rows("filTrim").isEmpty());
  }

  void unreadableDriveIsPassedOverSilently() {
    Open("A", "A/sub1");
    MessageBoxAnswerer answerer;
    Find<QComboBox>("driTrim")->setCurrentIndex(2);
    QCOMPARE(Find<QComboBox>("driTrim")->currentIndex(), 0);
    QCOMPARE(ShownFolder(), Path("A/sub1"));
    QCOMPARE(Rows("filTrim"), QStringList{"x.txt"});
    QVERIFY(answerer.seen().empty());

    emit Find<FolderList>("dirTrim")->folderChosen(Path("A/vanished"));
    QCOMPARE(ShownFolder(), Path("A/sub1"));
  }

  void clickingTheFileListRefreshesIt() {
    Open("A", "A");
    window_->show();
    WriteBytes(Path("A/c.txt"), "new\r\n");
    QFile::remove(Path("A/a.txt"));
    QCOMPARE(Rows("filTrim"), (QStringList{"a.txt", "b.TXT"}));
    auto* files = Find<QListWidget>("filTrim");
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, files->visualItemRect(files->item(1)).center());
    QCOMPARE(Rows("filTrim"), (QStringList{"b.TXT", "c.txt"}));
    QCOMPARE(files->currentItem()->text(), QStringLiteral("b.TXT"));
  }
};

QTEST_MAIN(FrmMainBehaviourTest)
#include "frm_main_behaviour_test.moc"
