#pragma once
// What the reliability tests share: a short, comparable description of a
// file's state, a shell for the command-line tools that set attributes,
// and the headless driver started as a real process.

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

namespace quelvane::testing {

// "<size> bytes #<hash>": compares like the bytes, prints short.
std::string Fingerprint(std::string_view bytes);

// Kind, mode, owner and content fingerprint of what is at `path`, without
// following a link: "<absent>", "link -> target", "fifo 0644 0:0",
// "file 0640 12345:12345 10 bytes #1a2b...".
std::string Describe(const std::string& path);

// The hidden temporary files a replacement leaves if it is killed.
std::vector<std::string> TemporaryFiles(const std::string& folder);

// Runs `command` with sh; returns its exit status, its output in `output`.
int Shell(const std::string& command, std::string* output = nullptr);
std::string Quoted(std::string_view text);  // for sh

// The headless driver named by QUELVANE_HEADLESS, empty when unset.
std::string HeadlessDriver();

// Starts the driver on `folder`, its standard output going to `output`
// (discarded if empty); `fileSizeLimit` (bytes, 0 for none) is the
// RLIMIT_FSIZE of the new process.
pid_t StartHeadless(const std::string& settingsFile, const std::string& folder, off_t fileSizeLimit = 0,
                    const std::string& output = "");
// Waits for it; returns the wait status.
int WaitFor(pid_t pid);
// Runs it to the end; true when it exited with status 0.
bool RunHeadless(const std::string& settingsFile, const std::string& folder, off_t fileSizeLimit = 0,
                 const std::string& output = "");

}  // namespace quelvane::testing
