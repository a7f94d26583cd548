#pragma once
// The run's window, as lines on standard output: "notice<TAB>TEXT",
// "confirm<TAB>TEXT" (the summary, then the folder line on a second
// "confirm" line), "progress<TAB>P". In TEXT a backslash, CR, LF and
// TAB are written \\, \r, \n and \t, so every event stays on one line.

#include <cstdio>

#include "run_window.h"

namespace quelvane {

class ConsoleWindow : public RunWindow {
 public:
  ConsoleWindow(std::FILE* out, bool answer) : out_(out), answer_(answer) {}

  void ShowNotice(std::u16string_view text) override;
  bool Confirm(std::u16string_view prompt, std::u16string_view details) override;
  void ShowProgress(int squares) override;
  void BeginBusy() override {}
  void EndBusy() override {}
  void ProcessPendingMessages() override {}

 private:
  void Event(const char* kind, std::u16string_view text);

  std::FILE* out_;
  bool answer_;
};

}  // namespace quelvane
