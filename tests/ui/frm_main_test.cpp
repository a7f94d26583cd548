// The window offscreen, a fresh folder per test, its message boxes answered as a user would, the files checked after.

#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QtTest>
#include <QtWidgets>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>

#include "drives.h"
#include "folder_list.h"
#include "frm_main.h"
#include "qt_translation.h"
#include "shown_text.h"
#include "volumes.h"

using namespace quelvane;
using testing::Shown;

namespace {

const char kStory[] = "今天的天气\r\n\r\n很好。\r\n";
const char kOther[] = "天气\r\n\r\n\r\n完";
// How MessageBoxAnswerer describes a notice and the question before a run, up to their texts.
const QString kNotice = "Quelvane Information 确定 default 确定, window enabled: ";
const QString kQuestion =
    "Quelvane Question 是(&Y)|否(&N) default 否(&N), window enabled: 当前文件夹内的所有文本文件将作如下整理:";
const QString kDivideControls = "labDivide txtDivide";
const QString kLinkControls = "chkOrdinal labTop(0) txtLink(0) labLink(0) labTop(1) txtLink(1) labLink(1) labTop(2) "
                              "txtLink(2) labLink(2) labTop(3) txtLink(3) labLink(3) labTop(4) txtLink(4) labLink(4)";

// By the path's own bytes, which need not be UTF-8; the files hold UTF-8 text.
void Write(const QByteArray& path, const QByteArray& bytes) {
  QVERIFY(std::ofstream(path.constData(), std::ios::binary) << bytes.toStdString() << std::flush);
}
Shown Read(const QByteArray& path) {
  std::ifstream file(path.constData(), std::ios::binary);
  return file ? QString::fromStdString({std::istreambuf_iterator<char>(file), {}}) : "<unreadable>";
}

// Root enters any folder; without these two capabilities (in this thread, the window's) it meets a folder's mode as
// anyone else does. Others lack them anyway.
class WithoutPermissionOverride {
 public:
  WithoutPermissionOverride() {
    syscall(SYS_capget, &header_, saved_);
    __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
    reduced[0].effective &= ~(1u << CAP_DAC_OVERRIDE | 1u << CAP_DAC_READ_SEARCH);
    syscall(SYS_capset, &header_, reduced);
  }
  ~WithoutPermissionOverride() { syscall(SYS_capset, &header_, saved_); }

 private:
  __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct saved_[2]{};
};

QString AccessibleName(QWidget* control) {
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
  return accessible ? accessible->text(QAccessible::Name) : QString();
}

// Whether a label the user reads shows all of its text: drawn, whole inside its box, as wide as it asks, and at least
// as tall as its text wrapped anywhere at its width.
bool ShowsAllItsText(QLabel* label) {
  const QWidget* box = label->window();
  QImage drawn = label->grab().toImage(), blank = drawn;
  blank.fill(drawn.pixelColor(0, 0));
  const QRect text = label->fontMetrics().boundingRect(label->contentsRect(), Qt::TextWrapAnywhere, label->text());
  return drawn != blank && box->rect().contains(QRect(label->mapTo(box, QPoint()), label->size())) &&
         label->minimumSizeHint().width() <= label->width() && text.height() <= label->contentsRect().height();
}

// Answers message boxes from a script of standard buttons ("Yes Ok"), beyond it with the escape button, and describes
// each box and the window behind it: "Quelvane Question 是(&Y)|否(&N) default 否(&N), window enabled: <text>", its
// informative text on a line of its own, and ", text cut" when a label does not show all of its text.
class MessageBoxAnswerer : public QObject {
 public:
  explicit MessageBoxAnswerer(const QString& answers = {}) : answers_(answers.split(' ', Qt::SkipEmptyParts)) {
    qApp->installEventFilter(this);
  }
  ~MessageBoxAnswerer() override { qApp->removeEventFilter(this); }

  QStringList seen;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* box = qobject_cast<QMessageBox*>(watched);
    if (!box || event->type() != QEvent::Show) return false;
    QStringList buttons;
    for (QAbstractButton* button : box->findChild<QDialogButtonBox*>()->buttons()) buttons << button->text();
    const QCursor* cursor = QApplication::overrideCursor();
    seen << QStringLiteral("%1 %2 %3 default %4, window %5%6%7: %8")
                .arg(box->windowTitle(), QMetaEnum::fromType<QMessageBox::Icon>().valueToKey(box->icon()),
                     buttons.join('|'), box->defaultButton() ? box->defaultButton()->text() : "none",
                     box->parentWidget() && !box->parentWidget()->isEnabled() ? "disabled" : "enabled",
                     cursor && cursor->shape() == Qt::WaitCursor ? ", wait cursor" : "",
                     box->isEnabled() ? "" : ", box disabled", box->text());
    if (!box->informativeText().isEmpty()) seen.last() += '\n' + box->informativeText();
    const QMetaEnum key = QMetaEnum::fromType<QMessageBox::StandardButtons>();
    QAbstractButton* answer = answers_.isEmpty() ? box->escapeButton()
                                                 : box->button(QMessageBox::StandardButton(
                                                       key.keyToValue(qPrintable(answers_.takeFirst()))));
    // Clicked once the box's own event loop runs, laid out; closed if it cannot take the click.
    QMetaObject::invokeMethod(box, [this, seenAs = seen.size() - 1, box, answer] {
      for (QLabel* label : box->findChildren<QLabel*>())
        if (label->isVisible() && !label->text().isEmpty() && !ShowsAllItsText(label)) seen[seenAs] += ", text cut";
      if (answer && answer->isEnabled() && box->isEnabled()) answer->click();
      else box->done(answer ? box->standardButton(answer) : QMessageBox::NoButton);
    }, Qt::QueuedConnection);
    return false;
  }

