#include "settings_from_controls.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

namespace quelvane {
namespace {

std::u16string Text(const QLineEdit* box) { return box->text().toStdU16String(); }

template <size_t N>
std::array<std::u16string, N> Texts(const std::array<QLineEdit*, N>& boxes) {
  std::array<std::u16string, N> texts;
  for (size_t i = 0; i < N; ++i) texts[i] = Text(boxes[i]);
  return texts;
}

}  // namespace

TidySettings ReadTidySettings(const FrmMainControls& c) {
  TidySettings settings;
  settings.txtAllS = Texts(c.txtAllS);
  settings.txtAllT = Texts(c.txtAllT);
  settings.txtLeftS = Texts(c.txtLeftS);
  settings.txtLeftT = Texts(c.txtLeftT);
  settings.txtRightS = Texts(c.txtRightS);
  settings.txtRightT = Texts(c.txtRightT);
  settings.txtReplaceS = Text(c.txtReplaceS);
  settings.txtReplaceT = Text(c.txtReplaceT);
  settings.txtBegin = Texts(c.txtBegin);
  settings.txtEnd = Texts(c.txtEnd);

  settings.paragraphMode = c.optLink->isChecked()     ? ParagraphMode::Link
                           : c.optDivide->isChecked() ? ParagraphMode::Divide
                                                      : ParagraphMode::Keep;
  settings.txtDivide = Text(c.txtDivide);
  settings.txtLink = Texts(c.txtLink);
  settings.chkOrdinal = c.chkOrdinal->isChecked();

  settings.blankLineMode = c.optDelete->isChecked() ? BlankLineMode::Delete
                           : c.optAdd->isChecked()  ? BlankLineMode::OneBetween
                                                    : BlankLineMode::Keep;
  return settings;
}

}  // namespace quelvane
