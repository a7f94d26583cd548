#include "frm_main_controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <vector>

#include "eliding_rows.h"
#include "folder_list.h"
#include "help_text.h"
#include "twips.h"

namespace quelvane {
namespace {

// The layout is fixed in pixels, so the captions must be drawn at the size
// the layout was made for: the system's font family at 9 pt.
constexpr double kControlPointSize = 9.0;
constexpr double kHelpPointSize = 9.75;

QString Indexed(const char* name, size_t index) {
  return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

template <typename Control>
Control* Place(QWidget* container, const QString& name, const QRect& geometry) {
  auto* control = new Control(container);
  control->setObjectName(name);
  control->setGeometry(geometry);
  return control;
}

// Screen readers announce a control by its accessible name: a captioned
// control's is its caption, without the mnemonic marker.
template <typename Control>
Control* Captioned(QWidget* container, const QString& name, const QString& caption, const QRect& geometry) {
  auto* control = Place<Control>(container, name, geometry);
  control->setText(caption);
  control->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
  return control;
}

// The controls inside a frame start 16 px below its top, so the caption
// must sit on the frame's top line rather than above it, as many styles
// draw it.
const QString kFrameStyle = QStringLiteral(
    "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 6px; }"
    "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 6px;"
    " padding: 0px 2px; background-color: palette(window); }");

QGroupBox* Frame(QWidget* window, const char* name, const QString& caption, const QRect& geometry) {
  auto* frame = Place<QGroupBox>(window, QLatin1String(name), geometry);
  frame->setTitle(caption);
  frame->setAccessibleName(caption);
  frame->setStyleSheet(kFrameStyle);
  return frame;
}

// Paints a text box's background in another role's colour, in every state,
// so that enabling or disabling the box never changes it.
void SetBackground(QLineEdit* box, QPalette::ColorRole role) {
  QPalette palette = box->palette();
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    palette.setColor(group, QPalette::Base, palette.color(group, role));
  }
  box->setPalette(palette);
}

QFont HelpFont() {
  const QStringList families = QFontDatabase::families();
  QFont font;
  if (families.contains(QStringLiteral("MS Sans Serif"))) {
    font.setFamily(QStringLiteral("MS Sans Serif"));
  } else {
    font.setFamilies({QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Micro Hei"),
                      QStringLiteral("Source Han Sans SC"), QStringLiteral("Droid Sans Fallback")});
    font.setStyleHint(QFont::SansSerif);
  }
  font.setPointSizeF(kHelpPointSize);
  return font;
}

// One box per row at the given tops, in index order.
template <size_t N>
void TextBoxColumn(QWidget* frame, const char* name, int left, const std::array<int, N>& tops, int width,
                   std::array<QLineEdit*, N>& boxes) {
  for (size_t i = 0; i < N; ++i) {
    boxes[i] = Place<QLineEdit>(frame, Indexed(name, i), TwipsRect(left, tops[i], width, 285));
  }
}

void CreateWholeLineRules(QWidget* window, FrmMainControls& c) {
  c.frmAll = Frame(window, "frmAll", QStringLiteral("整行替换"), TwipsRect(3505, 120, 5175, 4650));
  c.labAll = Captioned<QLabel>(c.frmAll, QStringLiteral("labAll"),
                               QStringLiteral("与左栏内容相同的行，整行替换为对应右栏中的内容"),
                               TwipsRect(240, 240, 4140, 195));
  TextBoxColumn<4>(c.frmAll, "txtAllS", 120, {480, 780, 1080, 1380}, 2400, c.txtAllS);
  TextBoxColumn<4>(c.frmAll, "txtAllT", 2640, {480, 780, 1080, 1380}, 2400, c.txtAllT);
  c.labLeft = Captioned<QLabel>(c.frmAll, QStringLiteral("labLeft"),
                                QStringLiteral("以左栏内容开头的行，整行替换为对应右栏中的内容"),
                                TwipsRect(240, 1710, 4140, 195));
  TextBoxColumn<4>(c.frmAll, "txtLeftS", 120, {1920, 2220, 2520, 2820}, 2400, c.txtLeftS);
  TextBoxColumn<4>(c.frmAll, "txtLeftT", 2640, {1920, 2220, 2520, 2820}, 2400, c.txtLeftT);
  c.labRight = Captioned<QLabel>(c.frmAll, QStringLiteral("labRight"),
                                 QStringLiteral("以左栏内容结尾的行，整行替换为对应右栏中的内容"),
                                 TwipsRect(240, 3120, 4140, 195));
  // Unevenly spaced on purpose, not a slip: every control keeps the place,
  // to the twip, that users of the window know.
  TextBoxColumn<4>(c.frmAll, "txtRightS", 120, {3360, 3690, 3960, 4260}, 2400, c.txtRightS);
  TextBoxColumn<4>(c.frmAll, "txtRightT", 2640, {3360, 3690, 3960, 4260}, 2400, c.txtRightT);
}

void CreateParagraphModes(QWidget* window, FrmMainControls& c) {
  c.frmParagraph = Frame(window, "frmParagraph", QStringLiteral("段落处理"), TwipsRect(3505, 4800, 5175, 2820));
  QWidget* frame = c.frmParagraph;
  c.optLink = Captioned<QRadioButton>(frame, QStringLiteral("optLink"), QStringLiteral("断行续接"),
                                      TwipsRect(120, 240, 1095, 255));
  const std::array<int, 5> markerTops{240, 540, 840, 1140, 1440};
  for (size_t i = 0; i < markerTops.size(); ++i) {
    c.labTop[i] = Captioned<QLabel>(frame, Indexed("labTop", i), QStringLiteral("以"),
                                    TwipsRect(1245, markerTops[i], 240, 285));
  }
  TextBoxColumn<5>(frame, "txtLink", 1485, markerTops, 2355, c.txtLink);
  for (size_t i = 0; i < markerTops.size(); ++i) {
    c.labLink[i] = Captioned<QLabel>(frame, Indexed("labLink", i), QStringLiteral("开头视为整段"),
                                     TwipsRect(3840, markerTops[i], 1155, 285));
  }
  c.chkOrdinal = Captioned<QCheckBox>(frame, QStringLiteral("chkOrdinal"), QStringLiteral("以序数词开头视为整段"),
                                      TwipsRect(1230, 1800, 2145, 255));
  c.optDivide = Captioned<QRadioButton>(frame, QStringLiteral("optDivide"), QStringLiteral("等长分段"),
                                        TwipsRect(105, 2160, 1095, 255));
  c.labDivide = Captioned<QLabel>(frame, QStringLiteral("labDivide"), QStringLiteral("分段后每段最多保留的字符数："),
                                  TwipsRect(1245, 2160, 2595, 285));
  c.txtDivide = Place<QLineEdit>(frame, QStringLiteral("txtDivide"), TwipsRect(3840, 2160, 1155, 285));
  c.optParagraph = Captioned<QRadioButton>(frame, QStringLiteral("optParagraph"), QStringLiteral("不调段落"),
                                           TwipsRect(105, 2520, 1095, 255));

  // Keep mode at start: the controls of the other two modes wait disabled.
  c.optParagraph->setChecked(true);
  for (size_t i = 0; i < markerTops.size(); ++i) {
    c.labTop[i]->setEnabled(false);
    c.txtLink[i]->setEnabled(false);
    c.labLink[i]->setEnabled(false);
    SetBackground(c.txtLink[i], QPalette::Button);
  }
  c.chkOrdinal->setEnabled(false);
  c.labDivide->setEnabled(false);
  c.txtDivide->setEnabled(false);
  SetBackground(c.txtDivide, QPalette::Button);
}

void CreateHeadAndTail(QWidget* window, FrmMainControls& c) {
  c.frmBegin = Frame(window, "frmBegin", QStringLiteral("首尾处理"), TwipsRect(8760, 4200, 3300, 1590));
  QWidget* frame = c.frmBegin;
  // Index 0 adds text, index 1 removes it.
  c.LabBegin[0] = Captioned<QLabel>(frame, Indexed("LabBegin", 0), QStringLiteral("段首增加文字"),
                                    TwipsRect(120, 240, 1080, 180));
  c.txtBegin[0] = Place<QLineEdit>(frame, Indexed("txtBegin", 0), TwipsRect(1260, 210, 1935, 285));
  c.LabEnd[0] = Captioned<QLabel>(frame, Indexed("LabEnd", 0), QStringLiteral("段尾增加文字"),
                                  TwipsRect(120, 570, 1080, 180));
  c.txtEnd[0] = Place<QLineEdit>(frame, Indexed("txtEnd", 0), TwipsRect(1260, 540, 1935, 285));
  c.LabBegin[1] = Captioned<QLabel>(frame, Indexed("LabBegin", 1), QStringLiteral("段首取消文字"),
                                    TwipsRect(120, 900, 1080, 180));
  c.txtBegin[1] = Place<QLineEdit>(frame, Indexed("txtBegin", 1), TwipsRect(1260, 870, 1935, 285));
  c.LabEnd[1] = Captioned<QLabel>(frame, Indexed("LabEnd", 1), QStringLiteral("段尾取消文字"),
                                  TwipsRect(120, 1230, 1080, 180));
  c.txtEnd[1] = Place<QLineEdit>(frame, Indexed("txtEnd", 1), TwipsRect(1260, 1200, 1935, 285));
  for (QLineEdit* box : {c.txtBegin[0], c.txtEnd[0], c.txtBegin[1], c.txtEnd[1]}) {
    SetBackground(box, QPalette::HighlightedText);
  }
}

void CreateBlankLineModes(QWidget* window, FrmMainControls& c) {
  c.frmBlank = Frame(window, "frmBlank", QStringLiteral("空行处理"), TwipsRect(8760, 5850, 3300, 615));
  c.optDelete = Captioned<QRadioButton>(c.frmBlank, QStringLiteral("optDelete"), QStringLiteral("删除空行"),
                                        TwipsRect(90, 240, 1020, 255));
  c.optAdd = Captioned<QRadioButton>(c.frmBlank, QStringLiteral("optAdd"), QStringLiteral("段间设行"),
                                     TwipsRect(1170, 240, 1020, 255));
  c.optBlank = Captioned<QRadioButton>(c.frmBlank, QStringLiteral("optBlank"), QStringLiteral("不调空行"),
                                       TwipsRect(2235, 240, 1020, 255));
  c.optBlank->setChecked(true);
}

void CreateFindAndReplace(QWidget* window, FrmMainControls& c) {
  c.frmReplace = Frame(window, "frmReplace", QStringLiteral("文字替换"), TwipsRect(8760, 6560, 3300, 615));
  c.txtReplaceS = Place<QLineEdit>(c.frmReplace, QStringLiteral("txtReplaceS"), TwipsRect(105, 210, 1275, 315));
  c.labReplace = Captioned<QLabel>(c.frmReplace, QStringLiteral("labReplace"), QStringLiteral("替换为"),
                                   TwipsRect(1380, 210, 600, 315));
  c.labReplace->setAlignment(Qt::AlignCenter);
  c.txtReplaceT = Place<QLineEdit>(c.frmReplace, QStringLiteral("txtReplaceT"), TwipsRect(1995, 210, 1275, 315));
  SetBackground(c.txtReplaceS, QPalette::HighlightedText);
  SetBackground(c.txtReplaceT, QPalette::HighlightedText);
}

void CreateHelp(QWidget* window, FrmMainControls& c) {
  c.txtHelp = Place<QPlainTextEdit>(window, QStringLiteral("txtHelp"), TwipsRect(120, 120, 3300, 7500));
  c.txtHelp->setFont(HelpFont());
  c.txtHelp->setReadOnly(true);
  c.txtHelp->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  c.txtHelp->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  c.txtHelp->setPlainText(HelpText());
  c.txtHelp->moveCursor(QTextCursor::Start);
}

void CreateListsAndButtons(QWidget* window, FrmMainControls& c) {
  c.driTrim = Place<QComboBox>(window, QStringLiteral("driTrim"), TwipsRect(8760, 120, 3300, 300));
  c.dirTrim = Place<FolderList>(window, QStringLiteral("dirTrim"), TwipsRect(8760, 480, 3300, 1140));
  c.filTrim = Place<QListWidget>(window, QStringLiteral("filTrim"), TwipsRect(8760, 1710, 3300, 2430));
  // Names that share a long start, as the volumes of one novel do, still
  // differ where they end.
  c.filTrim->setTextElideMode(Qt::ElideMiddle);
  c.filTrim->setItemDelegate(new ElidingRows(c.filTrim));
  c.cmdTrim = Captioned<QPushButton>(window, QStringLiteral("cmdTrim"), QStringLiteral("整理&T"),
                                     TwipsRect(8910, 7230, 1350, 360));
  c.cmdExit = Captioned<QPushButton>(window, QStringLiteral("cmdExit"), QStringLiteral("退出&X"),
                                     TwipsRect(10560, 7230, 1350, 360));
  c.lblCourse = Place<QLabel>(window, QStringLiteral("lblCourse"), TwipsRect(120, 7680, 11940, 210));
  // The progress is watched while the window is disabled: the squares keep
  // their normal colour rather than the disabled grey.
  QPalette progress = c.lblCourse->palette();
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text}) {
    progress.setColor(QPalette::Disabled, role, progress.color(QPalette::Active, role));
  }
  c.lblCourse->setPalette(progress);
}

