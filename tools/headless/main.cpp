// quelvane-headless [--no] SETTINGS_FILE FOLDER
//
// Runs exactly the window's run over FOLDER with the settings of
// SETTINGS_FILE, answering the confirmation with Yes (No with --no), and
// prints every message box and progress step on standard output. Exits
// with 0 when no file was left alone, 1 when some file or the whole folder
// was, 2 on a usage error.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "batch_run.h"
#include "console_window.h"
#include "platform/folder_listing.h"
#include "run_messages.h"
#include "settings_file.h"
#include "text/display_name.h"
#include "text/text.h"

namespace {

constexpr int kLeftAlone = 1;
constexpr int kUsageError = 2;

// A path as the run's messages show it: no control character reaches the terminal.
std::string Shown(const char* path) { return quelvane::Utf16ToUtf8(quelvane::DisplayPath(path)); }

int Usage() {
  std::fprintf(stderr, "usage: quelvane-headless [--no] SETTINGS_FILE FOLDER\n");
  return kUsageError;
}

}  // namespace

int main(int argc, char** argv) {
  bool answer = true;
  int first = 1;
  if (argc > 1 && std::strcmp(argv[1], "--no") == 0) {
    answer = false;
    ++first;
  }
  if (argc - first != 2) return Usage();
  const char* settingsPath = argv[first];
  const char* folder = argv[first + 1];

  std::ifstream settingsFile(settingsPath, std::ios::binary);
  if (!settingsFile) {
    std::fprintf(stderr, "quelvane-headless: cannot read settings file %s: %s\n", Shown(settingsPath).c_str(),
                 std::strerror(errno));
    return kUsageError;
  }
  std::stringstream content;
  content << settingsFile.rdbuf();
  quelvane::TidySettings settings;
  std::string error;
  if (!quelvane::ParseSettingsFile(content.str(), settings, error)) {
    std::fprintf(stderr, "quelvane-headless: %s: %s\n", Shown(settingsPath).c_str(), error.c_str());
    return kUsageError;
  }

  // A folder that cannot be listed is the run's to report, as in the window.
  quelvane::FileListing files{folder, {}};
  quelvane::ListTextFiles(files.folder, files.names);

  quelvane::ConsoleWindow window(stdout, answer);
  const quelvane::RunReport report = quelvane::RunTidy(settings, files, window);
  if (const std::u16string notice = quelvane::LeftAloneNotice(report); !notice.empty()) window.ShowNotice(notice);
  const bool leftAlone = report.ending == quelvane::RunReport::Ending::FolderUnavailable ||
                         report.Count(quelvane::FileResult::Kind::LeftAlone) > 0;
  return leftAlone ? kLeftAlone : 0;
}
