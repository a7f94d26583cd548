#include "frm_main_run_window.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QWidget>

#include "message_boxes.h"
#include "progress.h"

namespace quelvane {
namespace {

QString ToQString(std::u16string_view text) {
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

}  // namespace

void FrmMainRunWindow::ShowNotice(std::u16string_view text) { ShowInformation(&window_, ToQString(text)); }

bool FrmMainRunWindow::Confirm(std::u16string_view prompt, std::u16string_view details) {
  return AskYesNo(&window_, ToQString(prompt), ToQString(details));
}

void FrmMainRunWindow::ShowProgress(int squares) {
  progress_.setText(QString(squares, QChar(kProgressSquare)));
  // Screen readers read the squares as a count, not as 66 symbols.
  progress_.setAccessibleDescription(squares > 0 ? QStringLiteral("%1 / %2").arg(squares).arg(kProgressWidth)
                                                 : QString());
  // The run blocks the event loop, so the label must paint now or never.
  progress_.repaint();
}

void FrmMainRunWindow::BeginBusy() {
  window_.setEnabled(false);
  QApplication::setOverrideCursor(Qt::WaitCursor);
}

void FrmMainRunWindow::EndBusy() {
  // Keys and clicks given during the run still wait in the window system's
  // queue. Handled now, while the window is disabled, they reach disabled
  // controls, which drop them; once it is enabled they would press buttons
  // and type into boxes the user no longer meant.
  QCoreApplication::processEvents();
  QApplication::restoreOverrideCursor();
  window_.setEnabled(true);
  // Disabling the window took the focus from every control.
  runButton_.setFocus();
}

void FrmMainRunWindow::ProcessPendingMessages() { QCoreApplication::processEvents(); }

}  // namespace quelvane
