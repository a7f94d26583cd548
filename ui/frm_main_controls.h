#pragma once
// Every control of the main window, named as the user documentation and the
// tidy settings name them, placed at its fixed position with its caption and
// start state. Behaviour is wired up by FrmMain; this is layout only.

#include <array>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace quelvane {

class FolderList;

struct FrmMainControls {
  QPlainTextEdit* txtHelp = nullptr;
  QComboBox* driTrim = nullptr;
  FolderList* dirTrim = nullptr;
  QListWidget* filTrim = nullptr;
  QPushButton* cmdTrim = nullptr;
  QPushButton* cmdExit = nullptr;
  QLabel* lblCourse = nullptr;

  QGroupBox* frmAll = nullptr;
  QLabel* labAll = nullptr;
  QLabel* labLeft = nullptr;
  QLabel* labRight = nullptr;
  std::array<QLineEdit*, 4> txtAllS{}, txtAllT{};
  std::array<QLineEdit*, 4> txtLeftS{}, txtLeftT{};
  std::array<QLineEdit*, 4> txtRightS{}, txtRightT{};

  QGroupBox* frmParagraph = nullptr;
  QRadioButton* optLink = nullptr;
  std::array<QLabel*, 5> labTop{};
  std::array<QLineEdit*, 5> txtLink{};
  std::array<QLabel*, 5> labLink{};
  QCheckBox* chkOrdinal = nullptr;
  QRadioButton* optDivide = nullptr;
  QLabel* labDivide = nullptr;
  QLineEdit* txtDivide = nullptr;
  QRadioButton* optParagraph = nullptr;

  QGroupBox* frmBegin = nullptr;
  std::array<QLabel*, 2> LabBegin{}, LabEnd{};
  std::array<QLineEdit*, 2> txtBegin{}, txtEnd{};

  QGroupBox* frmBlank = nullptr;
  QRadioButton* optDelete = nullptr;
  QRadioButton* optAdd = nullptr;
  QRadioButton* optBlank = nullptr;

  QGroupBox* frmReplace = nullptr;
  QLineEdit* txtReplaceS = nullptr;
  QLabel* labReplace = nullptr;
  QLineEdit* txtReplaceT = nullptr;
};

// Creates every control as a child of `window` (whose client area it also
// fixes) and returns them.
FrmMainControls CreateFrmMainControls(QWidget* window);

}  // namespace quelvane
