// How a run replaces files, as root: every file-access call failing in turn at each occurrence, other processes
// acting at the worst moments, read-only forms, what a tidied file keeps. Each file ends old or wholly new, no
// temporary file is left, the failure policy holds. Set-ups not allowed here skip visibly.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <linux/magic.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <map>
#include <set>

#include "batch_run.h"
#include "faulty_file_system.h"
#include "platform/folder_listing.h"
#include "recording_window.h"
#include "reliability_support.h"
#include "progress.h"
#include "run_messages.h"
#include "temp_folder.h"
#include "text/text.h"

namespace quelvane {
namespace {

using testing::Fingerprint;
using testing::Op;
using testing::RecordingWindow;
using testing::TempFolder;
using States = std::map<std::string, std::string>;

// Runs `command` with sh in `folder`; its exit status, and what it printed in `output`.
int Shell(const std::string& folder, const std::string& command, std::string* output = nullptr) {
  std::string quoted = "'";
  for (char c : folder) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  FILE* pipe = popen(("cd " + quoted + "' && (" + command + ") 2>&1").c_str(), "r");
  if (pipe == nullptr) return -1;
  std::string text = command + ": ";
  char buffer[4096];
  for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, got);
  if (output) *output = text;
  const int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// What is at `path`, links followed but named, e.g. "<absent>", "link -> b.dat, file 0640 12345:12345
// user.source=7 bytes #1a2b 10 bytes #3c4d": kind, mode, owner, ACL and user attributes, content if `content`.
std::string Describe(const std::string& path, bool content = true) {
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
  if (content && S_ISREG(info.st_mode)) text += " " + Fingerprint(testing::ReadFile(path));
  return text;
}

const std::vector<std::string> kNames = {"a.txt", "b.txt", "c.txt"};

RunReport DeleteBlankLines(const TempFolder& folder, RecordingWindow& window, FileSystem& fs) {
  FileListing files{folder.path(), {}};
  EXPECT_TRUE(ListTextFiles(files.folder, files.names));
  TidySettings settings;
  settings.blankLineMode = BlankLineMode::Delete;
  RunReport report = RunTidy(settings, files, window, fs);
  if (const std::u16string notice = LeftAloneNotice(report); !notice.empty()) window.ShowNotice(notice);
  return report;
}

States StatesOf(const TempFolder& folder, bool content = true) {
  States states;
  for (const std::string& name : kNames) states[name] = Describe(folder.PathOf(name), content);
  return states;
}

// Index of the file in hand, from what the progress label shows.
int FileInHand(const RecordingWindow& window) {
  for (size_t i = 0; i < kNames.size(); ++i)
    if (ProgressSquares(i, kNames.size()) == window.progress) return static_cast<int>(i);
  return -1;
}

// GBK, UTF-8 with a byte-order mark, and b.txt large (several blocks) with a user attribute; the folder's
// default ACL is for new files only, so a tidied file must not take it.
struct OldFiles : TempFolder {
  OldFiles() {
    Write("a.txt", testing::Gbk(u"第一回\r\r\n今天\r\n"));
    std::string big;
    while (big.size() < (5u << 19)) big += "一行文字 line\r\n\r\n";
    Write("b.txt", big);
    Write("c.txt", "\xEF\xBB\xBF" "c\r\n\r\n");
    Shell(path(), "setfattr -n user.origin -v scan b.txt; setfacl -d -m u:23456:r .");
  }
};

class FaultInjection : public ::testing::Test {
 protected:
  // A clean run: the new states.
  void SetUp() override {
    old_ = StatesOf(clean_);
    const States metadata = StatesOf(clean_, false);
    RecordingWindow window;
    ASSERT_EQ(DeleteBlankLines(clean_, window, SystemFileSystem()).Count(FileResult::Kind::Tidied), 3u);
    new_ = StatesOf(clean_);
    ASSERT_EQ(StatesOf(clean_, false), metadata);
  }

