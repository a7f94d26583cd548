#pragma once
// The program's one window. FrmMainControls lays the controls out; this
// class gives them their behaviour: the drive, folder and file lists follow
// one another and always show the folder whose files are listed, the
// paragraph modes enable their own controls, the division length stays
// within four characters, and the run button hands the options and the
// listed files to the engine's RunTidy, with FrmMainRunWindow as the run's
// view of the window.

#include <QByteArray>
#include <QString>
#include <QWidget>

#include "drives.h"
#include "frm_main_controls.h"

class QKeyEvent;

namespace quelvane {

class VolumeSource;

class FrmMain : public QWidget {
  Q_OBJECT

 public:
  // The drive list offers `volumes` and opens on the drive of
  // `programFolder`; the folder list starts at `startFolder` (the process's
  // current folder).
  FrmMain(const VolumeSource& volumes, const QString& programFolder, const QString& startFolder,
          QWidget* parent = nullptr);

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Open(const QByteArray& programFolder, const QByteArray& startFolder);
  void ChangeDrive(int drive);
  bool StepDrive(const QKeyEvent& key);
  bool ShowFolder(const QByteArray& folder);
  void ChangeFolder(const QByteArray& folder);
  void ReturnToListedFolder();
  bool ListedFolderGone() const;
  void FillFileList();
  void UpdateParagraphControls();
  void HoldDivideLength();
  void Tidy();
  void Exit();

  FrmMainControls controls_;
  Drives drives_;
  QByteArray fileFolder_;  // the folder whose files filTrim lists
  bool tidying_ = false;
  bool closeHeld_ = false;  // the window was closed during a run
};

}  // namespace quelvane
