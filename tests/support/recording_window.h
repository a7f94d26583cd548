#pragma once
// A run window that answers the confirmation as told and records every event in order ("confirm", "progress:16"...).

#include <string>
#include <vector>

#include "run_window.h"
#include "text/text.h"

namespace quelvane::testing {

class RecordingWindow : public RunWindow {
 public:
  explicit RecordingWindow(bool answer = true) : answer_(answer) {}

  void ShowNotice(std::u16string_view text) override { events.push_back("notice:" + Utf16ToUtf8(text)); }
  bool Confirm(std::u16string_view prompt, std::u16string_view details) override {
    lastPrompt = prompt;
    lastDetails = details;
    events.push_back("confirm");
    return answer_;
  }
  void ShowProgress(int squares) override { events.push_back("progress:" + std::to_string(progress = squares)); }
  void BeginBusy() override { SetBusy(true); }
  void EndBusy() override { SetBusy(false); }
  void ProcessPendingMessages() override { events.push_back("pump"); }

  std::vector<std::string> Notices() const {  // the notice events alone
    std::vector<std::string> notices;
    for (const std::string& event : events) if (event.starts_with("notice:")) notices.push_back(event);
    return notices;
  }

  std::vector<std::string> events;
  std::u16string lastPrompt, lastDetails;
  bool busy = false;
  int progress = -1;  // -1: never set

 private:
  void SetBusy(bool now) { events.push_back((busy = now) ? "busy" : "idle"); }
  bool answer_;
};

}  // namespace quelvane::testing