  OldFiles clean_;
  States old_, new_;
};

// Reported: the run ends with the failure's description, no file changed. LeftAlone: the file in hand keeps its
// old bytes, the run goes on silently. Harmless: the file is tidied all the same.
enum class Effect { Reported, LeftAlone, Harmless };

// The reasons that depend on the failing call rather than on the file.
const std::map<std::pair<Op, int>, std::u16string_view> kReasons = {
    {{Op::ResolvePath, ENOENT}, u"文件已不存在"}, {{Op::CreateTemporary, EACCES}, u"所在文件夹不允许写入"},
    {{Op::CreateTemporary, ENOSPC}, u"磁盘空间不足"}, {{Op::Write, ENOSPC}, u"磁盘空间不足"},
    {{Op::Write, EFBIG}, u"超出文件大小上限"}, {{Op::CloseTemporary, EIO}, u"输入输出错误"},
    {{Op::Read, EIO}, u"无法读取（输入输出错误）"}};

TEST_F(FaultInjection, EveryFailingCallLeavesEachFileOldOrNew) {
  using enum Effect;
  using enum Op;
  // Each failure: the call and the errno it fails with, or 0 for a short write.
  const struct { Effect inFirstFile, inLaterFiles; std::vector<std::pair<Op, int>> failures; } groups[] = {
      {Reported, LeftAlone,  // before anything is written
       {{ResolvePath, ENOENT}, {OpenForReading, EACCES}, {OpenForReading, EIO}, {StatOpened, EIO}, {Read, EIO},
        {ListAttributes, EIO}, {GetAttribute, EIO}, {StatFileSystem, EIO}, {GetFatAttributes, EIO}}},
      {LeftAlone, LeftAlone,  // the first two before a temporary file is opened
       {{OpenForWriting, EACCES}, {OpenForWriting, EIO}, {CreateTemporary, ENOSPC}, {CreateTemporary, EACCES},
        {Write, ENOSPC}, {Write, EIO}, {Write, EFBIG}, {SetOwner, EPERM}, {ListTemporaryAttributes, EIO},
        {RemoveAttribute, EPERM}, {SetAttribute, ENOSPC}, {SetFatAttributes, EPERM}, {SetMode, EPERM},
        {SyncTemporary, EIO}, {CloseTemporary, EIO}, {StatBeforeRename, EIO}, {ReadAgain, EIO}, {Rename, EIO},
        {Rename, EXDEV}}},
      {Harmless, Harmless,  // retried, or nothing written depends on it
       {{Read, EINTR}, {GetInodeFlags, ENOTTY}, {CloseRead, EIO}, {CloseWriting, EIO}, {Write, EINTR},
        {Write, testing::kShortWrite}, {Lock, ENOLCK}, {OpenFolder, EMFILE}, {SyncFolder, EIO}, {CloseFolder, EIO},
        {SyncRenamed, EIO}, {CloseRenamed, EIO}}},
  };
  int kinds = 0, injected = 0;
  std::set<Op> exercised;
  // As here, and as on FAT, whose path differs (the file system's type is all the run goes by).
  for (const long type : {0L, long{MSDOS_SUPER_MAGIC}}) {
    testing::FaultyFileSystem trace(type);
    OldFiles traced;
    RecordingWindow tracedWindow;
    ASSERT_EQ(DeleteBlankLines(traced, tracedWindow, trace).Count(FileResult::Kind::Tidied), 3u);
    for (const auto& group : groups)
      for (const auto& [op, error] : group.failures) {
        kinds += type == 0;
        if (trace.Count(op) > 0) exercised.insert(op);
        for (int n = 1; n <= trace.Count(op); ++n, ++injected) {
          SCOPED_TRACE(std::string(type ? "as on FAT: " : "") + testing::OpName(op) + " #" + std::to_string(n) +
                       " fails with " + (error ? std::strerror(error) : "a short write"));
          OldFiles folder;
          testing::FaultyFileSystem fs(type);
          fs.fault = testing::Fault{op, n, error};
          RecordingWindow window;
          int inHand = -1;
          fs.before = [&, op = op, n](Op called, int k) { if (called == op && k == n) inHand = FileInHand(window); };
          const RunReport report = DeleteBlankLines(folder, window, fs);
          ASSERT_TRUE(fs.fired);
          ASSERT_GE(inHand, 0);
          EXPECT_EQ(folder.Entries(), kNames) << "a temporary file was left";
          EXPECT_FALSE(window.busy);

          const Effect effect = inHand == 0 ? group.inFirstFile : group.inLaterFiles;
          States expected = effect == Reported ? old_ : new_;
          if (effect == LeftAlone) expected[kNames[inHand]] = old_[kNames[inHand]];
          EXPECT_EQ(StatesOf(folder), expected);
          EXPECT_EQ(report.ending, effect == Reported ? RunReport::Ending::Failed : RunReport::Ending::Completed);
          EXPECT_EQ(window.progress, effect == Reported ? 0 : 66);
          const std::vector<std::string> notices = window.Notices();
          ASSERT_EQ(notices.size(), effect == Harmless ? 0u : 1u);
          if (effect == Reported) {
            EXPECT_NE(notices[0].find("“a.txt”"), std::string::npos) << notices[0];
            EXPECT_NE(notices[0].find(Utf16ToUtf8(DescribeSystemError(error))), std::string::npos) << notices[0];
          } else if (effect == LeftAlone) {
            EXPECT_TRUE(notices[0].starts_with("notice:整理完成，但有 1 个文件未能整理，保持原样：\r\n" + kNames[inHand] + "："))
                << notices[0];
            const auto reason = kReasons.find({op, error});
            EXPECT_TRUE(reason == kReasons.end() || notices[0].ends_with(Utf16ToUtf8(reason->second))) << notices[0];
          }
        }
      }
  }
  for (const auto& group : groups)
    for (const auto& [op, error] : group.failures)
      EXPECT_TRUE(exercised.contains(op)) << "never made: " << testing::OpName(op);
  std::cout << "[ figures  ] " << injected << " faults injected over " << kinds << " kinds of failure\n";
}

// Another process acts on b.txt (or its folder) just before the run makes the given call for it. What it left
// stays as it left it; the files it did not touch are tidied.
TEST_F(FaultInjection, WhatAnotherProcessDidMeanwhileIsNeverUndone) {
  const std::string changed = "b.txt：整理期间被其他程序改动";
  const char* const rewrite = "printf THEIRS | dd of=b.txt conv=notrunc status=none";
  // leftAlone: the lines of the box that ends the run; type: the file system's, if pretended; frozen: times too
  // coarse to show the change.
  const struct { const char* name; Op at; const char* act; std::string leftAlone; long type = 0; bool frozen = false; }
      rows[] = {
      {"deleted between listing and reading", Op::ResolvePath, "rm b.txt", "b.txt：文件已不存在"},
      {"replaced by a FIFO before reading", Op::ResolvePath, "rm b.txt && mkfifo b.txt", "b.txt：不是普通文件"},
      {"replaced by a new file before the rename", Op::SyncTemporary,
       "printf 'their version\\r\\n\\r\\n' > theirs && mv theirs b.txt", changed},
      {"rewritten in place, same size", Op::SyncTemporary, rewrite, changed},
      {"rewritten in place where times do not move", Op::SyncTemporary, rewrite, changed, 0, true},
      {"rewritten in place on FAT", Op::SyncTemporary, rewrite, changed, MSDOS_SUPER_MAGIC, true},
      {"appended to", Op::SyncTemporary, "printf 'more\\r\\n' >> b.txt", changed},
      {"mode changed", Op::SyncTemporary, "chmod 600 b.txt", changed},
      {"deleted before the rename", Op::StatBeforeRename, "rm b.txt", changed},
      {"whole folder removed", Op::ResolvePath, "rm -r \"$PWD\"", "b.txt：文件已不存在\r\nc.txt：文件已不存在"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    OldFiles folder;
    testing::FaultyFileSystem fs(row.type);
    fs.timesFrozen = row.frozen;
    RecordingWindow window;
    States expected = new_;
    bool acted = false;
    fs.before = [&](Op op, int) {
      if (acted || op != row.at || FileInHand(window) != 1) return;
      acted = true;
      EXPECT_EQ(Shell(folder.path(), row.act), 0);
      for (const std::string& name : kNames)  // done already, or the other process's doing
        if (const std::string now = Describe(folder.PathOf(name)); now != old_[name]) expected[name] = now;
    };
    EXPECT_EQ(DeleteBlankLines(folder, window, fs).ending, RunReport::Ending::Completed);
    EXPECT_TRUE(acted);
    const size_t count = row.leftAlone.find("c.txt") == std::string::npos ? 1 : 2;
    EXPECT_EQ(window.Notices(), std::vector<std::string>{"notice:整理完成，但有 " + std::to_string(count) +
                                                         " 个文件未能整理，保持原样：\r\n" + row.leftAlone});
    EXPECT_EQ(window.progress, 66);
    EXPECT_EQ(StatesOf(folder), expected);
    EXPECT_EQ(testing::TemporaryFiles(folder.path()), std::vector<std::string>{});
  }
}

// What an interrupted run left is removed by the next one, and nothing else: not a file another run still holds,
// not one just made (its run may not hold it yet), not one whose original is gone, not a name of another form.
TEST(Leftovers, OnlyAnInterruptedRunsTemporaryFilesAreRemoved) {
  const struct { const char* name; bool old = true, held = false, removed = false; } rows[] = {
      {".a.txt.quelvane-0123abcd", true, false, true}, {".b.txt.quelvane-0123abcd", true, true, false},  // held
      {".c.txt.quelvane-0123abcd", false} /* made just now */, {".gone.txt.quelvane-0123abcd"} /* no original */,
      {".a.txt.quelvane-0123ABCD"}, {".a.txt.quelvane-0123abc"}, {"a.txt.quelvane-0123abcd"}};
  TempFolder folder;
  for (const std::string& name : kNames) folder.Write(name, "x\r\n");
  std::vector<int> locks;
  for (const auto& row : rows) {
    folder.Write(row.name, "partial");
    const timespec longAgo[2] = {{time(nullptr) - 120, 0}, {time(nullptr) - 120, 0}};
    ASSERT_TRUE(!row.old || utimensat(AT_FDCWD, folder.PathOf(row.name).c_str(), longAgo, 0) == 0);
    if (!row.held) continue;
    locks.push_back(open(folder.PathOf(row.name).c_str(), O_RDONLY));
    ASSERT_EQ(flock(locks.back(), LOCK_EX), 0);
  }
  RecordingWindow window;
  ASSERT_EQ(DeleteBlankLines(folder, window, SystemFileSystem()).ending, RunReport::Ending::Completed);
  std::vector<std::string> expected = kNames;
  for (const auto& row : rows)
    if (!row.removed) expected.push_back(row.name);
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(folder.Entries(), expected);
  for (int fd : locks) close(fd);
}

// b.txt made special by a shell command (skipped, with the reason, where that cannot be done here) beside a.txt
// and c.txt, all to be tidied: a read-only form is left untouched, any other replaced by a new file carrying all
// the old one did. a.txt and c.txt are tidied either way.
TEST(SpecialFile, ReadOnlyFormsStayAndTheOthersKeepWhatTheyCarry) {
  const std::string kOld = "x\r\n\r\ny\r\n", kNew = "x\r\ny\r\n";
  const struct { const char* name; std::string command, reason = {}; } rows[] = {  // reason: why it is left alone
      {"no write bit for anyone", "chmod 444 b.txt", "文件只读"},  // root could write it all the same
      {"immutable", "chattr +i b.txt", "文件被设为不可修改"}, {"append-only", "chattr +a b.txt", "文件被设为不可修改"},
      {"in a folder where nothing can be created",
       "mkdir locked && mv b.txt locked/b.dat && ln -s locked/b.dat b.txt && chattr +i locked", "所在文件夹不允许写入"},
      {"owner, group and mode", "chown 12345:12345 b.txt && chmod 640 b.txt"},
      {"ACL and user attribute", "setfacl -m u:23456:r b.txt && setfattr -n user.source -v scanned b.txt"},
      // New files in the folder get an ACL: the tidied file must not take it, nor keep it instead of its own.
      {"no ACL from the folder default", "setfacl -d -m u:23456:rw ."},
      {"own ACL and attribute over the folder default",
       "setfacl -m u:23456:r b.txt && setfattr -n user.source -v scanned b.txt && setfacl -d -m u:34567:rw ."},
      {"link", "mkdir elsewhere && mv b.txt elsewhere/b.dat && ln -s elsewhere/b.dat b.txt"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TempFolder folder;
    for (const std::string& name : kNames) folder.Write(name, kOld);
    std::string why;
    if (Shell(folder.path(), row.command, &why) != 0) {
      std::cout << "[ skipped  ] " << row.name << ": " << why << "\n";
      continue;
    }
    const std::string b = folder.PathOf("b.txt"), before = Describe(b, false);
    struct stat old {}, now {};
    stat(b.c_str(), &old);
    RecordingWindow window;
    const RunReport report = DeleteBlankLines(folder, window, SystemFileSystem());
    stat(b.c_str(), &now);
    EXPECT_EQ(report.ending, RunReport::Ending::Completed);
    EXPECT_EQ(window.progress, 66);
    for (const char* name : {"a.txt", "c.txt"}) EXPECT_EQ(folder.Read(name), kNew);
    EXPECT_EQ(testing::TemporaryFiles(folder.path()), std::vector<std::string>{});
    EXPECT_EQ(Describe(b), before + " " + Fingerprint(row.reason.empty() ? kNew : kOld));
    std::vector<std::string> reasons;
    for (const FileResult& file : report.files)
      if (file.kind == FileResult::Kind::LeftAlone) reasons.push_back(Utf16ToUtf8(file.reason));
    EXPECT_EQ(reasons, row.reason.empty() ? std::vector<std::string>{} : std::vector<std::string>{row.reason});
    EXPECT_EQ(report.Count(FileResult::Kind::Tidied), row.reason.empty() ? 3u : 2u);
    EXPECT_TRUE(!row.reason.empty() || now.st_ino != old.st_ino) << "replaced, not rewritten in place";
    Shell(folder.path(), "chattr -R -i -a .");  // the flags would block the clean-up
  }
}

}  // namespace
}  // namespace quelvane
