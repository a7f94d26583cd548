#include "message_box_answerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QDialogButtonBox>
#include <QEvent>
#include <QPushButton>

namespace quelvane::testing {

MessageBoxAnswerer::MessageBoxAnswerer(std::deque<QMessageBox::StandardButton> answers)
    : answers_(std::move(answers)) {
  qApp->installEventFilter(this);
}

MessageBoxAnswerer::~MessageBoxAnswerer() { qApp->removeEventFilter(this); }

bool MessageBoxAnswerer::eventFilter(QObject* watched, QEvent* event) {
  auto* box = qobject_cast<QMessageBox*>(watched);
  if (!box || event->type() != QEvent::Show) return false;

  SeenBox seen;
  seen.title = box->windowTitle();
  seen.text = box->text();
  seen.icon = box->icon();
  seen.buttons = box->standardButtons();
  if (QPushButton* byDefault = box->defaultButton()) seen.defaultButton = box->standardButton(byDefault);
  for (QAbstractButton* button : box->findChild<QDialogButtonBox*>()->buttons()) {
    seen.buttonTexts << button->text();
  }
  seen.parentEnabled = !box->parentWidget() || box->parentWidget()->isEnabled();
  seen.waitCursor = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
  seen.answerable = box->isEnabled();
  seen_.push_back(seen);

  QAbstractButton* answer = box->escapeButton();
  if (!answers_.empty()) {
    answer = box->button(answers_.front());
    answers_.pop_front();
  }
  // Clicked once the box's own event loop runs; a box that cannot take the
  // click is closed all the same, and seen.answerable says so.
  QMetaObject::invokeMethod(
      box,
      [box, answer] {
        if (answer && answer->isEnabled() && box->isEnabled()) {
          answer->click();
        } else {
          box->done(answer ? box->standardButton(answer) : QMessageBox::NoButton);
        }
      },
      Qt::QueuedConnection);
  return false;
}

}  // namespace quelvane::testing
