// The window offscreen, in a fresh folder per test: how it opens, the
// keyboard and screen readers, the lists following one another, runs with
// the message boxes answered as a user would and the files checked
// afterwards, and which mounts the drive list offers.

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMetaEnum>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <tuple>

#include "text/display_name.h"
#include "drives.h"
#include "folder_list.h"
#include "frm_main.h"
#include "help_text.h"
#include "qt_translation.h"
#include "volumes.h"

using namespace quelvane;

namespace {

const QByteArray kStory = "今天的天气\r\n\r\n很好。\r\n";
const QByteArray kOther = "天气\r\n\r\n\r\n完";

class FakeVolumes : public VolumeSource {
 public:
  explicit FakeVolumes(std::vector<Volume> volumes) : volumes_(std::move(volumes)) {}
  std::vector<Volume> Volumes() const override { return volumes_; }

 private:
  std::vector<Volume> volumes_;
};

void WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

// Both by the path's own bytes, which need not be UTF-8.
void WriteRaw(const QByteArray& path, const QByteArray& bytes) {
  FILE* file = std::fopen(path.constData(), "wb");
  QVERIFY(file && std::fwrite(bytes.constData(), 1, bytes.size(), file) == size_t(bytes.size()));
  QVERIFY(std::fclose(file) == 0);
}
QByteArray ReadRaw(const QByteArray& path) {
  QFile file;
  FILE* handle = std::fopen(path.constData(), "rb");
  if (!handle || !file.open(handle, QIODevice::ReadOnly, QFile::AutoCloseHandle)) return "<unreadable>";
  return file.readAll();
}
QList<QByteArray> EntryNames(const QByteArray& folder) {
  QList<QByteArray> names;
  if (DIR* dir = opendir(folder.constData())) {
    while (const dirent* entry = readdir(dir)) names << entry->d_name;
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

QByteArray ReadBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Reading order: the frames column by column, each frame's boxes row by row.
auto ReadingPosition(const QWidget* box) {
  return std::make_tuple(box->parentWidget()->x(), box->parentWidget()->y(), box->y(), box->x());
}

QString AccessibleName(QWidget* control) {
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
  return accessible ? accessible->text(QAccessible::Name) : QString();
}

// Answers the program's message boxes from a script, so that no test waits
// for a person, and describes each box and the window behind it in a line:
// "Quelvane Question Yes|No default No, window enabled: <text>". A box
// beyond the script is closed with its escape button and still described.
class MessageBoxAnswerer : public QObject {
 public:
  explicit MessageBoxAnswerer(std::deque<QMessageBox::StandardButton> answers = {}) : answers_(std::move(answers)) {
    qApp->installEventFilter(this);
  }
  ~MessageBoxAnswerer() override { qApp->removeEventFilter(this); }

  QStringList seen, buttonTexts;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* box = qobject_cast<QMessageBox*>(watched);
    if (!box || event->type() != QEvent::Show) return false;
    const QMetaEnum key = QMetaEnum::fromType<QMessageBox::StandardButtons>();
    QStringList buttons, texts;
    for (QAbstractButton* button : box->findChild<QDialogButtonBox*>()->buttons()) {
      buttons << key.valueToKey(box->standardButton(button));
      texts << button->text();
    }
    const QCursor* cursor = QApplication::overrideCursor();
    seen << QStringLiteral("%1 %2 %3 default %4, window %5%6%7: %8")
                .arg(box->windowTitle(), QMetaEnum::fromType<QMessageBox::Icon>().valueToKey(box->icon()),
                     buttons.join('|'), key.valueToKey(box->standardButton(box->defaultButton())),
                     box->parentWidget() && !box->parentWidget()->isEnabled() ? "disabled" : "enabled",
                     cursor && cursor->shape() == Qt::WaitCursor ? ", wait cursor" : "",
                     box->isEnabled() ? "" : ", box disabled", box->text());
    buttonTexts << texts.join('|');
    QAbstractButton* answer = answers_.empty() ? box->escapeButton() : box->button(answers_.front());
    if (!answers_.empty()) answers_.pop_front();
    // Clicked once the box's own event loop runs; a box that cannot take
    // the click is closed all the same.
    QMetaObject::invokeMethod(box, [box, answer] {
      if (answer && answer->isEnabled() && box->isEnabled()) answer->click();
      else box->done(answer ? box->standardButton(answer) : QMessageBox::NoButton);
    }, Qt::QueuedConnection);
    return false;
  }

 private:
  std::deque<QMessageBox::StandardButton> answers_;
};

}  // namespace

class FrmMainTest : public QObject {
  Q_OBJECT