 private:
  QStringList answers_;
};

}  // namespace

class FrmMainTest : public QObject {
  Q_OBJECT

 private:
  template <typename Control = QWidget>
  Control* Find(const QString& name) const { return window_->findChild<Control*>(name); }
  QString Path(const QString& relative) const { return root_->filePath(relative); }
  QByteArray Raw(const QByteArray& relative) const { return QFile::encodeName(root_->path()) + '/' + relative; }
  // The program lies in `programFolder`; the process started in `startFolder`.
  void Open(const QString& programFolder = "A", const QString& startFolder = "A") {
    window_ = std::make_unique<FrmMain>(*volumes_, Path(programFolder), Path(startFolder));
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
  }
  // The lists as a user reads them: the folder rows in view (none hidden under a folded row), the highlighted one in
  // brackets, then the files listed, paths from the test's folder on: "A [sub1] | x.txt".
  Shown Lists() const {
    QStringList rows;
    auto* folders = Find<FolderList>("dirTrim");
    for (QTreeWidgetItemIterator it(folders); *it; ++it)
      if (folders->visualItemRect(*it).isValid())
        rows << (*it == folders->currentItem() ? "[" + (*it)->text(0) + "]" : (*it)->text(0));
    rows << "|";
    auto* files = Find<QListWidget>("filTrim");
    for (int i = 0; i < files->count(); ++i) rows << files->item(i)->text();
    return rows.join(' ').remove(root_->path() + '/');
  }
  QString Progress() const { return Find<QLabel>("lblCourse")->text(); }
  QString Focused() const { return window_->focusWidget() ? window_->focusWidget()->objectName() : "nothing"; }
  // Those of the modes' controls that are enabled.
  QString ModeControls() const {
    QStringList names = (kDivideControls + ' ' + kLinkControls).split(' ');
    names.removeIf([this](const QString& name) { return !Find(name)->isEnabled(); });
    return names.join(' ');
  }
  Shown Tidy(const QString& answers) {
    MessageBoxAnswerer answerer(answers);
    Find<QPushButton>("cmdTrim")->click();
    return answerer.seen;
  }

  std::unique_ptr<QTemporaryDir> root_;
  std::unique_ptr<MountedVolumes> volumes_;
  std::unique_ptr<FrmMain> window_;

 private slots:
  // The boxes' standard buttons read in Chinese only with Qt's translation.
  void initTestCase() { QVERIFY(LoadQtTranslation(*qApp)); }

  // Drives: the root (offered with no line of its own, as in a chroot), A, B and Gone (pulled out later); not a file
  // bound from a device, as containers bind /etc/hosts. A is labelled "U 盘" as udev does: a relative link, \xhh.
  void init() {
    root_ = std::make_unique<QTemporaryDir>();
    for (const char* folder : {"A/sub1", "A/Sub2", "A/.hidden", "B", "Gone", "by-label"})
      QVERIFY(QDir(root_->path()).mkpath(folder));
    for (const char* file : {"A/a.txt", "A/notes.md", "A/sub1/x.txt", "B/y.txt"}) Write(Raw(file), kStory);
    Write(Raw("A/b.TXT"), kOther);
    Write(Raw("mountinfo"), "50 1 8:33 / " + Raw("A") + " rw - vfat /dev/null rw\n"
                            "53 1 8:36 / " + Raw("A/a.txt") + " rw - ext4 /dev/zero rw\n"
                            "51 1 8:34 / " + Raw("B") + " rw - ext4 /dev/zero rw\n"
                            "52 1 8:35 / " + Raw("Gone") + " rw - vfat /dev/full rw\n");
    QVERIFY(QFile::link("/dev/null", Path("device")) && QFile::link("../device", Path("by-label/U\\x20盘")));
    volumes_ = std::make_unique<MountedVolumes>(Path("mountinfo"), Path("by-label"));
  }
  void cleanup() {
    window_.reset();
    std::filesystem::remove_all(QFile::encodeName(root_->path()).constData());  // names QDir cannot remove
  }

