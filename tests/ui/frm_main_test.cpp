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
#include "help_text.h"
#include "qt_translation.h"
#include "run_messages.h"
#include "text/display_name.h"
#include "volumes.h"

using namespace quelvane;

namespace {

const QByteArray kStory = "今天的天气\r\n\r\n很好。\r\n";
const QByteArray kOther = "天气\r\n\r\n\r\n完";

// By the path's own bytes, which need not be UTF-8.
void Write(const QByteArray& path, const QByteArray& bytes) {
  QVERIFY(std::ofstream(path.constData(), std::ios::binary) << bytes.toStdString() << std::flush);
}
QByteArray Read(const QByteArray& path) {
  std::ifstream file(path.constData(), std::ios::binary);
  return file ? QByteArray::fromStdString({std::istreambuf_iterator<char>(file), {}}) : "<unreadable>";
}
QList<QByteArray> EntryNames(const QByteArray& folder) {
  QList<QByteArray> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder.constData()))
    names << QByteArray::fromStdString(entry.path().filename().native());
  std::sort(names.begin(), names.end());
  return names;
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

// Whether a label the user reads shows all of its text: whole inside its box, and as wide and as tall as the text asks.
bool ShowsAllItsText(const QLabel* label) {
  const QWidget* box = label->window();
  return box->rect().contains(QRect(label->mapTo(box, QPoint()), label->size())) &&
         label->minimumSizeHint().width() <= label->width() &&
         (!label->hasHeightForWidth() || label->heightForWidth(label->width()) <= label->height());
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
      for (const QLabel* label : box->findChildren<QLabel*>())
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
  // The rows a user sees: none hidden under a folded folder row.
  QStringList Rows(const char* list) const {
    QStringList rows;
    if (auto* files = Find<QListWidget>(list))
      for (int i = 0; i < files->count(); ++i) rows << files->item(i)->text();
    else
      for (QTreeWidgetItemIterator it(Find<FolderList>(list)); *it; ++it)
        if ((*it)->treeWidget()->visualItemRect(*it).isValid()) rows << (*it)->text(0);
    return rows;
  }
  // The folder shown, then the files listed.
  QStringList Shown() const {
    return QStringList{QString::fromStdU16String(DisplayName(Find<FolderList>("dirTrim")->folder().toStdString()))} +
           Rows("filTrim");
  }
  // As the window system gives it: press, release, and a second press that Qt turns into a double click.
  void DoubleClick(QWidget* control, QPoint at) const {
    QTest::mouseDClick(window_->windowHandle(), Qt::LeftButton, {}, control->mapTo(window_.get(), at));
  }
  QString Progress() const { return Find<QLabel>("lblCourse")->text(); }
  // The controls of the dividing mode, then of the linking mode: all, or those enabled.
  QStringList ModeControls(bool enabledOnly = true) const {
    QStringList names{"labDivide", "txtDivide", "chkOrdinal"};
    for (int i = 0; i < 5; ++i)
      for (const char* kind : {"labTop", "txtLink", "labLink"}) names << QStringLiteral("%1(%2)").arg(kind).arg(i);
    if (enabledOnly) names.removeIf([this](const QString& name) { return !Find(name)->isEnabled(); });
    return names;
  }
  QStringList Tidy(const QString& answers) {
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
                            "51 1 8:34 / " + Raw("B") + " rw - ext4 /dev/zero rw\n"
                            "52 1 8:35 / " + Raw("Gone") + " rw - vfat /dev/full rw\n"
                            "53 1 8:36 / " + Raw("A/a.txt") + " rw - ext4 /dev/zero rw\n");
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
    QStringList checked;
    for (QAbstractButton* button : window_->findChildren<QAbstractButton*>())
      if (button->isChecked()) checked << button->objectName();
    QCOMPARE(checked, (QStringList{"optParagraph", "optBlank"}));
    for (const QLineEdit* box : window_->findChildren<QLineEdit*>())
      QVERIFY2(box->text().isEmpty(), qPrintable(box->objectName()));
    QVERIFY(Progress().isEmpty());
    QCOMPARE(ModeControls(), QStringList{});
    for (const QLineEdit* box : window_->findChildren<QLineEdit*>())  // waiting for its mode: the button face behind it
      if (const QPalette colours = box->palette(); !box->isEnabled())
        QCOMPARE(colours.color(QPalette::Active, QPalette::Base), colours.color(QPalette::Active, QPalette::Button));
  }

  // At scale 1 and, as frm_main_test_2x, at 2, every control lies whole inside its container, apart
  // from the others (rows a twip-row apart may share a border line), and every caption fits its control.
  void controlsWholeAndApartAtTheScreensScale() {
    Open();
    QList<QWidget*> containers{window_.get()};
    for (QGroupBox* frame : window_->findChildren<QGroupBox*>()) containers.push_back(frame);
    for (QWidget* container : containers) {
      QList<QWidget*> controls = container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
      controls.removeIf([](const QWidget* control) { return control->objectName().isEmpty(); });  // Qt's own
      for (qsizetype i = 0; i < controls.size(); ++i) {
        QVERIFY2(container->rect().contains(controls[i]->geometry()), qPrintable(controls[i]->objectName()));
        for (qsizetype j = i + 1; j < controls.size(); ++j) {
          const QRect shared = controls[i]->geometry() & controls[j]->geometry();
          QVERIFY2(shared.isEmpty() || std::min(shared.width(), shared.height()) <= 1,
                   qPrintable(controls[i]->objectName() + " / " + controls[j]->objectName()));
        }
      }
    }
    auto fits = [](const QWidget* control, const QString& caption, int width) {
      QVERIFY2(control->fontMetrics().horizontalAdvance(QString(caption).remove('&')) <= width, qPrintable(caption));
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
    const qreal scale = qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble();
    QCOMPARE(window_->grab().size(), QSize(811, 535) * scale);
  }

  // CR LF lines from what the program does to who keeps it; read-only.
  void helpText() {
    const QString text = HelpText();
    QVERIFY(text.startsWith("一、功能：\r\n") && text.count('\n') == text.count("\r\n"));
    Open();
    auto* help = Find<QPlainTextEdit>("txtHelp");
    QVERIFY(help->isReadOnly() && help->toPlainText() == QString(text).replace("\r\n", "\n"));
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
    QCOMPARE(answerer.seen.size(), 1);
    window_->activateWindow();  // back from the message box
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    QTest::keyClick(window_->windowHandle(), Qt::Key_X, Qt::AltModifier);
    QVERIFY(exit.count() == 1 || exit.wait());
    QVERIFY(!window_->isVisible());
  }

  // Tab goes round in reading order from the run button, each stop with a name of its own for screen readers, an
  // option group's stop at its chosen button; then the controls it passes over, as made. Each has an object name and
  // a name for screen readers.
  void everyControlByNameInTabOrder() {
    Open();
    for (QWidget* control : window_->findChildren<QWidget*>()) control->setEnabled(true);  // every mode at once
    QWidget* const start = window_->focusWidget();
    QList<QWidget*> controls{start};
    QStringList spoken{AccessibleName(start)};
    for (int stop = 0; stop < 100; ++stop) {
      QTest::keyClick(window_->focusWidget(), Qt::Key_Tab);
      if (window_->focusWidget() == start) break;
      const QString name = AccessibleName(window_->focusWidget());
      QVERIFY2(!spoken.contains(name), qPrintable(name));
      controls << window_->focusWidget();
      spoken << name;
    }
    QCOMPARE(window_->focusWidget(), start);  // the round ends where it began
    for (QWidget* control : window_->findChildren<QWidget*>()) {
      const QString name = control->objectName();  // none, or "qt_": Qt's own parts of a control
      if (!name.isEmpty() && !name.startsWith("qt_") && !controls.contains(control)) controls << control;
    }
    QStringList names;
    for (QWidget* control : controls) {
      const QString name = AccessibleName(control);
      QVERIFY2(!name.isEmpty() && !name.contains('&'), qPrintable(control->objectName() + ": " + name));
      names << control->objectName();
    }
    QCOMPARE(
        names,
        QString("cmdTrim cmdExit driTrim dirTrim filTrim txtAllS(0) txtAllT(0) txtAllS(1) txtAllT(1) txtAllS(2) "
                "txtAllT(2) txtAllS(3) txtAllT(3) txtLeftS(0) txtLeftT(0) txtLeftS(1) txtLeftT(1) txtLeftS(2) "
                "txtLeftT(2) txtLeftS(3) txtLeftT(3) txtRightS(0) txtRightT(0) txtRightS(1) txtRightT(1) txtRightS(2) "
                "txtRightT(2) txtRightS(3) txtRightT(3) txtLink(0) txtLink(1) txtLink(2) txtLink(3) txtLink(4) "
                "chkOrdinal txtDivide optParagraph txtBegin(0) txtEnd(0) txtBegin(1) txtEnd(1) optBlank txtReplaceS "
                "txtReplaceT txtHelp frmAll labAll labLeft labRight frmParagraph optLink labTop(0) labTop(1) labTop(2) "
                "labTop(3) labTop(4) labLink(0) labLink(1) labLink(2) labLink(3) labLink(4) optDivide labDivide "
                "lblCourse frmBegin LabBegin(0) LabEnd(0) LabBegin(1) LabEnd(1) frmBlank optDelete optAdd "
                "frmReplace labReplace")
            .split(' '));
  }

  // A label's buddy is a box of its own frame: one on its row if it has one.
  void labelsAreBuddiesOfTheirBoxes() {
    Open();
    for (QLabel* label : window_->findChildren<QLabel*>()) {
      if (label->text().isEmpty()) continue;  // lblCourse, the progress row
      const QRect row(0, label->y(), label->parentWidget()->width(), label->height());
      auto onRow = [&row](const QWidget* box) { return box->geometry().intersects(row); };
      const QList<QLineEdit*> boxes = label->parentWidget()->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly);
      auto* buddy = qobject_cast<QLineEdit*>(label->buddy());
      QVERIFY2(boxes.contains(buddy) && (onRow(buddy) || std::none_of(boxes.begin(), boxes.end(), onRow)),
               qPrintable(label->objectName()));
    }
  }

  // Each mode enables its own controls; a division length keeps four characters.
  void paragraphModes() {
    Open();
    auto* ordinal = Find<QCheckBox>("chkOrdinal");
    Find<QRadioButton>("optLink")->click();
    QCOMPARE(ModeControls(), ModeControls(false).mid(2));
    Find<QLineEdit>("txtLink(2)")->setText("第?回");
    ordinal->click();
    QVERIFY(ordinal->isChecked());
    Find<QRadioButton>("optDivide")->click();
    QCOMPARE(ModeControls(), ModeControls(false).first(2));
    QVERIFY(!ordinal->isChecked());
    auto* length = Find<QLineEdit>("txtDivide");
    QTest::keyClicks(length, "12345");
    QCOMPARE(length->text(), QStringLiteral("1234"));
    Find<QRadioButton>("optLink")->click();
    QCOMPARE(ModeControls(), ModeControls(false).mid(2));
    QVERIFY(!ordinal->isChecked());
    QCOMPARE(Find<QLineEdit>("txtLink(2)")->text(), QStringLiteral("第?回"));  // kept while disabled
    Find<QRadioButton>("optParagraph")->click();
    QCOMPARE(ModeControls(), QStringList{});
  }

  // One walk through the lists: each step names what it proves.
  void listsFollowOneAnother() {
    Open("A", "A/sub1");  // the process started on the program's drive
    QCOMPARE(Find<QComboBox>("driTrim")->currentText(), Path("A") + " [U 盘]");
    QCOMPARE(Shown(), (QStringList{Path("A/sub1"), "x.txt"}));

    Open("B", "A/sub1");
    auto* drives = Find<QComboBox>("driTrim");
    auto* folders = Find<FolderList>("dirTrim");
    QCOMPARE(drives->count(), 4);
    QCOMPARE(drives->currentText(), Path("B"));  // the program's drive, at its root
    QCOMPARE(Shown(), (QStringList{Path("B"), "y.txt"}));

    drives->setCurrentIndex(1);  // A, where the process started
    QCOMPARE(Shown(), (QStringList{Path("A/sub1"), "x.txt"}));
    QCOMPARE(Rows("dirTrim"), (QStringList{Path("A"), "sub1"}));

    // A double click on the root row is a click, then a second press.
    const QPoint onRoot = folders->visualItemRect(folders->topLevelItem(0)).center();
    QTest::mouseClick(folders->viewport(), Qt::LeftButton, {}, onRoot);
    QTest::mouseDClick(folders->viewport(), Qt::LeftButton, {}, onRoot);
    QCOMPARE(Shown(), (QStringList{Path("A"), "a.txt", "b.TXT"}));
    QCOMPARE(Rows("dirTrim"), (QStringList{Path("A"), "sub1", "Sub2"}));  // hidden ones left out

    // Clicking the file list lists the folder again, keeping the chosen file.
    Write(Raw("A/c.txt"), kStory);
    QFile::remove(Path("A/a.txt"));
    auto* files = Find<QListWidget>("filTrim");
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, files->visualItemRect(files->item(1)).center());
    QCOMPARE(Shown(), (QStringList{Path("A"), "b.TXT", "c.txt"}));
    QCOMPARE(files->currentItem()->text(), QStringLiteral("b.TXT"));

    emit folders->folderChosen(QFile::encodeName(Path("A/Sub2")));
    QCOMPARE(Shown(), QStringList{Path("A/Sub2")});

    drives->setCurrentIndex(2);
    QCOMPARE(Shown(), (QStringList{Path("B"), "y.txt"}));
    drives->setCurrentIndex(1);  // back where A was left
    QCOMPARE(Shown(), QStringList{Path("A/Sub2")});

    // Folders that cannot be read are passed over silently.
    MessageBoxAnswerer answerer;
    QVERIFY(QDir(Path("Gone")).removeRecursively());
    drives->setCurrentIndex(3);
    QCOMPARE(drives->currentIndex(), 1);
    emit folders->folderChosen(QFile::encodeName(Path("A/vanished")));
    QCOMPARE(Shown(), QStringList{Path("A/Sub2")});
    QCOMPARE(answerer.seen, QStringList{});
  }

  // The arrow keys of the closed drive list pass a drive that cannot be shown (B, removed) and show the next one.
  void arrowKeysPassUnreadableDrives_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("lands");
    QTest::newRow("Down")                << 1 << int(Qt::Key_Down)     << "Gone";
    QTest::newRow("PageDown")            << 1 << int(Qt::Key_PageDown) << "Gone";
    QTest::newRow("Up")                  << 3 << int(Qt::Key_Up)       << "A";
    QTest::newRow("Down from the last")  << 3 << int(Qt::Key_Down)     << "Gone";
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
    QCOMPARE(Shown().value(0), Path(lands));
    QCOMPARE(answerer.seen, QStringList{});
  }

  // A sub-folder that cannot be entered, locked or removed meanwhile, leaves the lists and their highlight on the
  // folder whose files are listed, without a word; a removed one is no longer offered.
  void foldersThatCannotBeEntered_data() {
    QTest::addColumn<bool>("locked");
    QTest::addColumn<bool>("byReturn");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("locked, double-clicked")  << true  << false << QStringList{"sub1", "Sub2"};
    QTest::newRow("locked, Return")          << true  << true  << QStringList{"sub1", "Sub2"};
    QTest::newRow("removed, double-clicked") << false << false << QStringList{"sub1"};
  }
  void foldersThatCannotBeEntered() {
    QFETCH(bool, locked);
    QFETCH(bool, byReturn);
    QFETCH(QStringList, rows);
    Open();
    auto* folders = Find<FolderList>("dirTrim");
    QTreeWidgetItem* sub2 = folders->topLevelItem(0)->child(1);
    std::optional<WithoutPermissionOverride> asAnyone;
    if (locked) {
      QVERIFY(chmod(Raw("A/Sub2").constData(), 0) == 0);
      asAnyone.emplace();
    } else {
      QVERIFY(QDir().rmdir(Path("A/Sub2")));
    }
    MessageBoxAnswerer answerer;
    const QPoint onSub2 = folders->visualItemRect(sub2).center();
    if (byReturn) {
      folders->setCurrentItem(sub2);
      QTest::keyClick(folders, Qt::Key_Return);
    } else {
      DoubleClick(folders->viewport(), onSub2);
    }
    QCOMPARE(Shown(), (QStringList{Path("A"), "a.txt", "b.TXT"}));
    QCOMPARE(folders->currentItem()->text(0), Path("A"));
    QCOMPARE(Rows("dirTrim"), QStringList{Path("A")} + rows);
    QCOMPARE(answerer.seen, QStringList{});
  }

  // The listed folder removed (or a file put in its place): 整理 says so and starts nothing; it, and a click in
  // either list, moves the lists to the nearest folder above it that is still there. A click needs no word: the
  // lists show where they went, and the user asked for nothing that could not be done.
  void listedFolderRemoved_data() {
    QTest::addColumn<QString>("listed");
    QTest::addColumn<QString>("removed");
    QTest::addColumn<bool>("fileInItsPlace");
    QTest::addColumn<QString>("action");  // 整理, or a click in a list
    QTest::addColumn<QStringList>("shown");
    const QStringList a{"<A>", "a.txt", "b.TXT"};
    QTest::newRow("整理")                      << "A/sub1"      << "A/sub1"      << false << "cmdTrim" << a;
    QTest::newRow("整理, a file in its place")  << "A/sub1"      << "A/sub1"      << true  << "cmdTrim" << a;
    QTest::newRow("整理, its parent gone too")  << "A/sub1/deep" << "A/sub1"      << false << "cmdTrim" << a;
    QTest::newRow("click on a file")           << "A/sub1"      << "A/sub1"      << false << "filTrim" << a;
    QTest::newRow("click in the empty list")   << "A/sub1/deep" << "A/sub1/deep" << false << "filTrim"
                                               << QStringList{"<A>/sub1", "x.txt"};
    QTest::newRow("click in the folder list")  << "A/sub1"      << "A/sub1"      << false << "dirTrim" << a;
    QTest::newRow("double-click on its row")   << "A/sub1"      << "A/sub1"      << false << "double"  << a;
  }
  void listedFolderRemoved() {
    QFETCH(QString, listed);
    QFETCH(QString, removed);
    QFETCH(bool, fileInItsPlace);
    QFETCH(QString, action);
    QFETCH(QStringList, shown);
    QVERIFY(QDir(root_->path()).mkpath("A/sub1/deep"));
    Open("A", listed);
    Find<QRadioButton>("optDelete")->click();
    QVERIFY(QDir(Path(removed)).removeRecursively());
    if (fileInItsPlace) Write(Raw(removed.toUtf8()), kStory);
    auto* folders = Find<FolderList>("dirTrim");
    const QPoint onCurrent = folders->visualItemRect(folders->currentItem()).center();
    auto* files = Find<QListWidget>("filTrim");
    const QPoint onFiles = files->count() ? files->visualItemRect(files->item(0)).center() : files->rect().center();
    MessageBoxAnswerer answerer("Ok");
    if (action == "cmdTrim") {
      Find<QPushButton>("cmdTrim")->click();
    } else if (action == "filTrim") {
      QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, onFiles);
    } else if (action == "double") {
      DoubleClick(folders->viewport(), onCurrent);
    } else {
      QTest::mouseClick(folders->viewport(), Qt::LeftButton, {}, onCurrent);
    }
    const QString gone = QString::fromStdU16String(DescribeMissingFolder(Raw(listed.toUtf8()).toStdString()));
    QCOMPARE(answerer.seen,
             action == "cmdTrim" ? QStringList{"Quelvane Information 确定 default 确定, window enabled: " + gone}
                                 : QStringList{});
    QCOMPARE(Shown(), shown.replaceInStrings("<A>", Path("A")));
    QCOMPARE(Read(Raw("A/a.txt")), kStory);
    QVERIFY(Progress().isEmpty());
  }

  // Tab, or Shift+Tab, into an option group lands on its chosen button, so that Space there changes nothing.
  void tabEntersAnOptionGroupAtItsChosenButton_data() {
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("from");
    QTest::addColumn<bool>("backwards");
    QTest::newRow("段落处理: 断行续接")            << "optLink"      << "txtRightT(3)" << false;
    QTest::newRow("段落处理: 等长分段")            << "optDivide"    << "txtRightT(3)" << false;
    QTest::newRow("段落处理: 不调段落")            << "optParagraph" << "txtRightT(3)" << false;
    QTest::newRow("空行处理: 删除空行")            << "optDelete"    << "txtEnd(1)"    << false;
    QTest::newRow("空行处理: 段间设行")            << "optAdd"       << "txtEnd(1)"    << false;
    QTest::newRow("空行处理: 不调空行")            << "optBlank"     << "txtEnd(1)"    << false;
    QTest::newRow("空行处理: 删除空行, Shift+Tab") << "optDelete"    << "txtReplaceS"  << true;
  }
  void tabEntersAnOptionGroupAtItsChosenButton() {
    QFETCH(QString, chosen);
    QFETCH(QString, from);
    QFETCH(bool, backwards);
    Open();
    Find<QRadioButton>(chosen)->click();
    Find(from)->setFocus();
    QTest::keyClick(Find(from), backwards ? Qt::Key_Backtab : Qt::Key_Tab);
    QCOMPARE(window_->focusWidget()->objectName(), chosen);
    QTest::keyClick(window_->focusWidget(), Qt::Key_Space);
    QVERIFY(Find<QRadioButton>(chosen)->isChecked());
  }

  // What could mislead in a name shows as escapes, in the file list (names ending in .txt) and the folder list.
  void namesShownAsTheyAre_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QString>("shown");
    QTest::newRow("bytes of no character")        << QByteArray("\xff\xfe\x80" "abc.txt") << "\\xff\\xfe\\x80abc.txt";
    QTest::newRow("code page 936 user-defined")   << QByteArray("\xaa\xa1.txt")         << "\\xaa\\xa1.txt";
    QTest::newRow("a control character")          << QByteArray("a\x01" "b.txt")        << "a\\x01b.txt";
    QTest::newRow("a bidirectional control")      << QByteArray("a\u202E" "b.txt")      << "a\\u{202e}b.txt";
    QTest::newRow("a folder of no characters")    << QByteArray("\xff\xfe")             << "\\xff\\xfe";
    QTest::newRow("a GBK folder, one stray byte") << QByteArray("\xBE\xED\xff")         << "卷\\xff";
  }
  void namesShownAsTheyAre() {
    QFETCH(QByteArray, name);
    QFETCH(QString, shown);
    const bool file = name.endsWith(".txt");
    if (file) Write(Raw("A/" + name), kStory);
    else QVERIFY(mkdir(Raw("A/" + name).constData(), 0755) == 0);
    Open();
    const QStringList rows = Rows(file ? "filTrim" : "dirTrim");
    QVERIFY2(rows.contains(shown), qPrintable(rows.join('|')));
  }

  // 255-byte names: elided in the middle in the file list, so that two of them still look different, whole in the
  // tooltip and for screen readers, and wrapped in the box that ends a run, every reason in view.
  void longNames() {
    const QByteArray stem(250, 'a');
    for (const char* end : {"1.txt", "2.txt"}) Write(Raw("A/" + stem + end), kStory);
    QVERIFY(chmod(Raw("A/" + stem + "1.txt").constData(), 0444) == 0);
    Open();
    auto* files = Find<QListWidget>("filTrim");
    QCOMPARE(Rows("filTrim"), (QStringList{"a.txt", stem + "1.txt", stem + "2.txt", "b.TXT"}));
    files->setCurrentRow(-1);
    QList<QImage> drawn;
    for (int row = 0; row < files->count(); ++row) {
      const QRect area = files->visualItemRect(files->item(row));
      QVERIFY2(files->viewport()->rect().contains(area), qPrintable(Rows("filTrim")[row]));
      drawn << files->viewport()->grab(area).toImage();
      QCOMPARE(QAccessible::queryAccessibleInterface(files)->child(row)->text(QAccessible::Name), Rows("filTrim")[row]);
    }
    QVERIFY(drawn[1] != drawn[2]);
    // The tooltip as read, its lines joined, and whether it is narrower than the screen, which Qt then places it on.
    auto tooltip = [files](int row) {
      const QPoint at = files->visualItemRect(files->item(row)).center();
      QHelpEvent hover(QEvent::ToolTip, at, files->viewport()->mapToGlobal(at));
      QApplication::sendEvent(files->viewport(), &hover);
      const QWidget* tip = nullptr;
      for (const QWidget* shown : QApplication::topLevelWidgets())
        if (shown->inherits("QTipLabel") && shown->isVisible()) tip = shown;
      if (!tip) return QString();
      return QToolTip::text().remove('\n') +
             (tip->width() <= files->screen()->availableGeometry().width() ? "" : " (wider than the screen)");
    };
    QCOMPARE(tooltip(0), QString());  // a.txt fits
    QCOMPARE(tooltip(2), stem + "2.txt");

    Find<QRadioButton>("optDelete")->click();
    const QString leftAlone = "整理完成，但有 1 个文件未能整理，保持原样：\n" + stem + "1.txt：文件只读";
    QCOMPARE(Tidy("Yes Ok").value(1), "Quelvane Information 确定 default 确定, window enabled: " + leftAlone);
  }

  // Names in code page 936 bytes, as a Chinese archive unpacked on Linux leaves them, beside UTF-8 names
  // and a name that is neither: listed and sorted by what they show, entered, every file tidied under its
  // own name, and messages naming a file or folder as the lists show it.
  void namesInGbkBytes() {
    const QByteArray volume = "A/\xB5\xDA\xD2\xBB\xBE\xED";  // 第一卷
    const QByteArray deep = volume + "/\xB6\xFE/\xC8\xFD";   // 第一卷/二/三
    // 甲, 乙 and 丙 below; QDir cannot make folders with such names.
    for (const QByteArray& folder :
         {volume, volume + "/\xB6\xFE", deep, deep + "/\xBC\xD7", deep + "/\xD2\xD2", deep + "/\xB1\xFB"})
      QVERIFY(mkdir(Raw(folder).constData(), 0755) == 0);
    const QList<QByteArray> names{"\xB5\xDA\xD2\xBB\xD5\xC2.txt", "\x81.txt", "第二章.txt", "一.txt"};
    for (const QByteArray& name : names) Write(Raw(volume + '/' + name), kStory);
    const QList<QByteArray> before = EntryNames(Raw(volume));

    Open();
    auto* folders = Find<FolderList>("dirTrim");
    QCOMPARE(Rows("dirTrim"), (QStringList{Path("A"), "sub1", "Sub2", "第一卷"}));
    folders->setCurrentItem(folders->topLevelItem(0)->child(2));
    QTest::keyClick(folders, Qt::Key_Return);
    QCOMPARE(Shown(), (QStringList{Path("A/第一卷"), "\\x81.txt", "一.txt", "第一章.txt", "第二章.txt"}));
    QCOMPARE(Rows("dirTrim"), (QStringList{Path("A"), "第一卷", "二"}));

    Find<QRadioButton>("optDelete")->click();
    const QStringList confirmed = Tidy("Yes");
    QCOMPARE(confirmed.size(), 1);
    QCOMPARE(confirmed[0].section('\n', -1), "文件夹：" + Path("A/第一卷") + "（4 个文件）");
    for (const QByteArray& name : names)
      QCOMPARE(Read(Raw(volume + '/' + name)), QByteArray("今天的天气\r\n很好。\r\n"));
    QCOMPARE(EntryNames(Raw(volume)), before);

    QVERIFY(unlink(Raw(volume + "/\x81.txt")) == 0);
    // A name gone since the list was filled is named in the box that ends the run.
    QCOMPARE(Tidy("Yes Ok").mid(1), QStringList{"Quelvane Information 确定 default 确定, window enabled: "
                                                "整理完成，但有 1 个文件未能整理，保持原样：\n\\x81.txt：文件已不存在"});
    QVERIFY(window_->isEnabled() && !QApplication::overrideCursor());

    // Deep down, the current folder and its first sub-folders are in view, not only the path above it;
    // neither a key nor a row's arrow folds them away.
    emit folders->folderChosen(Raw(deep));
    const QTreeWidgetItem* current = folders->currentItem();
    QCOMPARE(current->text(0), QStringLiteral("三"));
    for (const QTreeWidgetItem* row : QList<const QTreeWidgetItem*>{current, current->child(0), current->child(1)})
      QVERIFY2(folders->viewport()->rect().contains(folders->visualItemRect(row)), qPrintable(row->text(0)));
    const QRect row = folders->visualItemRect(current);
    QTest::mouseClick(folders->viewport(), Qt::LeftButton, {}, {row.left() - 5, row.center().y()});
    for (Qt::Key key : {Qt::Key_Left, Qt::Key_Minus}) QTest::keyClick(folders, key);
    QCOMPARE(Rows("dirTrim"), (QStringList{Path("A"), "第一卷", "二", "三", "丙", "乙", "甲"}));
  }

  // Each row sets `options` (a button to click, a box's "name=text", a folder to choose or a file to make read-only),
  // presses 整理 with `answers`, and sees `boxes` ("<A>" for the folder A's path), then the files, the progress row,
  // and the focus where it was before the boxes, or on the run button after a run.
  void runsThroughTheWindow_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("answers");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QByteArray>("files");
    QTest::addColumn<int>("squares");
    const QString notice = "Quelvane Information 确定 default 确定, window enabled: ";
    const QString question =
        "Quelvane Question 是(&Y)|否(&N) default 否(&N), window enabled: 当前文件夹内的所有"
        "文本文件将作如下整理:\n\n1.删除空行!\n2.\"天气\"字符替换为\"天色\"!\n\n是否继续?\n文件夹：<A>（2 个文件）";
    const QStringList replace{"optDelete", "txtReplaceS=天气", "txtReplaceT=天色"};
    const QByteArray tidied = "今天的天色\r\n很好。\r\n|天色\r\n完\r\n";
    const auto row = [](const char* name, const QStringList& options, const QString& answers, const QStringList& boxes,
                        const QByteArray& files = kStory + "|" + kOther, int squares = 0) {
      QTest::newRow(name) << options << answers << boxes << files << squares;
    };
    row("nothing to do", {}, "Ok", {notice + "没有设置整理方式及内容！"});
    row("bad length", {"optDivide", "txtDivide=x"}, "Ok", {notice + "分段字符数应键入正整数！"});
    row("no files", {"optDivide", "txtDivide=8", "dirTrim=A/Sub2"}, "Ok", {notice + "当前文件夹内没有文本文件！"});
    row("No", replace, "No", {question});
    row("Yes", replace, "Yes", {question}, tidied, 66);
    row("one left alone", replace + QStringList{"readOnly=A/b.TXT"}, "Yes Ok",
        {question, notice + "整理完成，但有 1 个文件未能整理，保持原样：\nb.TXT：文件只读"},
        tidied.first(tidied.indexOf('|') + 1) + kOther, 66);
  }
  void runsThroughTheWindow() {
    QFETCH(QStringList, options);
    QFETCH(QString, answers);
    QFETCH(QStringList, boxes);
    QFETCH(QByteArray, files);
    QFETCH(int, squares);
    Open();
    for (const QString& option : options) {
      const QString name = option.section('=', 0, 0), text = option.section('=', 1);
      if (auto* box = Find<QLineEdit>(name)) box->setText(text);
      else if (auto* folders = Find<FolderList>(name)) emit folders->folderChosen(QFile::encodeName(Path(text)));
      else if (name == "readOnly") QVERIFY(chmod(QFile::encodeName(Path(text)).constData(), 0444) == 0);
      else Find<QAbstractButton>(name)->click();
    }
    Find("txtReplaceT")->setFocus();
    QCOMPARE(Tidy(answers), boxes.replaceInStrings("<A>", Path("A")));
    QCOMPARE(Read(Raw("A/a.txt")) + "|" + Read(Raw("A/b.TXT")), files);
    QCOMPARE(Read(Raw("A/notes.md")), kStory);
    QCOMPARE(Progress(), QString(squares, QChar(0x25A0)));
    QCOMPARE(Find<QLabel>("lblCourse")->accessibleDescription(), squares ? QStringLiteral("66 / 66") : QString());
    QVERIFY(Find<QLabel>("lblCourse")->fontMetrics().horizontalAdvance(Progress()) <=
            Find<QLabel>("lblCourse")->width());
    QVERIFY(window_->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(window_->focusWidget()->objectName(), squares ? "cmdTrim" : "txtReplaceT");
  }

  // The drive list offers the root, devices and network shares, each mount point once; not pseudo
  // file systems, program images or unreadable lines. A folder lies on the longest mount point above it.
  void drivesAndTheFoldersOnThem() {
    const std::vector<QString> points = UserMountPoints(
        "27 1 0:50 / / rw,relatime - overlay overlay rw,lowerdir=/a\n24 27 0:6 / /dev rw - devtmpfs udev rw\n"
        "25 24 0:23 / /run rw shared:5 - tmpfs tmpfs rw\n40 27 8:17 / /data rw - ext4 /dev/sdb1 rw\n"
        "41 27 8:17 / /home rw shared:1 master:2 - ext4 /dev/sdb1 rw\n"
        "42 27 8:33 / /media/u/USB\\040Stick rw - vfat /dev/sdc1 rw\n43 27 0:60 / /mnt/nas rw - cifs //nas/share rw\n"
        "44 27 0:61 / /mnt/nfs rw - nfs4 server:/export rw\n"
        "45 27 8:18 / /data rw - ext4 /dev/sdb2 rw\n"  // hides the first /data
        "50 27 7:0 / /snap/core/1 ro - squashfs /dev/loop0 ro\ngarbage\n\n");
    QCOMPARE(QStringList(points.begin(), points.end()),
             (QStringList{"/", "/home", "/media/u/USB Stick", "/mnt/nas", "/mnt/nfs", "/data"}));
    const Drives drives({{"/", {}}, {"/home", {}}, {"/home/u/usb", {}}}, "/home/u");
    QCOMPARE((QList<int>{drives.DriveOf("/home/u/usb/books"), drives.DriveOf("/home/u"), drives.DriveOf("/home"),
                         drives.DriveOf("/homework")}),
             (QList<int>{2, 1, 1, 0}));
  }
};

QTEST_MAIN(FrmMainTest)
#include "frm_main_test.moc"