// The run button comes first, then the lists that choose the files, then the
// options from top left to bottom right.
void SetTabOrder(const FrmMainControls& c) {
  std::vector<QWidget*> order{c.cmdTrim, c.cmdExit, c.driTrim, c.dirTrim, c.filTrim};
  auto pairs = [&order](const std::array<QLineEdit*, 4>& left, const std::array<QLineEdit*, 4>& right) {
    for (size_t i = 0; i < left.size(); ++i) order.insert(order.end(), {left[i], right[i]});
  };
  pairs(c.txtAllS, c.txtAllT);
  pairs(c.txtLeftS, c.txtLeftT);
  pairs(c.txtRightS, c.txtRightT);
  order.push_back(c.optLink);
  order.insert(order.end(), c.txtLink.begin(), c.txtLink.end());
  order.insert(order.end(), {c.chkOrdinal, c.optDivide, c.txtDivide, c.optParagraph});
  for (size_t i = 0; i < 2; ++i) order.insert(order.end(), {c.txtBegin[i], c.txtEnd[i]});
  order.insert(order.end(), {c.optDelete, c.optAdd, c.optBlank, c.txtReplaceS, c.txtReplaceT, c.txtHelp});
  for (size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

// Boxes and lists have no caption of their own, so screen readers get a short
// description; a label names the box beside or below it as its buddy.
void NameForScreenReaders(const FrmMainControls& c) {
  auto pairs = [](const QString& rows, const std::array<QLineEdit*, 4>& find,
                  const std::array<QLineEdit*, 4>& replace) {
    for (size_t i = 0; i < find.size(); ++i) {
      find[i]->setAccessibleName(QStringLiteral("%1：查找 %2").arg(rows).arg(i + 1));
      replace[i]->setAccessibleName(QStringLiteral("%1：替换为 %2").arg(rows).arg(i + 1));
    }
  };
  pairs(QStringLiteral("整行相同"), c.txtAllS, c.txtAllT);
  pairs(QStringLiteral("开头相同"), c.txtLeftS, c.txtLeftT);
  pairs(QStringLiteral("结尾相同"), c.txtRightS, c.txtRightT);
  c.labAll->setBuddy(c.txtAllS[0]);
  c.labLeft->setBuddy(c.txtLeftS[0]);
  c.labRight->setBuddy(c.txtRightS[0]);

  for (size_t i = 0; i < c.txtLink.size(); ++i) {
    c.txtLink[i]->setAccessibleName(QStringLiteral("整段标记 %1").arg(i + 1));
    c.labTop[i]->setBuddy(c.txtLink[i]);
    c.labLink[i]->setBuddy(c.txtLink[i]);
  }
  c.txtDivide->setAccessibleName(QStringLiteral("分段后每段最多保留的字符数"));
  c.labDivide->setBuddy(c.txtDivide);

  for (size_t i = 0; i < 2; ++i) {
    c.txtBegin[i]->setAccessibleName(c.LabBegin[i]->text());
    c.LabBegin[i]->setBuddy(c.txtBegin[i]);
    c.txtEnd[i]->setAccessibleName(c.LabEnd[i]->text());
    c.LabEnd[i]->setBuddy(c.txtEnd[i]);
  }
  c.txtReplaceS->setAccessibleName(QStringLiteral("文字替换：查找"));
  c.txtReplaceT->setAccessibleName(QStringLiteral("文字替换：替换为"));
  c.labReplace->setBuddy(c.txtReplaceT);

  c.driTrim->setAccessibleName(QStringLiteral("驱动器"));
  c.dirTrim->setAccessibleName(QStringLiteral("文件夹"));
  c.filTrim->setAccessibleName(QStringLiteral("文件列表"));
  c.txtHelp->setAccessibleName(QStringLiteral("使用说明"));
  c.lblCourse->setAccessibleName(QStringLiteral("整理进度"));
  // The mnemonic letter trails the Chinese word; Alt+T is announced apart.
  c.cmdTrim->setAccessibleName(QStringLiteral("整理"));
  c.cmdExit->setAccessibleName(QStringLiteral("退出"));
}

}  // namespace

FrmMainControls CreateFrmMainControls(QWidget* window) {
  window->setObjectName(QStringLiteral("frmMain"));
  const QRect client = TwipsRect(0, 0, 12165, 8025);
  window->setFixedSize(client.size());
  QFont font = window->font();
  font.setPointSizeF(kControlPointSize);
  window->setFont(font);

  FrmMainControls c;
  CreateHelp(window, c);
  CreateWholeLineRules(window, c);
  CreateParagraphModes(window, c);
  CreateListsAndButtons(window, c);
  CreateHeadAndTail(window, c);
  CreateBlankLineModes(window, c);
  CreateFindAndReplace(window, c);
  SetTabOrder(c);
  NameForScreenReaders(c);
  c.cmdTrim->setFocus();
  return c;
}

}  // namespace quelvane
