#pragma once
// A run window that answers the confirmation as told and records every
// event, in order, as short strings ("notice:...", "confirm", "progress:16").

#include <string>
#include <vector>

#include "run_window.h"

namespace quelvane::testing {

class RecordingWindow : public RunWindow {
 public:
  explicit RecordingWindow(bool answer = true) : answer_(answer) {}

  void ShowNotice(std::u16string_view text) override;
  bool Confirm(std::u16string_view prompt) override;
  void ShowProgress(int squares) override;
  void BeginBusy() override;
  void EndBusy() override;
  void ProcessPendingMessages() override;

  std::vector<std::string> events;
  std::u16string lastPrompt;
  bool busy = false;
  int progress = -1;  // -1: never set

 private:
  bool answer_;
};

}  // namespace quelvane::testing
