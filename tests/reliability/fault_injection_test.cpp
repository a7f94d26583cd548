// Every call of a run's file access made to fail in turn, at each of its
// occurrences, and other processes acting at the worst moments: whatever
// happens, each file holds its old bytes or its whole new bytes, no
// temporary file is left, and the run follows its failure policy.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <set>

#include "batch_run.h"
#include "faulty_file_system.h"
#include "platform/folder_listing.h"
#include "platform/system_error_text.h"
#include "recording_window.h"
#include "reliability_support.h"
#include "run_summary.h"
#include "temp_folder.h"
#include "text.h"

namespace quelvane {
namespace {

using testing::Describe;
using testing::Fault;
using testing::FaultyFileSystem;
using testing::Op;
using testing::RecordingWindow;
using testing::TempFolder;
using Names = std::vector<std::string>;

const Names kNames = {"a.txt", "b.txt", "c.txt"};

// b.txt is large enough to be written in several blocks, and carries an
// extended attribute where the file system has them; the folder's default
// ACL, set afterwards, is inherited by temporary files only.
void WriteOldFiles(const TempFolder& folder) {
  folder.Write("a.txt", testing::Gbk(u"第一回\r\r\n今天\r\n"));
  std::string big;
  while (big.size() < (5u << 19)) big += "一行文字 line\r\n\r\n";
  folder.Write("b.txt", big);
  folder.Write("c.txt", "\xEF\xBB\xBF" "c\r\n\r\n");
  setxattr(folder.PathOf("b.txt").c_str(), "user.origin", "scan", 4, 0);
  testing::Shell("setfacl -d -m u:23456:r " + testing::Quoted(folder.path()));
}

TidySettings DeleteBlankLines() {
  TidySettings settings;
  settings.blankLineMode = BlankLineMode::Delete;
  return settings;
}

RunReport RunOn(const TempFolder& folder, RecordingWindow& window, FileSystem& fs) {
  FileListing files{folder.path(), {}};
  EXPECT_TRUE(ListTextFiles(files.folder, files.names));
  return RunTidy(DeleteBlankLines(), files, BuildRunSummary, window, fs);
}

std::map<std::string, std::string> States(const TempFolder& folder) {
  std::map<std::string, std::string> states;
  for (const std::string& name : kNames) states[name] = Describe(folder.PathOf(name));
  return states;
}

// Index of the file in hand, from what the progress label shows.
int FileInHand(int progress) {
  for (size_t i = 0; i < kNames.size(); ++i) {
    if (ProgressSquares(i, kNames.size()) == progress) return static_cast<int>(i);
  }
  return -1;
}

std::vector<std::string> Notices(const RecordingWindow& window) {
  std::vector<std::string> notices;
  for (const std::string& event : window.events) {
    if (event.starts_with("notice:")) notices.push_back(event);
  }
  return notices;
}

class FaultInjection : public ::testing::Test {
 protected:
  void SetUp() override {
    // A clean run: the new states, and how often each call is made.
    WriteOldFiles(clean_);
    old_ = States(clean_);
    RecordingWindow window;
    ASSERT_EQ(RunOn(clean_, window, trace_).tidied, 3u);
    new_ = States(clean_);
  }

