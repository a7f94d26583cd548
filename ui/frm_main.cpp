#include "frm_main.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

#include <sys/stat.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "app_info.h"
#include "batch_run.h"
#include "text/display_name.h"
#include "folder_list.h"
#include "frm_main_run_window.h"
#include "message_boxes.h"
#include "option_fields.h"
#include "platform/folder_listing.h"
#include "platform/path.h"
#include "run_messages.h"
#include "settings_from_controls.h"
#include "volumes.h"

namespace quelvane {
namespace {

constexpr int kNameRole = Qt::UserRole;  // the file name's bytes, as the engine wants them

QByteArray CleanPath(const QString& folder) { return QFile::encodeName(QDir::cleanPath(folder)); }

// Tab enters an option group at its chosen button, from which the arrow keys
// move on; the other buttons are no stops of their own.
void TabToChosenButton(std::initializer_list<QRadioButton*> group) {
  const std::vector<QRadioButton*> buttons(group);
  auto follow = [buttons] {
    for (QRadioButton* button : buttons) button->setFocusPolicy(button->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
  };
  for (QRadioButton* button : buttons) QObject::connect(button, &QRadioButton::toggled, button, follow);
  follow();
}

}  // namespace

FrmMain::FrmMain(const VolumeSource& volumes, const QString& programFolder, const QString& startFolder,
                 QWidget* parent)
    : QWidget(parent), controls_(CreateFrmMainControls(this)), drives_(volumes.Volumes(), CleanPath(startFolder)) {
  for (const Volume& volume : drives_.volumes()) controls_.driTrim->addItem(VolumeCaption(volume));

  connect(controls_.driTrim, &QComboBox::currentIndexChanged, this, &FrmMain::ChangeDrive);
  connect(controls_.dirTrim, &FolderList::folderChosen, this, &FrmMain::ChangeFolder);
  controls_.driTrim->installEventFilter(this);
  controls_.dirTrim->viewport()->installEventFilter(this);
  controls_.filTrim->viewport()->installEventFilter(this);
  for (QRadioButton* mode : {controls_.optParagraph, controls_.optDivide, controls_.optLink}) {
    connect(mode, &QRadioButton::clicked, this, &FrmMain::UpdateParagraphControls);
  }
  TabToChosenButton({controls_.optLink, controls_.optDivide, controls_.optParagraph});
  TabToChosenButton({controls_.optDelete, controls_.optAdd, controls_.optBlank});
  connect(controls_.txtDivide, &QLineEdit::textChanged, this, &FrmMain::HoldDivideLength);
  connect(controls_.cmdTrim, &QPushButton::clicked, this, &FrmMain::Tidy);
  connect(controls_.cmdExit, &QPushButton::clicked, this, &FrmMain::Exit);

  Open(CleanPath(programFolder), CleanPath(startFolder));
}

void FrmMain::Open(const QByteArray& programFolder, const QByteArray& startFolder) {
  // The lists start at the process's current folder; only a different
  // drive for the program's folder moves them.
  if (!ShowFolder(startFolder)) {
    const QSignalBlocker quiet(controls_.driTrim);
    controls_.driTrim->setCurrentIndex(drives_.DriveOf(startFolder));
  }
  controls_.driTrim->setCurrentIndex(drives_.DriveOf(programFolder));
  setWindowTitle(ApplicationTitle());
}

// An unreadable drive leaves the lists where they were, and the drive list
// back on their drive.
void FrmMain::ChangeDrive(int drive) {
  if (drive >= 0) ChangeFolder(drives_.CurrentFolder(drive));
}

// The arrow keys of the closed drive list pass over drives that cannot be
// shown, rather than stopping before them: the move back is for a drive
// chosen, not one passed on the way to the next.
bool FrmMain::StepDrive(const QKeyEvent& key) {
  if (key.modifiers() & ~Qt::KeypadModifier) return false;  // Alt+Down opens the list
  const int count = controls_.driTrim->count();
  int from = controls_.driTrim->currentIndex(), step = 1;
  switch (key.key()) {
    case Qt::Key_Up:
    case Qt::Key_PageUp: step = -1; break;
    case Qt::Key_Down:
    case Qt::Key_PageDown: break;
    case Qt::Key_Home: from = -1; break;
    case Qt::Key_End:
      from = count;
      step = -1;
      break;
    default: return false;
  }
  for (int drive = from + step; drive >= 0 && drive < count; drive += step) {
    if (FolderList::CanShow(drives_.CurrentFolder(drive))) {
      controls_.driTrim->setCurrentIndex(drive);
      break;
    }
  }
  return true;
}

bool FrmMain::ShowFolder(const QByteArray& folder) {
  const int drive = drives_.DriveOf(folder);
  if (drive < 0 || !controls_.dirTrim->ShowFolder(drives_.Root(drive), folder)) {
    return false;
  }
  drives_.Remember(folder);
  // Entering a folder that is another volume's mount point moves to that
  // volume; the drive list follows without starting a drive change.
  if (controls_.driTrim->currentIndex() != drive) {
    const QSignalBlocker quiet(controls_.driTrim);
    controls_.driTrim->setCurrentIndex(drive);
  }
  FillFileList();
  return true;
}

// Failures are silent: the lists stay on a folder that can be read.
void FrmMain::ChangeFolder(const QByteArray& folder) {
  if (!ShowFolder(folder)) ReturnToListedFolder();
}

// Shows the listed folder again, its highlight back on it, or, once it is
// gone, the nearest folder above it that can be shown.
void FrmMain::ReturnToListedFolder() {
  for (std::string folder = fileFolder_.toStdString(); folder.starts_with('/'); folder = FolderOf(folder)) {
    if (ShowFolder(QByteArray::fromStdString(folder)) || folder == "/") return;
  }
}

bool FrmMain::ListedFolderGone() const {
  struct stat info {};
  return !fileFolder_.isEmpty() && (stat(fileFolder_.constData(), &info) != 0 || !S_ISDIR(info.st_mode));
}

bool FrmMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == controls_.driTrim && event->type() == QEvent::KeyPress) {
    return StepDrive(*static_cast<QKeyEvent*>(event));
  }
  // A click in either list first makes sure that the listed folder is still
  // there; one in the file list reads the folder again, even when the list
  // is empty.
  if (event->type() == QEvent::MouseButtonRelease) {
    if (ListedFolderGone()) ReturnToListedFolder();
    else if (watched == controls_.filTrim->viewport()) FillFileList();
  }
  return QWidget::eventFilter(watched, event);
}

