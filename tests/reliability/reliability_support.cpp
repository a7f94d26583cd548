#include "reliability_support.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <iomanip>
#include <sstream>

#include "temp_folder.h"

namespace quelvane::testing {

std::string Fingerprint(std::string_view bytes) {
  uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (char c : bytes) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  std::ostringstream text;
  text << bytes.size() << " bytes #" << std::hex << hash;
  return text.str();
}

std::string Describe(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return "<absent>";
  if (S_ISLNK(info.st_mode)) {
    char target[4096];
    ssize_t length = readlink(path.c_str(), target, sizeof target);
    return "link -> " + std::string(target, length > 0 ? static_cast<size_t>(length) : 0);
  }
  std::ostringstream text;
  text << (S_ISREG(info.st_mode) ? "file " : S_ISFIFO(info.st_mode) ? "fifo " : "other ") << std::oct
       << std::setw(4) << std::setfill('0') << (info.st_mode & 07777) << std::dec << ' ' << info.st_uid << ':'
       << info.st_gid;
  if (S_ISREG(info.st_mode)) text << ' ' << Fingerprint(ReadFile(path));
  return text.str();
}

std::vector<std::string> TemporaryFiles(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(folder.c_str())) {
    while (dirent* entry = readdir(dir)) {
      if (std::string_view(entry->d_name).find(".quelvane-") != std::string_view::npos) names.push_back(entry->d_name);
    }
    closedir(dir);
  }
  return names;
}

std::string Quoted(std::string_view text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

int Shell(const std::string& command, std::string* output) {
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return -1;
  std::string text;
  char buffer[4096];
  for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, got);
  if (output) *output = text;
  int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string HeadlessDriver() {
  const char* driver = std::getenv("QUELVANE_HEADLESS");
  return driver ? driver : "";
}

pid_t StartHeadless(const std::string& settingsFile, const std::string& folder, off_t fileSizeLimit,
                    const std::string& output) {
  const std::string driver = HeadlessDriver();
  pid_t pid = fork();
  if (pid != 0) return pid;
  // The child: only async-signal-safe calls until exec.
  // Standard error stays the test's: a sanitizer's report shows there.
  int out = output.empty() ? open("/dev/null", O_WRONLY) : open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  dup2(out, STDOUT_FILENO);
  if (fileSizeLimit > 0) {
    struct rlimit limit = {static_cast<rlim_t>(fileSizeLimit), static_cast<rlim_t>(fileSizeLimit)};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(126);
  }
  execl(driver.c_str(), driver.c_str(), settingsFile.c_str(), folder.c_str(), static_cast<char*>(nullptr));
  _exit(127);
}

int WaitFor(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return status;
}

bool RunHeadless(const std::string& settingsFile, const std::string& folder, off_t fileSizeLimit,
                 const std::string& output) {
  int status = WaitFor(StartHeadless(settingsFile, folder, fileSizeLimit, output));
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace quelvane::testing