  TempFolder clean_;
  FaultyFileSystem trace_;
  std::map<std::string, std::string> old_, new_;
};

enum class Effect {
  Reported,   // the run ends with the failure's description; no file changed
  LeftAlone,  // the file in hand keeps its old bytes; the run goes on silently
  Harmless,   // the file is tidied all the same
};

TEST_F(FaultInjection, EveryFailingCallLeavesEachFileOldOrNew) {
  using enum Effect;
  struct Row {
    Op op;
    int error;
    Effect inFirstFile, inLaterFiles;
  } const rows[] = {
      {Op::ResolvePath, ENOENT, Reported, LeftAlone},
      {Op::OpenForReading, EACCES, Reported, LeftAlone},
      {Op::OpenForReading, EIO, Reported, LeftAlone},
      {Op::StatOpened, EIO, Reported, LeftAlone},
      {Op::Read, EIO, Reported, LeftAlone},
      {Op::Read, EINTR, Harmless, Harmless},
      {Op::ListAttributes, EIO, Reported, LeftAlone},
      {Op::GetAttribute, EIO, Reported, LeftAlone},
      {Op::GetInodeFlags, ENOTTY, Harmless, Harmless},
      {Op::CloseRead, EIO, Harmless, Harmless},
      {Op::OpenForWriting, EACCES, LeftAlone, LeftAlone},
      {Op::OpenForWriting, EIO, LeftAlone, LeftAlone},
      {Op::CloseWriting, EIO, Harmless, Harmless},
      {Op::CreateTemporary, ENOSPC, LeftAlone, LeftAlone},
      {Op::CreateTemporary, EACCES, LeftAlone, LeftAlone},
      {Op::Write, ENOSPC, LeftAlone, LeftAlone},
      {Op::Write, EIO, LeftAlone, LeftAlone},
      {Op::Write, EFBIG, LeftAlone, LeftAlone},
      {Op::Write, EINTR, Harmless, Harmless},
      {Op::Write, testing::kShortWrite, Harmless, Harmless},
      {Op::SetOwner, EPERM, LeftAlone, LeftAlone},
      {Op::ListTemporaryAttributes, EIO, LeftAlone, LeftAlone},
      {Op::RemoveAttribute, EPERM, LeftAlone, LeftAlone},
      {Op::SetAttribute, ENOSPC, LeftAlone, LeftAlone},
      {Op::SetMode, EPERM, LeftAlone, LeftAlone},
      {Op::SyncTemporary, EIO, LeftAlone, LeftAlone},
      {Op::CloseTemporary, EIO, LeftAlone, LeftAlone},
      {Op::StatBeforeRename, EIO, LeftAlone, LeftAlone},
      {Op::Rename, EIO, LeftAlone, LeftAlone},
      {Op::Rename, EXDEV, LeftAlone, LeftAlone},
      {Op::OpenFolder, EMFILE, Harmless, Harmless},
      {Op::SyncFolder, EIO, Harmless, Harmless},
      {Op::CloseFolder, EIO, Harmless, Harmless},
  };
  int injected = 0;
  std::set<std::string> notExercised;
  for (const Row& row : rows) {
    const int occurrences = trace_.Count(row.op);
    if (occurrences == 0) notExercised.insert(testing::OpName(row.op));
    for (int n = 1; n <= occurrences; ++n) {
      SCOPED_TRACE(std::string(testing::OpName(row.op)) + " #" + std::to_string(n) + " fails with " +
                   (row.error ? std::strerror(row.error) : "a short write"));
      TempFolder folder;
      WriteOldFiles(folder);
      FaultyFileSystem fs;
      fs.fault = Fault{row.op, n, row.error};
      RecordingWindow window;
      int inHand = -1;
      fs.before = [&](Op op, int occurrence) {
        if (op == row.op && occurrence == n) inHand = FileInHand(window.progress);
      };
      RunReport report = RunOn(folder, window, fs);
      ++injected;
      ASSERT_TRUE(fs.fired);
      ASSERT_GE(inHand, 0);
      EXPECT_EQ(folder.Entries(), kNames) << "a temporary file was left";
      EXPECT_FALSE(window.busy);

      const Effect effect = inHand == 0 ? row.inFirstFile : row.inLaterFiles;
      std::map<std::string, std::string> expected = new_;
      if (effect == Reported) {
        expected = old_;
        EXPECT_EQ(report.ending, RunReport::Ending::Failed);
        EXPECT_EQ(window.progress, 0);
        const std::vector<std::string> notices = Notices(window);
        ASSERT_EQ(notices.size(), 1u);
        EXPECT_NE(notices[0].find("“a.txt”"), std::string::npos) << notices[0];
        EXPECT_NE(notices[0].find(Utf16ToUtf8(DescribeSystemError(row.error))), std::string::npos) << notices[0];
      } else {
        if (effect == LeftAlone) expected[kNames[inHand]] = old_[kNames[inHand]];
        EXPECT_EQ(report.ending, RunReport::Ending::Completed);
        EXPECT_EQ(window.progress, 66);
        EXPECT_EQ(Notices(window), std::vector<std::string>{});
      }
      EXPECT_EQ(States(folder), expected);
    }
  }
  std::cout << "[ figures  ] " << injected << " faults injected over " << std::size(rows) << " kinds of failure\n";
  for (const std::string& op : notExercised) std::cout << "[ figures  ] not exercised here: " << op << "\n";
}

// Another process acts on b.txt (or its folder) just before the run makes
// the given call for it. What that process left must stay as it left it;
// the files it did not touch are tidied.
TEST_F(FaultInjection, WhatAnotherProcessDidMeanwhileIsNeverUndone) {
  struct Row {
    const char* name;
    Op at;
    std::function<void(const TempFolder&)> act;
  } const rows[] = {
      {"deleted between listing and reading", Op::ResolvePath,
       [](const TempFolder& f) { unlink(f.PathOf("b.txt").c_str()); }},
      {"replaced by a FIFO before reading", Op::ResolvePath,
       [](const TempFolder& f) {
         unlink(f.PathOf("b.txt").c_str());
         mkfifo(f.PathOf("b.txt").c_str(), 0644);
       }},
      {"replaced by a new file before the rename", Op::SyncTemporary,
       [](const TempFolder& f) {
         f.Write("theirs", "their version\r\n\r\n");
         rename(f.PathOf("theirs").c_str(), f.PathOf("b.txt").c_str());
       }},
      {"rewritten in place, same size", Op::SyncTemporary,
       [](const TempFolder& f) {
         int fd = open(f.PathOf("b.txt").c_str(), O_WRONLY);
         EXPECT_EQ(pwrite(fd, "THEIRS", 6, 0), 6);
         close(fd);
       }},
      {"appended to", Op::SyncTemporary,
       [](const TempFolder& f) {
         int fd = open(f.PathOf("b.txt").c_str(), O_WRONLY | O_APPEND);
         EXPECT_EQ(write(fd, "more\r\n", 6), 6);
         close(fd);
       }},
      {"mode changed", Op::SyncTemporary, [](const TempFolder& f) { chmod(f.PathOf("b.txt").c_str(), 0600); }},
      {"deleted before the rename", Op::StatBeforeRename,
       [](const TempFolder& f) { unlink(f.PathOf("b.txt").c_str()); }},
      {"whole folder removed", Op::ResolvePath,
       [](const TempFolder& f) { std::filesystem::remove_all(f.path()); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempFolder folder;
    WriteOldFiles(folder);
    FaultyFileSystem fs;
    RecordingWindow window;
    std::map<std::string, std::string> expected = new_;
    bool acted = false;
    fs.before = [&](Op op, int) {
      if (acted || op != row.at || FileInHand(window.progress) != 1) return;
      acted = true;
      row.act(folder);
      for (const std::string& name : kNames) {
        std::string now = Describe(folder.PathOf(name));
        if (now != old_[name]) expected[name] = now;  // done already, or the other process's doing
      }
    };
    RunReport report = RunOn(folder, window, fs);
    EXPECT_EQ(report.ending, RunReport::Ending::Completed);
    EXPECT_EQ(Notices(window), std::vector<std::string>{});
    EXPECT_EQ(window.progress, 66);
    EXPECT_EQ(States(folder), expected);
    EXPECT_EQ(testing::TemporaryFiles(folder.path()), std::vector<std::string>{});
    EXPECT_TRUE(acted);
  }
}

}  // namespace
}  // namespace quelvane