 private:
  template <typename Control = QWidget>
  Control* Find(const QString& name) const {
    return window_->findChild<Control*>(name);
  }
  QString Path(const QString& relative) const { return root_->filePath(relative); }
  // The program lies in `programFolder`; the process started in `startFolder`.
  void Open(const QString& programFolder = "A", const QString& startFolder = "A") {
    window_ = std::make_unique<FrmMain>(*volumes_, Path(programFolder), Path(startFolder));
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
  }
  QStringList Rows(const char* list) const {
    QStringList rows;
    if (auto* files = Find<QListWidget>(list)) {
      for (int i = 0; i < files->count(); ++i) rows << files->item(i)->text();
    } else {
      for (QTreeWidgetItemIterator it(Find<FolderList>(list)); *it; ++it) rows << (*it)->text(0);
    }
    return rows;
  }
  // The folder shown, then the files listed.
  QStringList Shown() const {
    return QStringList{QString::fromStdU16String(DisplayName(Find<FolderList>("dirTrim")->folder().toStdString()))} +
           Rows("filTrim");
  }
  // A path below the test's root in the file system's own bytes.
  QByteArray Raw(const QByteArray& relative) const { return QFile::encodeName(root_->path()) + '/' + relative; }
  QByteArray Files() const { return ReadBytes(Path("A/a.txt")) + "|" + ReadBytes(Path("A/b.TXT")); }
  QString Progress() const { return Find<QLabel>("lblCourse")->text(); }
  // The controls of the dividing mode, then those of the linking mode: all,
  // or those enabled now.
  QStringList ModeControls(bool enabledOnly = true) const {
    QStringList names{"labDivide", "txtDivide", "chkOrdinal"};
    for (int i = 0; i < 5; ++i) {
      names << QStringLiteral("labTop(%1)").arg(i) << QStringLiteral("txtLink(%1)").arg(i)
            << QStringLiteral("labLink(%1)").arg(i);
    }
    if (enabledOnly) names.removeIf([this](const QString& name) { return !Find(name)->isEnabled(); });
    return names;
  }
  // Presses the run button with the boxes answered from `answers`.
  QStringList Tidy(std::deque<QMessageBox::StandardButton> answers, QStringList* buttonTexts = nullptr) {
    MessageBoxAnswerer answerer(std::move(answers));
    Find<QPushButton>("cmdTrim")->click();
    if (buttonTexts) *buttonTexts = answerer.buttonTexts;
    return answerer.seen;
  }

  std::unique_ptr<QTemporaryDir> root_;
  std::unique_ptr<FakeVolumes> volumes_;
  std::unique_ptr<FrmMain> window_;
  bool translated_ = false;

 private slots:
  void initTestCase() { translated_ = LoadQtTranslation(*qApp); }

  // Two readable volumes and one whose mount point is gone, as a drive that
  // is not ready; the tests run as root, who could read any folder.
  void init() {
    root_ = std::make_unique<QTemporaryDir>();
    for (const char* folder : {"A/sub1", "A/Sub2", "A/.hidden", "B"}) QVERIFY(QDir(root_->path()).mkpath(folder));
    for (const char* file : {"A/a.txt", "A/notes.md", "A/sub1/x.txt", "B/y.txt"}) WriteBytes(Path(file), kStory);
    WriteBytes(Path("A/b.TXT"), kOther);
    volumes_ = std::make_unique<FakeVolumes>(
        std::vector<Volume>{{Path("A"), "Alpha"}, {Path("B"), {}}, {Path("Gone"), {}}});
  }
  void cleanup() { window_.reset(); }

