#pragma once
// What a run needs from the window that started it. The window, the tests
// and the headless driver each supply one; the run never sees Qt.

#include <string>
#include <string_view>

namespace quelvane {

class RunWindow {
 public:
  virtual ~RunWindow() = default;
  // A modal information box with one OK button.
  virtual void ShowNotice(std::u16string_view text) = 0;
  // A modal Yes/No question box whose default is No; true for Yes.
  // `details` says which folder and how many files, below the prompt.
  virtual bool Confirm(std::u16string_view prompt, std::u16string_view details) = 0;
  // Sets the progress label to `squares` copies of ■ and repaints it at once.
  virtual void ShowProgress(int squares) = 0;
  // Disables the whole window and shows the wait cursor, and back.
  virtual void BeginBusy() = 0;
  virtual void EndBusy() = 0;
  // Lets the window handle the messages waiting for it, once.
  virtual void ProcessPendingMessages() = 0;
};

}  // namespace quelvane
