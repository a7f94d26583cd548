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
#include "text/display_name.h"
#include "folder_list.h"
#include "frm_main_run_window.h"
#include "option_fields.h"
#include "platform/folder_listing.h"
#include "run_messages.h"
#include "settings_from_controls.h"
#include "volumes.h"

namespace quelvane {
namespace {

constexpr int kNameRole = Qt::UserRole;  // the file name's bytes, as the engine wants them

QByteArray CleanPath(const QString& folder) { return QFile::encodeName(QDir::cleanPath(folder)); }

}  // namespace

FrmMain::FrmMain(const VolumeSource& volumes, const QString& programFolder, const QString& startFolder,
                 QWidget* parent)
    : QWidget(parent), controls_(CreateFrmMainControls(this)), drives_(volumes.Volumes(), CleanPath(startFolder)) {
  for (const Volume& volume : drives_.volumes()) controls_.driTrim->addItem(VolumeCaption(volume));

  connect(controls_.driTrim, &QComboBox::currentIndexChanged, this, &FrmMain::ChangeDrive);
  connect(controls_.dirTrim, &FolderList::folderChosen, this, &FrmMain::ChangeFolder);
  connect(controls_.filTrim, &QListWidget::itemClicked, this, &FrmMain::FillFileList);
  for (QRadioButton* mode : {controls_.optParagraph, controls_.optDivide, controls_.optLink}) {
    connect(mode, &QRadioButton::clicked, this, &FrmMain::UpdateParagraphControls);
  }
  connect(controls_.txtDivide, &QLineEdit::textChanged, this, &FrmMain::HoldDivideLength);
  connect(controls_.cmdTrim, &QPushButton::clicked, this, &FrmMain::Tidy);
  connect(controls_.cmdExit, &QPushButton::clicked, this, &FrmMain::Exit);

  Open(CleanPath(programFolder), CleanPath(startFolder));
}

void FrmMain::Open(const QByteArray& programFolder, const QByteArray& startFolder) {
  // The lists start at the process's current folder; only a different
  // drive for the program's folder moves them.
  if (!ChangeFolder(startFolder)) {
    const QSignalBlocker quiet(controls_.driTrim);
    controls_.driTrim->setCurrentIndex(drives_.DriveOf(startFolder));
  }
  controls_.driTrim->setCurrentIndex(drives_.DriveOf(programFolder));
  setWindowTitle(ApplicationTitle());
}

// Failures are silent: an unreadable drive leaves the folder list where it
// was, and putting the drive list back on that folder's drive is itself a
// drive change, which shows the folder again.
void FrmMain::ChangeDrive(int drive) {
  if (drive < 0) return;
  ChangeFolder(drives_.CurrentFolder(drive));
  const int shown = drives_.DriveOf(controls_.dirTrim->folder());
  if (shown >= 0 && shown != drive) controls_.driTrim->setCurrentIndex(shown);
}

bool FrmMain::ChangeFolder(const QByteArray& folder) {
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
  FileListing files;
  files.folder = fileFolder_.toStdString();
  for (int i = 0; i < controls_.filTrim->count(); ++i) {
    files.names.push_back(controls_.filTrim->item(i)->data(kNameRole).toByteArray().toStdString());
  }
  FrmMainRunWindow window(*this, *controls_.lblCourse);
  const RunReport report = RunTidy(ReadTidySettings(*this), files, window);
  if (const std::u16string notice = LeftAloneNotice(report); !notice.empty()) window.ShowNotice(notice);
}

void FrmMain::Exit() {
  close();
  QCoreApplication::quit();
}

}  // namespace quelvane
