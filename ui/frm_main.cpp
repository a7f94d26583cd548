#include "frm_main.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

#include <string>
#include <vector>

#include "app_info.h"
#include "batch_run.h"
#include "display_name.h"
#include "folder_list.h"
#include "frm_main_run_window.h"
#include "platform/folder_listing.h"
#include "run_summary.h"
#include "settings_from_controls.h"
#include "volumes.h"

namespace quelvane {
namespace {

constexpr int kNameRole = Qt::UserRole;  // the file name's bytes, as the engine wants them
constexpr qsizetype kMaxDivideLength = 4;

QByteArray CleanPath(const QString& folder) { return QFile::encodeName(QDir::cleanPath(folder)); }

}  // namespace

FrmMain::FrmMain(const VolumeSource& volumes, const QString& programFolder, const QString& startFolder,
                 QWidget* parent)
    : QWidget(parent), c_(CreateFrmMainControls(this)), drives_(volumes.Volumes(), CleanPath(startFolder)) {
  for (const Volume& volume : drives_.volumes()) c_.driTrim->addItem(VolumeCaption(volume));

  connect(c_.driTrim, &QComboBox::currentIndexChanged, this, &FrmMain::ChangeDrive);
  connect(c_.dirTrim, &FolderList::folderChosen, this, &FrmMain::ChangeFolder);
  connect(c_.filTrim, &QListWidget::itemClicked, this, &FrmMain::FillFileList);
  for (QRadioButton* mode : {c_.optParagraph, c_.optDivide, c_.optLink}) {
    connect(mode, &QRadioButton::clicked, this, &FrmMain::UpdateParagraphControls);
  }
  connect(c_.txtDivide, &QLineEdit::textChanged, this, &FrmMain::HoldDivideLength);
  connect(c_.cmdTrim, &QPushButton::clicked, this, &FrmMain::Tidy);
  connect(c_.cmdExit, &QPushButton::clicked, this, &FrmMain::Exit);

  Open(CleanPath(programFolder), CleanPath(startFolder));
}

void FrmMain::Open(const QByteArray& programFolder, const QByteArray& startFolder) {
  // The lists start at the process's current folder; only a different
  // drive for the program's folder moves them.
  if (!ChangeFolder(startFolder)) {
    const QSignalBlocker quiet(c_.driTrim);
    c_.driTrim->setCurrentIndex(drives_.DriveOf(startFolder));
  }
  c_.driTrim->setCurrentIndex(drives_.DriveOf(programFolder));
  setWindowTitle(ApplicationTitle());
}

// Failures are silent: an unreadable drive leaves the folder list where it
// was, and putting the drive list back on that folder's drive is itself a
// drive change, which shows the folder again.
void FrmMain::ChangeDrive(int drive) {
  if (drive < 0) return;
  ChangeFolder(drives_.CurrentFolder(drive));
  const int shown = drives_.DriveOf(c_.dirTrim->folder());
  if (shown >= 0 && shown != drive) c_.driTrim->setCurrentIndex(shown);
}

bool FrmMain::ChangeFolder(const QByteArray& folder) {
  const int drive = drives_.DriveOf(folder);
  if (drive < 0 || !c_.dirTrim->ShowFolder(drives_.Root(drive), folder)) {
    return false;
  }
  drives_.Remember(folder);
  // Entering a folder that is another volume's mount point moves to that
  // volume; the drive list follows without starting a drive change.
  if (c_.driTrim->currentIndex() != drive) {
    const QSignalBlocker quiet(c_.driTrim);
    c_.driTrim->setCurrentIndex(drive);
  }
  FillFileList();
  return true;
}

void FrmMain::FillFileList() {
  fileFolder_ = c_.dirTrim->folder();
  const QListWidgetItem* chosen = c_.filTrim->currentItem();
  const QByteArray chosenName = chosen ? chosen->data(kNameRole).toByteArray() : QByteArray();
  std::vector<std::string> names;
  // A folder that cannot be listed shows no files.
  ListTextFiles(fileFolder_.toStdString(), names);
  c_.filTrim->clear();
  for (const std::string& name : names) {
    auto* item = new QListWidgetItem(QString::fromStdU16String(DisplayName(name)), c_.filTrim);
    item->setData(kNameRole, QByteArray::fromStdString(name));
    if (item->data(kNameRole).toByteArray() == chosenName) c_.filTrim->setCurrentItem(item);
  }
}

void FrmMain::UpdateParagraphControls() {
  const bool divide = c_.optDivide->isChecked();
  c_.labDivide->setEnabled(divide);
  c_.txtDivide->setEnabled(divide);
  const bool link = c_.optLink->isChecked();
  for (size_t i = 0; i < c_.labTop.size(); ++i) {
    c_.labTop[i]->setEnabled(link);
    c_.labLink[i]->setEnabled(link);
    c_.txtLink[i]->setEnabled(link);
  }
  c_.chkOrdinal->setEnabled(link);
  if (!c_.chkOrdinal->isEnabled()) c_.chkOrdinal->setChecked(false);
}

void FrmMain::HoldDivideLength() {
  const QString text = c_.txtDivide->text();
  if (text.size() > kMaxDivideLength) c_.txtDivide->setText(text.left(kMaxDivideLength));
}

void FrmMain::Tidy() {
  FileListing files;
  files.folder = fileFolder_.toStdString();
  for (int i = 0; i < c_.filTrim->count(); ++i) {
    files.names.push_back(c_.filTrim->item(i)->data(kNameRole).toByteArray().toStdString());
  }
  FrmMainRunWindow window(*this, *c_.lblCourse);
  RunTidy(ReadTidySettings(c_), files, &BuildRunSummary, window);
}

void FrmMain::Exit() {
  close();
  QCoreApplication::quit();
}

}  // namespace quelvane
