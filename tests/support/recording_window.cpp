#include "recording_window.h"

#include "text/text.h"

namespace quelvane::testing {

void RecordingWindow::ShowNotice(std::u16string_view text) { events.push_back("notice:" + Utf16ToUtf8(text)); }

bool RecordingWindow::Confirm(std::u16string_view prompt) {
  lastPrompt = prompt;
  events.push_back("confirm");
  return answer_;
}

void RecordingWindow::ShowProgress(int squares) {
  progress = squares;
  events.push_back("progress:" + std::to_string(squares));
}

void RecordingWindow::BeginBusy() {
  busy = true;
  events.push_back("busy");
}

void RecordingWindow::EndBusy() {
  busy = false;
  events.push_back("idle");
}

void RecordingWindow::ProcessPendingMessages() { events.push_back("pump"); }

}  // namespace quelvane::testing
