#include "message_boxes.h"

#include <QLabel>
#include <QMessageBox>

#include "app_info.h"

namespace quelvane {
namespace {

QString PlainLines(QString text) { return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

QMessageBox::StandardButton Show(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                 QMessageBox::StandardButtons buttons, QMessageBox::StandardButton byDefault,
                                 const QString& details = {}) {
  QMessageBox box(icon, ApplicationTitle(), PlainLines(text), buttons, parent);
  // Texts quote what the user typed and names as they are: never let them
  // be read as markup.
  box.setTextFormat(Qt::PlainText);
  if (!details.isEmpty()) {
    box.setInformativeText(PlainLines(details));
    if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"))) {
      label->setTextFormat(Qt::PlainText);
    }
  }
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