  void startStates() {
    Open();
    QCOMPARE(window_->windowTitle(), QStringLiteral("Quelvane"));
    QCOMPARE(window_->size(), QSize(811, 535));
    QStringList checked;
    for (QAbstractButton* button : window_->findChildren<QAbstractButton*>()) {
      if (button->isChecked()) checked << button->objectName();
    }
    QCOMPARE(checked, (QStringList{"optParagraph", "optBlank"}));
    const QList<QLineEdit*> boxes = window_->findChildren<QLineEdit*>();
    QCOMPARE(boxes.size(), 36);
    for (const QLineEdit* box : boxes) QVERIFY2(box->text().isEmpty(), qPrintable(box->objectName()));
    QVERIFY(Progress().isEmpty());
    QCOMPARE(ModeControls(), QStringList{});
    QCOMPARE(window_->focusWidget(), Find("cmdTrim"));
    QCOMPARE(Find("cmdTrim")->nextInFocusChain(), Find("cmdExit"));

    const QList<std::pair<const char*, const char*>> captions{
        {"cmdTrim", "整理&T"}, {"cmdExit", "退出&X"}, {"labTop(3)", "以"}, {"labLink(1)", "开头视为整段"},
        {"labAll", "与左栏内容相同的行，整行替换为对应右栏中的内容"},
        {"labLeft", "以左栏内容开头的行，整行替换为对应右栏中的内容"},
        {"labRight", "以左栏内容结尾的行，整行替换为对应右栏中的内容"},
        {"optLink", "断行续接"}, {"chkOrdinal", "以序数词开头视为整段"}, {"optDivide", "等长分段"},
        {"labDivide", "分段后每段最多保留的字符数："}, {"optParagraph", "不调段落"},
        {"LabBegin(0)", "段首增加文字"}, {"LabEnd(0)", "段尾增加文字"}, {"LabBegin(1)", "段首取消文字"},
        {"LabEnd(1)", "段尾取消文字"}, {"optDelete", "删除空行"}, {"optAdd", "段间设行"}, {"optBlank", "不调空行"},
        {"labReplace", "替换为"}, {"frmAll", "整行替换"}, {"frmParagraph", "段落处理"}, {"frmBegin", "首尾处理"},
        {"frmBlank", "空行处理"}, {"frmReplace", "文字替换"}};
    for (const auto& [name, caption] : captions) {
      QCOMPARE(Find(name)->property(qobject_cast<QGroupBox*>(Find(name)) ? "title" : "text").toString(), caption);
    }
    // The same in every state: enabling a box never changes it.
    const QList<std::pair<const char*, QPalette::ColorRole>> backgrounds{{"txtLink(0)", QPalette::Button},
        {"txtDivide", QPalette::Button}, {"txtBegin(1)", QPalette::HighlightedText},
        {"txtEnd(0)", QPalette::HighlightedText}, {"txtReplaceS", QPalette::HighlightedText},
        {"txtReplaceT", QPalette::HighlightedText}};
    for (const auto& [name, role] : backgrounds) {
      const QPalette colours = Find(name)->palette();
      for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        QVERIFY2(colours.color(group, QPalette::Base) == colours.color(group, role), name);
      }
    }
  }

