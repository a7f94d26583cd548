#pragma once
// The main window as a run sees it: message boxes, the progress label, and
// the busy state that keeps the user's hands off the options while files
// are being rewritten.

#include "run_window.h"

class QLabel;
class QPushButton;
class QWidget;

namespace quelvane {

class FrmMainRunWindow : public RunWindow {
 public:
  // The focus goes back to `runButton` once the run has ended.
  FrmMainRunWindow(QWidget& window, QLabel& progress, QPushButton& runButton)
      : window_(window), progress_(progress), runButton_(runButton) {}

  void ShowNotice(std::u16string_view text) override;
  bool Confirm(std::u16string_view prompt, std::u16string_view details) override;
  void ShowProgress(int squares) override;
  void BeginBusy() override;
  void EndBusy() override;
  void ProcessPendingMessages() override;

 private:
  QWidget& window_;
  QLabel& progress_;
  QPushButton& runButton_;
};

}  // namespace quelvane