  void startStates() {
    Open();
    QCOMPARE(window_->windowTitle(), QStringLiteral("Quelvane"));
    QStringList checked, typed;
    for (QAbstractButton* button : window_->findChildren<QAbstractButton*>())
      if (button->isChecked()) checked << button->objectName();
    QCOMPARE(checked.join(' '), "optParagraph optBlank");
    for (const QLineEdit* box : window_->findChildren<QLineEdit*>())
      if (!box->text().isEmpty()) typed << box->objectName();
    QCOMPARE(typed.join(' '), QString());
    QCOMPARE(ModeControls(), QString());
    QVERIFY(Find<FolderList>("dirTrim")->isHeaderHidden());
    // The help beside the options, from what the program does on, read-only.
    QVERIFY(Find<QPlainTextEdit>("txtHelp")->isReadOnly());
    QCOMPARE(Find<QPlainTextEdit>("txtHelp")->toPlainText().section('\n', 0, 0), "一、功能：");
    QVERIFY(window_->close());  // nothing holds it open before a run
  }

  // Under a dark palette, where these colours differ from the boxes' usual base: the boxes of 首尾处理 and 文字替换
  // on the highlighted-text colour, those of the modes that wait disabled on the button face.
  void boxBackgroundsUnderADarkPalette() {
    const QPalette light = QApplication::palette();
    QPalette dark = light;
    dark.setColor(QPalette::Base, QColor(0x2a, 0x2a, 0x2a));
    dark.setColor(QPalette::Button, QColor(0x35, 0x35, 0x35));
    QApplication::setPalette(dark);
    Open();
    QStringList highlighted, buttonFace;
    for (const QLineEdit* box : window_->findChildren<QLineEdit*>()) {
      const QColor base = box->palette().color(QPalette::Active, QPalette::Base);
      if (base == dark.color(QPalette::Active, QPalette::HighlightedText)) highlighted << box->objectName();
      if (base == dark.color(QPalette::Active, QPalette::Button)) buttonFace << box->objectName();
    }
    QApplication::setPalette(light);
    QCOMPARE(highlighted.join(' '), "txtBegin(0) txtEnd(0) txtBegin(1) txtEnd(1) txtReplaceS txtReplaceT");
    QCOMPARE(buttonFace.join(' '), "txtLink(0) txtLink(1) txtLink(2) txtLink(3) txtLink(4) txtDivide");
  }

  // At scale 1 and, as frm_main_test_2x, at 2, every control lies whole inside its container, apart
  // from the others (rows a twip-row apart may share a border line), and every caption fits its control.
  void controlsWholeAndApartAtTheScreensScale() {
    Open();
    QStringList problems;
    QList<QWidget*> containers{window_.get()};
    for (QGroupBox* frame : window_->findChildren<QGroupBox*>()) containers.push_back(frame);
    for (QWidget* container : containers) {
      QList<QWidget*> controls = container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
      controls.removeIf([](const QWidget* control) { return control->objectName().isEmpty(); });  // Qt's own
      for (qsizetype i = 0; i < controls.size(); ++i) {
        if (!container->rect().contains(controls[i]->geometry())) problems << "outside: " + controls[i]->objectName();
        for (qsizetype j = i + 1; j < controls.size(); ++j) {
          const QRect shared = controls[i]->geometry() & controls[j]->geometry();
          if (std::min(shared.width(), shared.height()) > 1)
            problems << "overlapping: " + controls[i]->objectName() + " / " + controls[j]->objectName();
        }
      }
    }
    auto fits = [&problems](const QWidget* control, const QString& caption, int width) {
      if (control->fontMetrics().horizontalAdvance(QString(caption).remove('&')) > width) problems << "cut: " + caption;
    };
    for (QAbstractButton* button : window_->findChildren<QAbstractButton*>()) {
      QStyleOptionButton option;
      option.initFrom(button);
      const QStyle::SubElement textArea = qobject_cast<QRadioButton*>(button) ? QStyle::SE_RadioButtonContents
                                          : qobject_cast<QCheckBox*>(button)  ? QStyle::SE_CheckBoxContents
                                                                              : QStyle::SE_PushButtonContents;
      fits(button, button->text(), button->style()->subElementRect(textArea, &option, button).width());
    }
    for (QLabel* label : window_->findChildren<QLabel*>()) fits(label, label->text(), label->contentsRect().width());
    QCOMPARE(Shown(problems), Shown());
    const qreal scale = qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble();
    QCOMPARE(window_->grab().size(), QSize(811, 535) * scale);
  }

