#include "console_window.h"

#include <string>

#include "text/text.h"

namespace quelvane {

void ConsoleWindow::Event(const char* kind, std::u16string_view text) {
  std::string escaped;
  for (char c : Utf16ToUtf8(text)) {
    switch (c) {
      case '\\': escaped += "\\\\"; break;
      case '\r': escaped += "\\r"; break;
      case '\n': escaped += "\\n"; break;
      case '\t': escaped += "\\t"; break;
      default: escaped += c;
    }
  }
  std::fprintf(out_, "%s\t%s\n", kind, escaped.c_str());
  std::fflush(out_);
}

void ConsoleWindow::ShowNotice(std::u16string_view text) { Event("notice", text); }

bool ConsoleWindow::Confirm(std::u16string_view prompt, std::u16string_view details) {
  Event("confirm", prompt);
  Event("confirm", details);
  return answer_;
}

void ConsoleWindow::ShowProgress(int squares) {
  std::fprintf(out_, "progress\t%d\n", squares);
  std::fflush(out_);
}

}  // namespace quelvane
