#pragma once
// A run window that answers Yes to the confirmation and records every event in order ("confirm", "progress:16"...).

#include <string>
#include <vector>

#include "run_window.h"
#include "text/text.h"

namespace quelvane::testing {

class RecordingWindow : public RunWindow {
 public:
  void ShowNotice(std::u16string_view text) override { events.push_back("notice:" + Utf16ToUtf8(text)); }
  bool Confirm(std::u16string_view, std::u16string_view) override {
    events.push_back("confirm");
    return true;
  }
  void ShowProgress(int squares) override { events.push_back("progress:" + std::to_string(progress = squares)); }
  void BeginBusy() override { SetBusy(true); }
  void EndBusy() override { SetBusy(false); }
  void ProcessPendingMessages() override { events.push_back("pump"); }

  std::vector<std::string> events;
  bool busy = false;
  int progress = -1;  // -1: never set

 private:
  void SetBusy(bool now) { events.push_back((busy = now) ? "busy" : "idle"); }
};

}  // namespace quelvane::testing
