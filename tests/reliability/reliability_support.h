#pragma once
// What the reliability tests share: a short, comparable form of a file's bytes and of all a file is, the temporary
// files left, and commands run as another process would.

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "temp_folder.h"

namespace quelvane::testing {

// "<size> bytes #<hash>": compares like the bytes, prints short.
inline std::string Fingerprint(std::string_view bytes) {
  uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (char c : bytes) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  char text[64];
  std::snprintf(text, sizeof text, "%zu bytes #%llx", bytes.size(), static_cast<unsigned long long>(hash));
  return text;
}

// The hidden temporary files a replacement leaves if it is killed.
inline std::vector<std::string> TemporaryFiles(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code gone;
  for (const auto& entry : std::filesystem::directory_iterator(folder, gone))
    if (const std::string name = entry.path().filename(); name.find(".quelvane-") != name.npos) names.push_back(name);
  return names;
}

// Runs `command` with sh in `folder`; its exit status, and what it printed in `output`.
inline int Shell(const std::string& folder, const std::string& command, std::string* output = nullptr) {
  std::string quoted = "'";
  for (char c : folder) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  FILE* pipe = popen(("cd " + quoted + "' && (" + command + ") 2>&1").c_str(), "r");
  if (pipe == nullptr) return -1;
  std::string text;
  char buffer[4096];
  for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, got);
  if (output) *output = text;
  const int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// What is at `path`, links followed but named, e.g. "<absent>", "link -> b.dat, file 0640 12345:12345
// user.source=7 bytes #1a2b 10 bytes #3c4d": kind, mode, owner, ACL and user attributes, content if `content`.
inline std::string Describe(const std::string& path, bool content = true) {
  char target[4096];
  const ssize_t length = readlink(path.c_str(), target, sizeof target);
  std::string text = length < 0 ? "" : "link -> " + std::string(target, static_cast<size_t>(length)) + ", ";
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return text + "<absent>";
  char kind[64];
  std::snprintf(kind, sizeof kind, "%s %04o %u:%u",
                S_ISREG(info.st_mode) ? "file" : S_ISFIFO(info.st_mode) ? "fifo" : "other", info.st_mode & 07777,
                info.st_uid, info.st_gid);
  text += kind;
  char names[4096];
  const ssize_t size = listxattr(path.c_str(), names, sizeof names);
  for (ssize_t at = 0; at < size; at += static_cast<ssize_t>(std::string_view(names + at).size()) + 1) {
    const std::string name = names + at;
    if (!name.starts_with("user.") && name != "system.posix_acl_access") continue;
    char value[4096];
    const ssize_t got = getxattr(path.c_str(), name.c_str(), value, sizeof value);
    text += " " + name + "=" + Fingerprint(std::string_view(value, got > 0 ? static_cast<size_t>(got) : 0));
  }
  if (content && S_ISREG(info.st_mode)) text += " " + Fingerprint(ReadFile(path));
  return text;
}

// The limit on open descriptors lowered to `most` for as long as it lives (0: left as it is); a run then lets fewer
// files wait to be placed.
class DescriptorLimit {
 public:
  explicit DescriptorLimit(rlim_t most) {
    getrlimit(RLIMIT_NOFILE, &before_);
    if (most == 0) return;
    struct rlimit lowered = before_;
    lowered.rlim_cur = most;
    setrlimit(RLIMIT_NOFILE, &lowered);
  }
  ~DescriptorLimit() { setrlimit(RLIMIT_NOFILE, &before_); }
  DescriptorLimit(const DescriptorLimit&) = delete;
  DescriptorLimit& operator=(const DescriptorLimit&) = delete;

 private:
  struct rlimit before_ {};
};

}  // namespace quelvane::testing