  // A fixed layout drawn at a fixed point size: at scale 1 and, as
  // frm_main_test_2x, at 2, every control lies whole inside its container,
  // apart from the others (rows a twip-row apart may share a border line),
  // and every caption fits its control.
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
    for (QAbstractButton* button : window_->findChildren<QAbstractButton*>()) {
      QStyleOptionButton option;
      option.initFrom(button);
      const QStyle::SubElement textArea = qobject_cast<QRadioButton*>(button) ? QStyle::SE_RadioButtonContents
                                          : qobject_cast<QCheckBox*>(button)  ? QStyle::SE_CheckBoxContents
                                                                              : QStyle::SE_PushButtonContents;
      QVERIFY2(button->fontMetrics().horizontalAdvance(QString(button->text()).remove('&')) <=
                   button->style()->subElementRect(textArea, &option, button).width(),
               qPrintable(button->objectName()));
    }
    for (QLabel* label : window_->findChildren<QLabel*>()) {
      QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->contentsRect().width(),
               qPrintable(label->objectName()));
    }
    const qreal scale = qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble();
    QCOMPARE(window_->grab().size(), QSize(811, 535) * scale);
  }

  // 46 CR LF lines in five sections; numbered items end in "；", the last of
  // a section in "。".
  void helpText() {
    const QString text = HelpText();
    QVERIFY(text.endsWith("\r\n"));
    QCOMPARE(text.count('\n'), text.count("\r\n"));
    const QStringList lines = text.chopped(2).split("\r\n");
    QCOMPARE(lines.size(), 46);
    for (const char* fixed : {"一、功能：", "二、整理方式：", "三、操作步骤：", "四、注意事项：", "9.确认整理。",
                              "2.子文件夹内文件不会改动；", "11.整理不可恢复。"}) {
      QVERIFY2(lines.contains(fixed), fixed);
    }
    QCOMPARE(lines.indexOf("五、软件信息："), 40);
    Open();
    auto* help = Find<QPlainTextEdit>("txtHelp");
    QVERIFY(help->isReadOnly());
    QCOMPARE(help->toPlainText(), lines.join('\n') + '\n');
  }

  void mnemonicsPressTheButtons() {
    Open();
    window_->activateWindow();
    if (!QTest::qWaitForWindowActive(window_.get())) QSKIP("this platform does not activate windows");
    QSignalSpy trim(Find<QPushButton>("cmdTrim"), &QPushButton::clicked);
    QSignalSpy exit(Find<QPushButton>("cmdExit"), &QPushButton::clicked);
    MessageBoxAnswerer answerer({QMessageBox::Ok});  // nothing to do
    // A mnemonic presses its button visibly, so the click comes a moment later.
    QTest::keyClick(window_->windowHandle(), Qt::Key_T, Qt::AltModifier);
    QVERIFY(trim.count() == 1 || trim.wait());
    QCOMPARE(answerer.seen.size(), 1);
    window_->activateWindow();  // back from the message box
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    QTest::keyClick(window_->windowHandle(), Qt::Key_X, Qt::AltModifier);
    QVERIFY(exit.count() == 1 || exit.wait());
    QVERIFY(!window_->isVisible());
  }

  void tabReachesEveryTextBoxInReadingOrder() {
    Open();
    // As if every paragraph mode were chosen at once, so no box is skipped.
    QList<QLineEdit*> boxes = window_->findChildren<QLineEdit*>();
    for (QLineEdit* box : boxes) box->setEnabled(true);
    std::sort(boxes.begin(), boxes.end(), [](auto* a, auto* b) { return ReadingPosition(a) < ReadingPosition(b); });
    QWidget* const start = window_->focusWidget();
    QList<QLineEdit*> reached;
    for (int stop = 0; stop < 100; ++stop) {
      QTest::keyClick(window_->focusWidget(), Qt::Key_Tab);
      if (window_->focusWidget() == start) break;
      if (auto* box = qobject_cast<QLineEdit*>(window_->focusWidget())) reached << box;
    }
    QCOMPARE(window_->focusWidget(), start);  // the round ends where it began
    QCOMPARE(reached, boxes);
  }

  // A label's buddy is a box of its own frame: one on its row if it has one.
  void labelsAreBuddiesOfTheirBoxes() {
    Open();
    for (QLabel* label : window_->findChildren<QLabel*>()) {
      if (label->text().isEmpty()) continue;  // lblCourse, the progress row
      const QRect caption = label->geometry();
      auto onRow = [&caption](const QWidget* box) {
        return box->y() <= caption.bottom() && caption.top() <= box->geometry().bottom();
      };
      const QList<QLineEdit*> boxes = label->parentWidget()->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly);
      auto* buddy = qobject_cast<QLineEdit*>(label->buddy());
      QVERIFY2(boxes.contains(buddy), qPrintable(label->objectName()));
      QVERIFY2(onRow(buddy) || std::none_of(boxes.begin(), boxes.end(), onRow), qPrintable(label->objectName()));
    }
  }

  // Names come from captions or short descriptions; the stops of the Tab
  // round must be told apart by name alone.
  void everyControlHasAName() {
    Open();
    QStringList stops;
    for (QWidget* control : window_->findChildren<QWidget*>()) {
      const QString objectName = control->objectName();
      if (objectName.isEmpty() || objectName.startsWith("qt_")) continue;  // Qt's own parts of a control
      const QString name = AccessibleName(control);
      QVERIFY2(!name.isEmpty() && !name.contains('&'), qPrintable(objectName + ": " + name));
      if (control->focusPolicy() & Qt::TabFocus) {
        QVERIFY2(!stops.contains(name), qPrintable(name));
        stops << name;
      }
    }
  }

  void paragraphModesEnableTheirControls() {
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

    Find<QRadioButton>("optLink")->click();
    QCOMPARE(ModeControls(), ModeControls(false).mid(2));
    QVERIFY(!ordinal->isChecked());
    QCOMPARE(Find<QLineEdit>("txtLink(2)")->text(), QStringLiteral("第?回"));  // kept while disabled

    Find<QRadioButton>("optParagraph")->click();
    QCOMPARE(ModeControls(), QStringList{});
  }

  void divisionLengthKeepsFourCharacters() {
    Open();
    Find<QRadioButton>("optDivide")->click();
    auto* length = Find<QLineEdit>("txtDivide");
    QTest::keyClicks(length, "12345");
    QCOMPARE(length->text(), QStringLiteral("1234"));
    length->setText("ab");
    length->insert("cdef");  // any characters: only a run checks them
    QCOMPARE(length->text(), QStringLiteral("abcd"));

    length->clear();
    QGuiApplication::clipboard()->setText("987654");
    if (QGuiApplication::clipboard()->text() != "987654") QSKIP("no clipboard on this platform");
    length->paste();
    QCOMPARE(length->text(), QStringLiteral("9876"));
  }

  // One walk through the lists: each step names what it proves.
  void listsFollowOneAnother() {
    Open("A", "A/sub1");  // the process started on the program's drive
    QCOMPARE(Find<QComboBox>("driTrim")->currentText(), Path("A") + " [Alpha]");
    QCOMPARE(Shown(), (QStringList{Path("A/sub1"), "x.txt"}));

    Open("B", "A/sub1");
    auto* drives = Find<QComboBox>("driTrim");
    auto* folders = Find<FolderList>("dirTrim");
    QCOMPARE(drives->currentText(), Path("B"));  // the program's drive, at its root
    QCOMPARE(Shown(), (QStringList{Path("B"), "y.txt"}));

    drives->setCurrentIndex(0);  // A, where the process started
    QCOMPARE(Shown(), (QStringList{Path("A/sub1"), "x.txt"}));
    QCOMPARE(Rows("dirTrim"), (QStringList{Path("A"), "sub1"}));

    // A double click on the root row is a click, then a second press.
    const QPoint onRoot = folders->visualItemRect(folders->topLevelItem(0)).center();
    QTest::mouseClick(folders->viewport(), Qt::LeftButton, {}, onRoot);
    QTest::mouseDClick(folders->viewport(), Qt::LeftButton, {}, onRoot);
    QCOMPARE(Shown(), (QStringList{Path("A"), "a.txt", "b.TXT"}));
    QCOMPARE(Rows("dirTrim"), (QStringList{Path("A"), "sub1", "Sub2"}));  // hidden ones left out

    // Clicking the file list lists the folder again, keeping the chosen file.
    WriteBytes(Path("A/c.txt"), kStory);
    QFile::remove(Path("A/a.txt"));
    auto* files = Find<QListWidget>("filTrim");
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, files->visualItemRect(files->item(1)).center());
    QCOMPARE(Shown(), (QStringList{Path("A"), "b.TXT", "c.txt"}));
    QCOMPARE(files->currentItem()->text(), QStringLiteral("b.TXT"));

    folders->setCurrentItem(folders->topLevelItem(0)->child(1));
    QTest::keyClick(folders, Qt::Key_Return);
    QCOMPARE(Shown(), QStringList{Path("A/Sub2")});

    drives->setCurrentIndex(1);
    QCOMPARE(Shown(), (QStringList{Path("B"), "y.txt"}));
    drives->setCurrentIndex(0);  // back where A was left
    QCOMPARE(Shown(), QStringList{Path("A/Sub2")});

    // Folders that cannot be read are passed over silently.
    MessageBoxAnswerer answerer;
    drives->setCurrentIndex(2);
    QCOMPARE(drives->currentIndex(), 0);
    emit folders->folderChosen(QFile::encodeName(Path("A/vanished")));
    QCOMPARE(Shown(), QStringList{Path("A/Sub2")});
    QCOMPARE(answerer.seen, QStringList{});
  }

  // Names in code page 936 bytes, as a Chinese archive unpacked on Linux
  // leaves them, beside UTF-8 names and a name that is neither: all listed
  // and sorted by what they show, the folder entered, every file tidied
  // under its own name, and messages naming a file as the list shows it.
  void namesInGbkBytes() {
    const QByteArray volume = "A/\xB5\xDA\xD2\xBB\xBE\xED";  // 第一卷
    const QByteArray deep = volume + "/\xB6\xFE/\xC8\xFD";    // 第一卷/二/三
    // 甲, 乙 and 丙 below; QDir cannot make folders with such names.
    for (const QByteArray& folder : {volume, volume + "/\xB6\xFE", deep, deep + "/\xBC\xD7", deep + "/\xD2\xD2",
                                     deep + "/\xB1\xFB"}) {
      QVERIFY(mkdir(Raw(folder).constData(), 0755) == 0);
    }
    const QList<QByteArray> names{"\xB5\xDA\xD2\xBB\xD5\xC2.txt", "\x81.txt", "第二章.txt", "一.txt"};
    for (const QByteArray& name : names) WriteRaw(Raw(volume + '/' + name), kStory);
    const QList<QByteArray> before = EntryNames(Raw(volume));

    Open();
    auto* folders = Find<FolderList>("dirTrim");
    QCOMPARE(Rows("dirTrim"), (QStringList{Path("A"), "sub1", "Sub2", "第一卷"}));
    folders->setCurrentItem(folders->topLevelItem(0)->child(2));
    QTest::keyClick(folders, Qt::Key_Return);
    QCOMPARE(Shown(), (QStringList{Path("A/第一卷"), "\\x81.txt", "一.txt", "第一章.txt", "第二章.txt"}));
    QCOMPARE(Rows("dirTrim"), (QStringList{Path("A"), "第一卷", "二"}));

    Find<QRadioButton>("optDelete")->click();
    QCOMPARE(Tidy({QMessageBox::Yes}).size(), 1);
    for (const QByteArray& name : names) QCOMPARE(ReadRaw(Raw(volume + '/' + name)), QByteArray("今天的天气\r\n很好。\r\n"));
    QCOMPARE(EntryNames(Raw(volume)), before);

    QVERIFY(unlink(Raw(volume + "/\x81.txt")) == 0);
    const QStringList boxes = Tidy({QMessageBox::Yes, QMessageBox::Ok});
    QCOMPARE(boxes.size(), 2);
    QVERIFY2(boxes[1].endsWith("无法打开文件“\\x81.txt”：文件不存在。"), qPrintable(boxes[1]));

    // Deep down, the current folder and its first sub-folders are in view,
    // not only the path above it.
    emit folders->folderChosen(Raw(deep));
    QCOMPARE(Rows("dirTrim"), (QStringList{Path("A"), "第一卷", "二", "三", "丙", "乙", "甲"}));
    const QTreeWidgetItem* current = folders->currentItem();
    QCOMPARE(current->text(0), QStringLiteral("三"));
    for (const QTreeWidgetItem* row : QList<const QTreeWidgetItem*>{current, current->child(0), current->child(1)}) {
      QVERIFY2(folders->viewport()->rect().contains(folders->visualItemRect(row)), qPrintable(row->text(0)));
    }
  }

  // No, then Yes, then a run whose first file vanished after it was listed.
  void answersAndFailureThroughTheWindow() {
    Open();
    Find<QRadioButton>("optDelete")->click();
    Find<QLineEdit>("txtReplaceS")->setText("天气");
    Find<QLineEdit>("txtReplaceT")->setText("天色");
    const QStringList question{"Quelvane Question Yes|No default No, window enabled: 当前文件夹内的所有文本文件"
                               "将作如下整理:\n\n1.删除空行!\n2.\"天气\"字符替换为\"天色\"!\n\n是否继续?"};
    QCOMPARE(Tidy({QMessageBox::No}), question);
    QCOMPARE(Files(), kStory + "|" + kOther);
    QVERIFY(Progress().isEmpty());

    QCOMPARE(Tidy({QMessageBox::Yes}), question);
    QCOMPARE(Files(), QByteArray("今天的天色\r\n很好。\r\n|天色\r\n完\r\n"));
    QCOMPARE(ReadBytes(Path("A/notes.md")), kStory);
    QCOMPARE(Progress(), QString(66, QChar(0x25A0)));
    QVERIFY(Find<QLabel>("lblCourse")->fontMetrics().horizontalAdvance(Progress()) <=
            Find<QLabel>("lblCourse")->width());
    QVERIFY(window_->isEnabled());
    QVERIFY(!QApplication::overrideCursor());

    // The failure is reported while the window is still busy, and the box
    // must take the answer; the run stops before b.TXT.
    QFile::remove(Path("A/a.txt"));
    Find<QRadioButton>("optAdd")->click();
    const QStringList boxes = Tidy({QMessageBox::Yes, QMessageBox::Ok});
    QCOMPARE(boxes.size(), 2);
    QCOMPARE(boxes[1], "Quelvane Information Ok default Ok, window disabled, wait cursor: 无法打开文件“a.txt”：文件不存在。");
    QCOMPARE(ReadBytes(Path("A/b.TXT")), QByteArray("天色\r\n完\r\n"));
    QVERIFY(Progress().isEmpty());
    QVERIFY(window_->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
  }

  void noticesEndTheRunWithNothingChanged_data() {
    QTest::addColumn<QString>("divideLength");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("message");
    QTest::newRow("nothing to do") << QString() << "A" << "没有设置整理方式及内容！";
    QTest::newRow("bad length") << "x" << "A" << "分段字符数应键入正整数！";
    QTest::newRow("no files") << "8" << "A/Sub2" << "当前文件夹内没有文本文件！";
  }
  void noticesEndTheRunWithNothingChanged() {
    QFETCH(QString, divideLength);
    QFETCH(QString, folder);
    QFETCH(QString, message);
    Open();
    if (!divideLength.isEmpty()) {
      Find<QRadioButton>("optDivide")->click();
      Find<QLineEdit>("txtDivide")->setText(divideLength);
    }
    emit Find<FolderList>("dirTrim")->folderChosen(QFile::encodeName(Path(folder)));
    QCOMPARE(Tidy({QMessageBox::Ok}), QStringList{"Quelvane Information Ok default Ok, window enabled: " + message});
    QCOMPARE(Files(), kStory + "|" + kOther);
  }

  void buttonsReadInChinese() {
    if (!translated_) QSKIP("Qt's Simplified Chinese translation (qt6-translations-l10n) is not installed");
    Open();
    QStringList notice, question;
    Tidy({QMessageBox::Ok}, &notice);
    Find<QRadioButton>("optAdd")->click();
    Tidy({QMessageBox::No}, &question);
    QCOMPARE(notice, QStringList{"确定"});
    QCOMPARE(question, QStringList{"是(&Y)|否(&N)"});
  }

  // The drive list offers the root, devices and network shares, each mount
  // point once; not pseudo file systems, program images or unreadable lines.
  void userMountPoints() {
    const auto points = [](const QByteArray& mountInfo) {
      const std::vector<QString> points = UserMountPoints(mountInfo);
      return QStringList(points.begin(), points.end());
    };
    QCOMPARE(points("1 0 0:50 / / rw - overlay overlay rw,lowerdir=/a\n"), QStringList{"/"});
    QCOMPARE(points("27 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
                    "22 27 0:21 / /proc rw - proc proc rw\n"
                    "23 27 0:22 / /sys rw - sysfs sysfs rw\n"
                    "24 27 0:6 / /dev rw - devtmpfs udev rw\n"
                    "25 24 0:23 / /run rw shared:5 - tmpfs tmpfs rw\n"
                    "32 23 0:29 / /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n"
                    "40 27 8:17 / /data rw - ext4 /dev/sdb1 rw\n"
                    "41 27 8:17 / /home rw shared:1 master:2 - ext4 /dev/sdb1 rw\n"
                    "42 27 8:33 / /media/u/USB\\040Stick rw - vfat /dev/sdc1 rw\n"
                    "43 27 0:60 / /mnt/nas rw - cifs //nas/share rw\n"
                    "44 27 0:61 / /mnt/nfs rw - nfs4 server:/export rw\n"
                    "45 27 8:18 / /data rw - ext4 /dev/sdb2 rw\n"  // hides the first /data
                    "50 27 7:0 / /snap/core/1 ro - squashfs /dev/loop0 ro\n"
                    "garbage\n\n"),
             (QStringList{"/", "/home", "/media/u/USB Stick", "/mnt/nas", "/mnt/nfs", "/data"}));
  }

  // Which drive a folder lies on, and each drive's folder at first.
  void folderLiesOnTheLongestMountPoint() {
    const Drives drives({{"/", {}}, {"/home", {}}, {"/home/u/usb", {}}}, "/home/u");
    QCOMPARE(drives.DriveOf("/home/u/usb/books"), 2);
    QCOMPARE(drives.DriveOf("/home/u"), 1);
    QCOMPARE(drives.DriveOf("/home"), 1);
    QCOMPARE(drives.DriveOf("/homework"), 0);
    QCOMPARE(drives.DriveOf("relative"), -1);
    QCOMPARE(drives.CurrentFolder(0), QByteArray("/"));
    QCOMPARE(drives.CurrentFolder(1), QByteArray("/home/u"));
  }
};

QTEST_MAIN(FrmMainTest)
#include "frm_main_test.moc"