  void mnemonicsPressTheButtons() {
    Open();
    window_->activateWindow();
    if (!QTest::qWaitForWindowActive(window_.get())) QSKIP("this platform does not activate windows");
    QSignalSpy trim(Find<QPushButton>("cmdTrim"), &QPushButton::clicked);
    QSignalSpy exit(Find<QPushButton>("cmdExit"), &QPushButton::clicked);
    MessageBoxAnswerer answerer("Ok");  // nothing to do; a mnemonic presses visibly, the click comes later
    QTest::keyClick(window_->windowHandle(), Qt::Key_T, Qt::AltModifier);
    QVERIFY(trim.count() == 1 || trim.wait());
    window_->activateWindow();  // back from the message box
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    QTest::keyClick(window_->windowHandle(), Qt::Key_X, Qt::AltModifier);
    QVERIFY(exit.count() == 1 || exit.wait());
    QVERIFY(!window_->isVisible());
  }

  // Tab goes round in reading order from the run button, an option group's stop at its chosen button (so that Space
  // there changes nothing), whether chosen at the start or since, each stop with a name of its own for screen
  // readers. Every control of ours has a name for screen readers, with no '&'. A label's buddy is a box of its own
  // frame: one on its row if it has one.
  void keyboardAndScreenReaders() {
    Open();
    Find<QRadioButton>("optLink")->click();
    for (QWidget* control : window_->findChildren<QWidget*>()) control->setEnabled(true);  // every mode at once
    QStringList stops{Focused()}, spoken{AccessibleName(window_->focusWidget())};
    while (stops.size() < 100) {
      QTest::keyClick(window_->focusWidget(), Qt::Key_Tab);
      if (Focused() == stops[0]) break;
      stops << Focused();
      spoken << AccessibleName(window_->focusWidget());
    }
    QCOMPARE(stops.join(' '), "cmdTrim cmdExit driTrim dirTrim filTrim txtAllS(0) txtAllT(0) txtAllS(1) txtAllT(1) "
                              "txtAllS(2) txtAllT(2) txtAllS(3) txtAllT(3) txtLeftS(0) txtLeftT(0) txtLeftS(1) "
                              "txtLeftT(1) txtLeftS(2) txtLeftT(2) txtLeftS(3) txtLeftT(3) txtRightS(0) txtRightT(0) "
                              "txtRightS(1) txtRightT(1) txtRightS(2) txtRightT(2) txtRightS(3) txtRightT(3) "
                              "optLink txtLink(0) txtLink(1) txtLink(2) txtLink(3) txtLink(4) chkOrdinal txtDivide "
                              "txtBegin(0) txtEnd(0) txtBegin(1) txtEnd(1) optBlank txtReplaceS txtReplaceT txtHelp");
    QStringList distinct = spoken;
    distinct.removeDuplicates();
    QCOMPARE(Shown(spoken), Shown(distinct));
    QCOMPARE(Shown(spoken.first(2)), Shown({"整理", "退出"}));  // the run and exit buttons, not their captions
    QStringList unnamed;
    for (QWidget* control : window_->findChildren<QWidget*>()) {
      const QString name = control->objectName();  // none, or "qt_": Qt's own parts of a control
      const QString spokenName = AccessibleName(control);
      if (!name.isEmpty() && !name.startsWith("qt_") && (spokenName.isEmpty() || spokenName.contains('&')))
        unnamed << name;
    }
    QCOMPARE(unnamed.join(' '), QString());
    QStringList astray;
    for (QLabel* label : window_->findChildren<QLabel*>()) {
      if (label->text().isEmpty()) continue;  // lblCourse, the progress row
      const QRect row(0, label->y(), label->parentWidget()->width(), label->height());
      auto onRow = [&row](const QWidget* box) { return box->geometry().intersects(row); };
      const QList<QLineEdit*> boxes = label->parentWidget()->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly);
      auto* buddy = qobject_cast<QLineEdit*>(label->buddy());
      if (!boxes.contains(buddy) || (!onRow(buddy) && std::any_of(boxes.begin(), boxes.end(), onRow)))
        astray << label->objectName();
    }
    QCOMPARE(astray.join(' '), QString());
  }

  // Each mode enables its own controls; a division length keeps four characters.
  void paragraphModes() {
    Open();
    auto* ordinal = Find<QCheckBox>("chkOrdinal");
    Find<QRadioButton>("optLink")->click();
    QCOMPARE(ModeControls(), kLinkControls);
    Find<QLineEdit>("txtLink(2)")->setText("第?回");
    ordinal->click();
    Find<QRadioButton>("optLink")->click();  // chosen again
    QVERIFY(ordinal->isChecked());
    Find<QRadioButton>("optDivide")->click();
    QCOMPARE(ModeControls(), kDivideControls);
    QVERIFY(!ordinal->isChecked());
    auto* length = Find<QLineEdit>("txtDivide");
    QTest::keyClicks(length, "12345");
    QCOMPARE(length->text(), QStringLiteral("1234"));
    Find<QRadioButton>("optLink")->click();
    QVERIFY(!ordinal->isChecked());
    QCOMPARE(Find<QLineEdit>("txtLink(2)")->text(), QStringLiteral("第?回"));  // kept while disabled
    Find<QRadioButton>("optParagraph")->click();
    QCOMPARE(ModeControls(), QString());
  }

  // One walk through the lists: each step names what it proves.
  void listsFollowOneAnother() {
    Open("A", "A/sub1");  // the process started on the program's drive
    QCOMPARE(Find<QComboBox>("driTrim")->currentText(), Path("A") + " [U 盘]");
    QCOMPARE(Lists(), "A [sub1] | x.txt");

    Open("B", "A/sub1");
    auto* drives = Find<QComboBox>("driTrim");
    auto* folders = Find<FolderList>("dirTrim");
    QCOMPARE(drives->count(), 4);
    QCOMPARE(drives->currentText(), Path("B"));  // the program's drive, at its root
    QCOMPARE(Lists(), "[B] | y.txt");

    drives->setCurrentIndex(1);  // A, where the process started
    QCOMPARE(Lists(), "A [sub1] | x.txt");

    // A double click on the root row is a click, then a second press.
    const QPoint onRoot = folders->visualItemRect(folders->topLevelItem(0)).center();
    QTest::mouseClick(folders->viewport(), Qt::LeftButton, {}, onRoot);
    QTest::mouseDClick(folders->viewport(), Qt::LeftButton, {}, onRoot);
    QCOMPARE(Lists(), "[A] sub1 Sub2 | a.txt b.TXT");  // hidden ones left out

    // Clicking the file list lists the folder again, keeping the chosen file.
    Write(Raw("A/c.txt"), kStory);
    QFile::remove(Path("A/a.txt"));
    auto* files = Find<QListWidget>("filTrim");
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, files->visualItemRect(files->item(1)).center());
    QCOMPARE(Lists(), "[A] sub1 Sub2 | b.TXT c.txt");
    QCOMPARE(files->currentItem()->text(), QStringLiteral("b.TXT"));

    emit folders->folderChosen(QFile::encodeName(Path("A/Sub2")));
    drives->setCurrentIndex(2);
    QCOMPARE(Lists(), "[B] | y.txt");
    drives->setCurrentIndex(1);  // back where A was left
    QCOMPARE(Lists(), "A [Sub2] |");

    // Folders that cannot be read are passed over silently.
    MessageBoxAnswerer answerer;
    QVERIFY(QDir(Path("Gone")).removeRecursively());
    drives->setCurrentIndex(3);
    QCOMPARE(drives->currentIndex(), 1);
    QCOMPARE(Lists(), "A [Sub2] |");
    QCOMPARE(Shown(answerer.seen), Shown());
  }

  // The arrow keys of the closed drive list pass a drive that cannot be shown (B, removed) and show the next one.
  void arrowKeysPassUnreadableDrives_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("lands");
    QTest::newRow("Down")               << 1 << int(Qt::Key_Down)     << "Gone";
    QTest::newRow("PageDown")           << 1 << int(Qt::Key_PageDown) << "Gone";
    QTest::newRow("Up")                 << 3 << int(Qt::Key_Up)       << "A";
    QTest::newRow("Down from the last") << 3 << int(Qt::Key_Down)     << "Gone";
  }
  void arrowKeysPassUnreadableDrives() {
    QFETCH(int, from);
    QFETCH(int, key);
    QFETCH(QString, lands);
    Open();
    QVERIFY(QDir(Path("B")).removeRecursively());
    auto* drives = Find<QComboBox>("driTrim");
    drives->setCurrentIndex(from);
    MessageBoxAnswerer answerer;
    QTest::keyClick(drives, Qt::Key(key));
    QCOMPARE(drives->currentText().section(' ', 0, 0), Path(lands));
    QCOMPARE(Lists().items[0].section(' ', 0, 0), "[" + lands + "]");
    QCOMPARE(Shown(answerer.seen), Shown());
  }

  // Clicks and 整理 on the lists, after one of A's folders has become one that cannot be shown: locked, removed, or
  // a file in its place. Entering a folder that cannot be shown, by a click or double click on its row, leaves the
  // lists on the listed folder ("." for A itself), without a word, and a removed one is no longer offered. The
  // listed folder itself gone or locked, 整理 says so and changes nothing; it, or a click in either list, moves the
  // lists to the nearest folder above that can be shown. A click needs no word: the lists show where they went, and
  // the user asked for nothing that failed. A double click comes as the window system gives it, press, release and a
  // second press, which lands on the row then in its place.
  void movingThroughTheFolders_data() {
    QTest::addColumn<QString>("listed");
    QTest::addColumn<QString>("change");  // a folder "removed", "locked" or replaced by "a file"
    QTest::addColumn<QString>("action");  // 整理, a click on the files, or a click or double click on the folder's row
    QTest::addColumn<QString>("lists");
    QTest::newRow("a row gone")   << "."         << "Sub2 removed" << "double-click" << "[A] sub1 | a.txt b.TXT";
    QTest::newRow("整理")         << "sub1"      << "sub1 removed" << "整理"         << "[A] Sub2 | a.txt b.TXT";
    QTest::newRow("整理, a file") << "sub1"      << "sub1 a file"  << "整理"         << "[A] Sub2 | a.txt b.TXT";
    QTest::newRow("整理, parent") << "sub1/deep" << "sub1 removed" << "整理"         << "[A] Sub2 | a.txt b.TXT";
    QTest::newRow("整理, locked") << "sub1"      << "sub1 locked"  << "整理"         << "[A] sub1 Sub2 | a.txt b.TXT";
    QTest::newRow("on a file")    << "sub1"      << "sub1 removed" << "click files"  << "[A] Sub2 | a.txt b.TXT";
    QTest::newRow("empty list")   << "Sub2"      << "Sub2 removed" << "click files"  << "[A] sub1 | a.txt b.TXT";
    QTest::newRow("on its row")   << "sub1"      << "sub1 removed" << "click"        << "[A] Sub2 | a.txt b.TXT";
    QTest::newRow("double-click") << "sub1"      << "sub1 removed" << "double-click" << "A [Sub2] | a.txt b.TXT";
  }
  void movingThroughTheFolders() {
    QFETCH(QString, listed);
    QFETCH(QString, change);
    QFETCH(QString, action);
    QFETCH(QString, lists);
    QVERIFY(QDir(root_->path()).mkpath("A/sub1/deep"));
    Open("A", "A/" + listed);
    Find<QRadioButton>("optDelete")->click();  // something to do, were a run to start
    auto* folders = Find<FolderList>("dirTrim");
    auto* files = Find<QListWidget>("filTrim");
    const auto rows = folders->findItems(change.section(' ', 0, 0), Qt::MatchExactly | Qt::MatchRecursive);
    const QPoint onRow = rows.isEmpty() ? QPoint() : folders->visualItemRect(rows[0]).center();
    const QPoint onFiles = files->count() ? files->visualItemRect(files->item(0)).center() : files->rect().center();
    const QString changed = Path("A/" + change.section(' ', 0, 0));
    std::optional<WithoutPermissionOverride> asAnyone;
    if (change.endsWith("locked")) {
      QVERIFY(chmod(QFile::encodeName(changed).constData(), 0) == 0);
      asAnyone.emplace();
    } else {
      QVERIFY(QDir(changed).removeRecursively());
      if (change.endsWith("a file")) Write(QFile::encodeName(changed), kStory);
    }
    MessageBoxAnswerer answerer("Ok");
    if (action == "整理") Find<QPushButton>("cmdTrim")->click();
    else if (action == "click files") QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, onFiles);
    else if (action == "click") QTest::mouseClick(folders->viewport(), Qt::LeftButton, {}, onRow);
    else
      QTest::mouseDClick(window_->windowHandle(), Qt::LeftButton, {}, folders->viewport()->mapTo(window_.get(), onRow));
    const QString notice = change.endsWith("locked") ? "无法打开文件夹“%1”：权限不足。" : "文件夹“%1”已不存在。";
    QCOMPARE(Shown(answerer.seen), action == "整理" ? Shown(kNotice + notice.arg(Path("A/" + listed))) : Shown());
    QCOMPARE(Lists(), Shown(lists));
  }

  // 255-byte names: elided in the middle in the file list, so that two of them still look different, whole in the
  // tooltip and for screen readers, and wrapped in the box that ends a run, every reason in view.
  void longNames() {
    const QByteArray stem(250, 'a');
    for (const char* end : {"1.txt", "2.txt"}) Write(Raw("A/" + stem + end), kStory);
    QVERIFY(chmod(Raw("A/" + stem + "1.txt").constData(), 0444) == 0);
    Open();
    auto* files = Find<QListWidget>("filTrim");
    const QStringList names{"a.txt", stem + "1.txt", stem + "2.txt", "b.TXT"};
    QCOMPARE(Lists(), Shown("[A] sub1 Sub2 | " + names.join(' ')));
    files->setCurrentRow(-1);
    QStringList outOfView, spoken;
    QList<QImage> drawn;
    for (int row = 0; row < files->count(); ++row) {
      const QRect area = files->visualItemRect(files->item(row));
      if (!files->viewport()->rect().contains(area)) outOfView << names[row];
      drawn << files->viewport()->grab(area).toImage();
      spoken << QAccessible::queryAccessibleInterface(files)->child(row)->text(QAccessible::Name);
    }
    QCOMPARE(Shown(outOfView), Shown());
    QCOMPARE(Shown(spoken), Shown(names));
    QVERIFY(drawn[1] != drawn[2]);
    // The tooltip as read, its lines joined, after whether it is narrower than the screen, which Qt then places it on,
    // and wider than a column of a few letters.
    auto tooltip = [files](int row) {
      const QPoint at = files->visualItemRect(files->item(row)).center();
      QHelpEvent hover(QEvent::ToolTip, at, files->viewport()->mapToGlobal(at));
      QApplication::sendEvent(files->viewport(), &hover);
      const QWidget* tip = nullptr;
      for (const QWidget* shown : QApplication::topLevelWidgets())
        if (shown->inherits("QTipLabel") && shown->isVisible()) tip = shown;
      if (!tip) return QString();
      const QString shape = tip->width() > files->screen()->availableGeometry().width() ? "wider than the screen: "
                            : tip->width() < 100                                          ? "a narrow column: "
                                                                                          : "";
      return shape + QToolTip::text().remove('\n');
    };
    QCOMPARE(tooltip(0), QString());  // a.txt fits
    QCOMPARE(tooltip(2), stem + "2.txt");

    Find<QRadioButton>("optDelete")->click();
    const QString leftAlone = kNotice + "整理完成，但有 1 个文件未能整理，保持原样：\n" + stem + "1.txt：文件只读";
    QCOMPARE(Shown(Tidy("Yes Ok").items.mid(1)), Shown(leftAlone));
  }

  // Names in code page 936 bytes, as a Chinese archive unpacked on Linux leaves them, beside UTF-8 names and names
  // that are neither, their stray bytes escaped in either list: listed and sorted by what they show, entered, named so
  // in the question, each file tidied as named.
  void namesInGbkBytes() {
    const QByteArray volume = "A/\xB5\xDA\xD2\xBB\xBE\xED";  // 第一卷
    const QByteArray deep = volume + "/\xB6\xFE/\xC8\xFD";   // 第一卷/二/三
    const QByteArray stray = "A/\xBE\xED\xFF";             // 卷, then a byte that is no character
    // 甲, 乙 and 丙 below; QDir cannot make folders with such names.
    for (const QByteArray& folder :
         {volume, volume + "/\xB6\xFE", deep, deep + "/\xBC\xD7", deep + "/\xD2\xD2", deep + "/\xB1\xFB", stray})
      QVERIFY(mkdir(Raw(folder).constData(), 0755) == 0);
    const QList<QByteArray> names{"\xB5\xDA\xD2\xBB\xD5\xC2.txt", "\x81.txt", "第二章.txt", "一.txt"};
    for (const QByteArray& name : names) Write(Raw(volume + '/' + name), kStory);

    Open();
    auto* folders = Find<FolderList>("dirTrim");
    QCOMPARE(Lists(), "[A] sub1 Sub2 卷\\xff 第一卷 | a.txt b.TXT");
    QCOMPARE(folders->visualItemRect(folders->topLevelItem(0)).left(), 0);  // no arrow before the top row
    QTest::keySequence(folders, QKeySequence("End, Return"));
    QCOMPARE(Lists(), "A [第一卷] 二 | \\x81.txt 一.txt 第一章.txt 第二章.txt");

    Find<QRadioButton>("optDelete")->click();
    QCOMPARE(Tidy("Yes"),
             Shown(kQuestion + "\n\n1.删除空行!\n\n是否继续?\n文件夹：" + Path("A/第一卷") + "（4 个文件）"));
    for (const QByteArray& name : names)
      QCOMPARE(Read(Raw(volume + '/' + name)), Shown("今天的天气\r\n很好。\r\n"));

    // Deep down, the current folder and its first sub-folders are in view, not only the path above it;
    // neither a key nor a row's arrow folds them away.
    emit folders->folderChosen(Raw(deep));
    const QTreeWidgetItem* current = folders->currentItem();
    QStringList outOfView;
    for (const QTreeWidgetItem* row : QList<const QTreeWidgetItem*>{current, current->child(0), current->child(1)})
      if (!folders->viewport()->rect().contains(folders->visualItemRect(row))) outOfView << row->text(0);
    QCOMPARE(Shown(outOfView), Shown());
    const QRect row = folders->visualItemRect(current);
    QTest::mouseClick(folders->viewport(), Qt::LeftButton, {}, {row.left() - 5, row.center().y()});
    QTest::keySequence(folders, QKeySequence("Left, -"));
    QCOMPARE(Lists(), "A 第一卷 [二] 三 丙 乙 甲 |");  // Left goes up a row
  }

  // Each row sets `options` (a button to click, a box's "name=text", a folder to choose or a file to make read-only)
  // and presses 整理 with `answers`: the question's answer first, unless a notice refuses the run, then Ok to `notice`
  // if any. The files are tidied if the run goes ahead, but one made read-only; then come the progress row, and the
  // focus where it was before the boxes, or on the run button after a run.
  void runsThroughTheWindow_data() {
    QTest::addColumn<QString>("options");
    QTest::addColumn<QString>("answers");
    QTest::addColumn<QString>("notice");
    const QString replace = "optDelete txtReplaceS=天气 txtReplaceT=天色";
    const QString overflow = "溢出：“1e99”超出了 -32768 至 32767 的整数范围。";
    const QString leftAlone = "整理完成，但有 1 个文件未能整理，保持原样：\nb.TXT：文件只读";
    QTest::newRow("nothing to do")  << ""                            << "Ok"     << "没有设置整理方式及内容！";
    QTest::newRow("out of range")   << "optDivide txtDivide=1e99"    << "Ok"     << overflow;
    QTest::newRow("no files")       << "optDelete dirTrim=A/Sub2"    << "Ok"     << "当前文件夹内没有文本文件！";
    QTest::newRow("No")             << replace                       << "No"     << "";
    QTest::newRow("Yes")            << replace                       << "Yes"    << "";
    QTest::newRow("one left alone") << replace + " readOnly=A/b.TXT" << "Yes Ok" << leftAlone;
  }
  void runsThroughTheWindow() {
    QFETCH(QString, options);
    QFETCH(QString, answers);
    QFETCH(QString, notice);
    Open();
    for (const QString& option : options.split(' ', Qt::SkipEmptyParts)) {
      const QString name = option.section('=', 0, 0), text = option.section('=', 1);
      if (auto* box = Find<QLineEdit>(name)) box->setText(text);
      else if (auto* folders = Find<FolderList>(name)) emit folders->folderChosen(QFile::encodeName(Path(text)));
      else if (name == "readOnly") QVERIFY(chmod(QFile::encodeName(Path(text)).constData(), 0444) == 0);
      else Find<QAbstractButton>(name)->click();
    }
    Find("txtReplaceT")->setFocus();
    QStringList boxes;
    if (answers != "Ok")
      boxes << kQuestion + "\n\n1.删除空行!\n2.\"天气\"字符替换为\"天色\"!\n\n是否继续?\n文件夹：" + Path("A") +
                   "（2 个文件）";
    if (!notice.isEmpty()) boxes << kNotice + notice;
    QCOMPARE(Tidy(answers), Shown(boxes));
    const int squares = answers.startsWith("Yes") ? 66 : 0;
    QCOMPARE(Read(Raw("A/a.txt")), Shown(squares ? "今天的天色\r\n很好。\r\n" : kStory));
    QCOMPARE(Read(Raw("A/b.TXT")), Shown(squares && !options.contains("readOnly") ? "天色\r\n完\r\n" : kOther));
    QCOMPARE(Progress(), QString(squares, QChar(0x25A0)));
    QCOMPARE(Find<QLabel>("lblCourse")->accessibleDescription(), squares ? QStringLiteral("66 / 66") : QString());
    QVERIFY(Find<QLabel>("lblCourse")->fontMetrics().horizontalAdvance(Progress()) <=
            Find<QLabel>("lblCourse")->width());
    QVERIFY(window_->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(Focused(), squares ? "cmdTrim" : "txtReplaceT");
    // The squares are watched while the window is disabled: drawn as when it is not.
    const QImage enabled = Find("lblCourse")->grab().toImage();
    window_->setEnabled(false);
    QCOMPARE(Find("lblCourse")->grab().toImage(), enabled);
  }

  // The drive list offers the root, devices and network shares, each mount point once; not pseudo
  // file systems, program images or unreadable lines. A folder lies on the longest mount point above it.
  void drivesAndTheFoldersOnThem() {
    const std::vector<QString> points = UserMountPoints(
        "27 1 0:50 / / rw,relatime - overlay overlay rw,lowerdir=/a\n24 27 0:6 / /dev rw - devtmpfs udev rw\n"
        "40 27 8:17 / /data rw - ext4 /dev/sdb1 rw\n41 27 8:17 / /home rw shared:1 master:2 - ext4 /dev/sdb1 rw\n"
        "42 27 8:33 / /media/u/USB\\040Stick rw - vfat /dev/sdc1 rw\n43 27 0:60 / /mnt/nas rw - cifs //nas/share rw\n"
        "45 27 8:18 / /data rw - ext4 /dev/sdb2 rw\n"  // hides the first /data
        "50 27 7:0 / /snap/core/1 ro - squashfs /dev/loop0 ro\ngarbage\n\n");
    QCOMPARE(QStringList(points.begin(), points.end()),
             (QStringList{"/", "/home", "/media/u/USB Stick", "/mnt/nas", "/data"}));
    const Drives drives({{"/", {}}, {"/home", {}}, {"/home/u/usb", {}}}, "/home/u");
    QCOMPARE((QList<int>{drives.DriveOf("/home/u/usb/books"), drives.DriveOf("/home/u"), drives.DriveOf("/home"),
                         drives.DriveOf("/homework")}),
             (QList<int>{2, 1, 1, 0}));
  }
};

QTEST_MAIN(FrmMainTest)
#include "frm_main_test.moc"
