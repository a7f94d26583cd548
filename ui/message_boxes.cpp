#include "message_boxes.h"

#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>

#include <algorithm>

#include "app_info.h"
#include "wrapping_label.h"

namespace quelvane {
namespace {

QString PlainLines(QString text) { return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

// Shows the text of the box's label `name` in a WrappingLabel in its place.
// The label itself stays, hidden, holding the text that the box reports to
// screen readers and tests.
void WrapAnywhere(QMessageBox& box, const char* name) {
  auto* label = box.findChild<QLabel*>(QLatin1String(name));
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  const int index = grid && label ? grid->indexOf(label) : -1;
  if (index < 0) return;
  int row = 0, column = 0, rows = 0, columns = 0;
  grid->getItemPosition(index, &row, &column, &rows, &columns);
  // As wide as a message box grows before it wraps its text.
  const int widestLine = std::min(box.screen()->availableGeometry().width() / 2, 500);
  auto* shown = new WrappingLabel(label->text(), widestLine, &box);
  shown->setFont(label->font());
  shown->setContentsMargins(label->contentsMargins());
  grid->addWidget(shown, row, column, rows, columns);
  label->hide();
}

QMessageBox::StandardButton Show(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                 QMessageBox::StandardButtons buttons, QMessageBox::StandardButton byDefault,
                                 const QString& details = {}) {
  QMessageBox box(icon, ApplicationTitle(), PlainLines(text), buttons, parent);
  // Texts quote what the user typed and names as they are: never let them
  // be read as markup.
  box.setTextFormat(Qt::PlainText);
  if (!details.isEmpty()) box.setInformativeText(PlainLines(details));
  WrapAnywhere(box, "qt_msgbox_label");
  WrapAnywhere(box, "qt_msgbox_informativelabel");
  box.setDefaultButton(byDefault);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace

void ShowInformation(QWidget* parent, const QString& text) {
  Show(parent, QMessageBox::Information, text, QMessageBox::Ok, QMessageBox::Ok);
}

bool AskYesNo(QWidget* parent, const QString& text, const QString& details) {
  return Show(parent, QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No, details) ==
         QMessageBox::Yes;
}

}  // namespace quelvane