void FrmMain::FillFileList() {
  fileFolder_ = controls_.dirTrim->folder();
  const QListWidgetItem* chosen = controls_.filTrim->currentItem();
  const QByteArray chosenName = chosen ? chosen->data(kNameRole).toByteArray() : QByteArray();
  std::vector<std::string> names;
  // A folder that cannot be listed shows no files.
  ListTextFiles(fileFolder_.toStdString(), names);
  controls_.filTrim->clear();
  for (const std::string& name : names) {
    auto* item = new QListWidgetItem(QString::fromStdU16String(DisplayName(name)), controls_.filTrim);
    item->setToolTip(item->text());
    item->setData(kNameRole, QByteArray::fromStdString(name));
    if (item->data(kNameRole).toByteArray() == chosenName) controls_.filTrim->setCurrentItem(item);
  }
}

void FrmMain::UpdateParagraphControls() {
  const bool divide = controls_.optDivide->isChecked();
  controls_.labDivide->setEnabled(divide);
  controls_.txtDivide->setEnabled(divide);
  const bool link = controls_.optLink->isChecked();
  for (size_t i = 0; i < controls_.labTop.size(); ++i) {
    controls_.labTop[i]->setEnabled(link);
    controls_.labLink[i]->setEnabled(link);
    controls_.txtLink[i]->setEnabled(link);
  }
  controls_.chkOrdinal->setEnabled(link);
  if (!controls_.chkOrdinal->isEnabled()) controls_.chkOrdinal->setChecked(false);
}

void FrmMain::HoldDivideLength() {
  const QString text = controls_.txtDivide->text();
  const auto limit = static_cast<qsizetype>(kDivideTextLimit);
  if (text.size() > limit) controls_.txtDivide->setText(text.left(limit));
}

void FrmMain::Tidy() {
  if (ListedFolderGone()) {
    ShowInformation(this, QString::fromStdU16String(DescribeMissingFolder(fileFolder_.toStdString())));
    ReturnToListedFolder();
    return;
  }
  FileListing files;
  files.folder = fileFolder_.toStdString();
  for (int i = 0; i < controls_.filTrim->count(); ++i) {
    files.names.push_back(controls_.filTrim->item(i)->data(kNameRole).toByteArray().toStdString());
  }
  FrmMainRunWindow window(*this, *controls_.lblCourse, *controls_.cmdTrim);
  tidying_ = true;
  const RunReport report = RunTidy(ReadTidySettings(*this), files, window);
  tidying_ = false;
  if (report.ending == RunReport::Ending::FolderUnavailable) ReturnToListedFolder();
  if (const std::u16string notice = LeftAloneNotice(report); !notice.empty()) window.ShowNotice(notice);
  if (closeHeld_) Exit();
}

// A close asked for while a run rewrites files waits until the run has ended
// and its box has been read.
void FrmMain::closeEvent(QCloseEvent* event) {
  if (tidying_) {
    closeHeld_ = true;
    event->ignore();
    return;
  }
  QWidget::closeEvent(event);
}

void FrmMain::Exit() {
  close();
  QCoreApplication::quit();
}

}  // namespace quelvane
