#pragma once
// Answers the program's message boxes as a person would, from a script, so
// window tests never wait for one. Every box is recorded as it appears,
// together with the state of the window behind it.

#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <deque>
#include <vector>

namespace quelvane::testing {

struct SeenBox {
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
  QStringList buttonTexts;
  bool parentEnabled = true;    // the window behind the box
  bool waitCursor = false;      // the application's override cursor
  bool answerable = true;       // the box itself took the click
};

class MessageBoxAnswerer : public QObject {
 public:
  // Each box takes the next answer; a box beyond the script is closed with
  // its escape button and still recorded, so the test fails instead of hanging.
  explicit MessageBoxAnswerer(std::deque<QMessageBox::StandardButton> answers = {});
  ~MessageBoxAnswerer() override;

  const std::vector<SeenBox>& seen() const { return seen_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::deque<QMessageBox::StandardButton> answers_;
  std::vector<SeenBox> seen_;
};

}  // namespace quelvane::testing
