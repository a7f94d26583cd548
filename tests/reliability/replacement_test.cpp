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
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <set>

#include "batch_run.h"
#include "faulty_file_system.h"
#include "platform/folder_listing.h"
#include "printers.h"
#include "recording_window.h"
#include "reliability_support.h"
#include "progress.h"
#include "run_messages.h"
#include "temp_folder.h"

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

// GBK, UTF-8 with a byte-order mark, and b.txt large (several blocks) with a user attribute; c.txt is a link to a
// file in a sub-folder. The folder's default ACL is for new files only, so a tidied file must not take it.
struct OldFiles : TempFolder {
  OldFiles() {
    Write("a.txt", testing::Gbk(u"第一回\r\r\n今天\r\n"));
    std::string big;
    while (big.size() < (5u << 19)) big += "一行文字 line\r\n\r\n";
    Write("b.txt", big);
    Shell(path(), "mkdir elsewhere && ln -s elsewhere/c.dat c.txt");
    Write("elsewhere/c.dat", "\xEF\xBB\xBF" "c\r\n\r\n");
    Shell(path(), "setfattr -n user.origin -v scan b.txt; setfacl -d -m u:23456:r .");
  }
  // The run's temporary files, in the folder and in the one the link leads to.
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> names = testing::TemporaryFiles(path());
    for (const std::string& name : testing::TemporaryFiles(PathOf("elsewhere"))) names.push_back("elsewhere/" + name);
    return names;
  }
};

// A file left alone, with its reason.
using Named = std::pair<std::string, LeftAloneReason>;

std::vector<Named> LeftAloneFiles(const RunReport& report) {
  std::vector<Named> files;
  for (const FileResult& file : report.files)
    if (file.kind == FileResult::Kind::LeftAlone) files.emplace_back(file.name, file.why.reason);
  return files;
}

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

// EndsRun: the run says the folder cannot be opened, no file changed. LeftAlone: the file in hand keeps its old
// bytes and is named with the reason given; the run goes on. Harmless: the file is tidied all the same.
enum class Effect { EndsRun, LeftAlone, Harmless };

TEST_F(FaultInjection, EveryFailingCallLeavesEachFileOldOrNew) {
  using enum Effect;
  using enum Op;
  using enum LeftAloneReason;
  // Each failure: the call, the errno it fails with (or 0 for a short write), and the reason a file left alone gets.
  struct Failure { Op op; int error; LeftAloneReason reason = SystemError; };
  const struct { Effect effect; std::vector<Failure> failures; } groups[] = {
      {EndsRun, {{OpenListedFolder, EACCES}, {StatFolder, EIO}}},
      {LeftAlone,  // while the file is looked up and read
       {{LookUp, ENOENT, Vanished}, {LookUp, EIO, Unreadable}, {ReadLink, EIO, Unreadable},
        {OpenLinkFolder, EACCES, Unreadable}, {StatLinkFolder, EIO, Unreadable}, {OpenForReading, EACCES, Unreadable},
        {OpenForReading, EIO, Unreadable}, {StatOpened, EIO, Unreadable}, {Read, EIO, Unreadable},
        {ListAttributes, EIO, Unreadable}, {GetAttribute, EIO, Unreadable}, {StatFileSystem, EIO, Unreadable},
        {GetFatAttributes, EIO, Unreadable}}},
      {LeftAlone,  // while it is replaced; the first two before a temporary file is opened
       {{OpenForWriting, EACCES}, {OpenForWriting, EIO}, {CreateTemporary, ENOSPC, DiskFull},
        {CreateTemporary, EACCES, FolderNotWritable}, {StatTemporary, EIO}, {Write, ENOSPC, DiskFull}, {Write, EIO},
        {Write, EFBIG, FileSizeLimit}, {SetOwner, EPERM}, {ListTemporaryAttributes, EIO}, {RemoveAttribute, EPERM},
        {SetAttribute, ENOSPC, DiskFull}, {SetFatAttributes, EPERM}, {SetMode, EPERM}, {SyncTemporary, EIO},
        {CloseTemporary, EIO}, {StatBeforeRename, EIO, ChangedMeanwhile}, {ReadAgain, EIO, Unreadable},
        {Exchange, EIO}, {Exchange, ENOENT, ChangedMeanwhile}, {CheckReplaced, EIO}, {CheckTemporary, EIO},
        {Rename, EIO}, {Rename, EXDEV}}},
      {Harmless,  // retried, done another way, or nothing written depends on it
       {{Read, EINTR}, {GetInodeFlags, ENOTTY}, {CloseRead, EIO}, {CloseLinkFolder, EIO}, {CloseWriting, EIO},
        {Write, EINTR}, {Write, testing::kShortWrite}, {Lock, ENOLCK}, {Exchange, EINVAL}, {UnlinkOld, EIO},
        {OpenFolder, EMFILE}, {SyncFolder, EIO}, {CloseFolder, EIO}, {SyncRenamed, EIO}, {CloseRenamed, EIO},
        {CloseListedFolder, EIO}}},
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
      for (const auto& [op, error, reason] : group.failures) {
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
          fs.before = [&, op = op, n](Op called, int k, const std::string&) {
            if (called == op && k == n) inHand = FileInHand(window);
          };
          const RunReport report = DeleteBlankLines(folder, window, fs);
          ASSERT_TRUE(fs.fired);
          ASSERT_EQ(inHand >= 0, group.effect != EndsRun);
          EXPECT_EQ(folder.Leftovers(), std::vector<std::string>{});
          EXPECT_FALSE(window.busy);

          States expected = group.effect == EndsRun ? old_ : new_;
          if (group.effect == LeftAlone) expected[kNames[inHand]] = old_[kNames[inHand]];
          EXPECT_EQ(StatesOf(folder), expected);
          EXPECT_EQ(report.ending, group.effect == EndsRun ? RunReport::Ending::FolderUnavailable
                                                           : RunReport::Ending::Completed);
          EXPECT_EQ(window.progress, group.effect == EndsRun ? -1 : 66);
          EXPECT_EQ(window.Notices().size(), group.effect == Harmless ? 0u : 1u);
          if (group.effect != LeftAlone) continue;
          EXPECT_EQ(LeftAloneFiles(report), std::vector<Named>{Named(kNames[inHand], reason)});
          for (const FileResult& file : report.files)  // an errno carried is the one injected
            EXPECT_TRUE(file.why.error == 0 || file.why.error == error) << std::strerror(file.why.error);
        }
      }
  }
  for (const auto& group : groups)
    for (const auto& failure : group.failures)
      EXPECT_TRUE(exercised.contains(failure.op)) << "never made: " << testing::OpName(failure.op);
  std::cout << "[ figures  ] " << injected << " faults injected over " << kinds << " kinds of failure\n";
}

// Another process acts on a file (or its folder) just before the run makes the given call for it; $NAME is the name
// the call is for. What it left stays as it left it; the files it did not touch are tidied. A link, a file or a
// temporary name swapped in meanwhile is never followed, moved or written: the file is left alone instead.
TEST_F(FaultInjection, WhatAnotherProcessDidMeanwhileIsNeverUndone) {
  using enum LeftAloneReason;
  const char* const rewrite = "printf THEIRS | dd of=b.txt conv=notrunc status=none";
  // Another user's link planted under $NAME, to a file of the run's own user.
  const char* const plantLink = "printf mine > mine.dat && ln -s mine.dat planted && chown -h 65534 planted && "
                                "mv planted \"$NAME\"";
  // file: the index of the file in hand; leftAlone: the files left alone, with their reasons; type: the file
  // system's, if pretended; frozen: times too coarse to show the change.
  const struct { const char* name; Op at; const char* act; std::vector<Named> leftAlone; int file = 1; long type = 0;
                 bool frozen = false; } rows[] = {
      {"deleted between listing and reading", Op::LookUp, "rm b.txt", {{"b.txt", Vanished}}},
      {"replaced by a FIFO before reading", Op::LookUp, "rm b.txt && mkfifo b.txt", {{"b.txt", NotRegularFile}}},
      {"another user's link before the look-up", Op::LookUp, "rm b.txt && printf 'root only' > secret && "
       "ln -s secret b.txt && chown -h 65534 b.txt", {{"b.txt", LinkToOtherOwner}}},
      {"a link between the look-up and the opening", Op::OpenForReading, "mv b.txt b.dat && ln -s b.dat b.txt",
       {{"b.txt", ChangedMeanwhile}}},
      {"a link's folder swapped for a link", Op::OpenLinkFolder,
       "mv elsewhere moved && mkdir other && printf 'x\\r\\n\\r\\n' > other/c.dat && ln -s other elsewhere",
       {{"c.txt", ChangedMeanwhile}}, 2},
      {"a link's target replaced by a FIFO", Op::ReadLink, "rm elsewhere/c.dat && mkfifo elsewhere/c.dat",
       {{"c.txt", LinkToNonRegular}}, 2},
      {"first in the list, rewritten before the rename", Op::SyncTemporary, "printf 'theirs\\r\\n' > a.txt",
       {{"a.txt", ChangedMeanwhile}}, 0},
      {"replaced by a new file before the rename", Op::SyncTemporary,
       "printf 'their version\\r\\n\\r\\n' > theirs && mv theirs b.txt", {{"b.txt", ChangedMeanwhile}}},
      {"rewritten in place, same size", Op::SyncTemporary, rewrite, {{"b.txt", ChangedMeanwhile}}},
      {"rewritten in place where times do not move", Op::SyncTemporary, rewrite, {{"b.txt", ChangedMeanwhile}}, 1, 0,
       true},
      {"rewritten in place on FAT", Op::SyncTemporary, rewrite, {{"b.txt", ChangedMeanwhile}}, 1, MSDOS_SUPER_MAGIC,
       true},
      {"appended to", Op::SyncTemporary, "printf 'more\\r\\n' >> b.txt", {{"b.txt", ChangedMeanwhile}}},
      {"mode changed", Op::SyncTemporary, "chmod 600 b.txt", {{"b.txt", ChangedMeanwhile}}},
      {"deleted before the rename", Op::StatBeforeRename, "rm b.txt", {{"b.txt", ChangedMeanwhile}}},
      {"replaced just before the names are swapped", Op::Exchange,
       "printf 'their version\\r\\n' > theirs && mv theirs b.txt", {{"b.txt", ChangedMeanwhile}}},
      {"temporary name taken over just before the swap", Op::Exchange, plantLink, {{"b.txt", TakenOver}}},
      {"temporary name taken over before the rename, on FAT", Op::CheckTemporary, plantLink, {{"b.txt", TakenOver}}, 1,
       MSDOS_SUPER_MAGIC},
      {"whole folder removed", Op::LookUp, "rm -r \"$PWD\"", {{"b.txt", Vanished}, {"c.txt", Vanished}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    OldFiles folder;
    testing::FaultyFileSystem fs(row.type);
    fs.timesFrozen = row.frozen;
    RecordingWindow window;
    States expected = new_, othersMade;  // othersMade: the files the other process made, as it made them
    for (const auto& [name, reason] : row.leftAlone) expected[name] = old_[name];
    bool acted = false;
    fs.before = [&](Op op, int, const std::string& name) {
      if (acted || op != row.at || FileInHand(window) != row.file) return;
      acted = true;
      setenv("NAME", name.c_str(), 1);
      EXPECT_EQ(Shell(folder.path(), row.act), 0);
      for (const std::string& listed : kNames)  // the other process's doing
        if (const std::string now = Describe(folder.PathOf(listed)); now != old_[listed] && now != new_[listed])
          expected[listed] = now;
      std::error_code gone;
      for (const auto& entry : std::filesystem::directory_iterator(folder.path(), gone))
        if (const std::string other = entry.path().filename();
            entry.is_regular_file() && !other.starts_with('.') && std::ranges::count(kNames, other) == 0)
          othersMade[other] = Describe(entry.path());
    };
    const RunReport report = DeleteBlankLines(folder, window, fs);
    EXPECT_EQ(report.ending, RunReport::Ending::Completed);
    EXPECT_TRUE(acted);
    EXPECT_EQ(LeftAloneFiles(report), row.leftAlone);
    EXPECT_EQ(window.progress, 66);
    EXPECT_EQ(StatesOf(folder), expected);
    for (const auto& [name, state] : othersMade) EXPECT_EQ(Describe(folder.PathOf(name)), state) << name;
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
  using enum LeftAloneReason;
  // reason: why it is left alone, if it is
  const struct { const char* name; std::string command; std::optional<LeftAloneReason> reason = {}; } rows[] = {
      {"no write bit for anyone", "chmod 444 b.txt", ReadOnly},  // root could write it all the same
      {"immutable", "chattr +i b.txt", Unmodifiable}, {"append-only", "chattr +a b.txt", Unmodifiable},
      {"in a folder where nothing can be created",
       "mkdir locked && mv b.txt locked/b.dat && ln -s locked/b.dat b.txt && chattr +i locked", FolderNotWritable},
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
    EXPECT_EQ(Describe(b), before + " " + Fingerprint(row.reason ? kOld : kNew));
    const std::vector<Named> leftAlone = row.reason ? std::vector<Named>{Named("b.txt", *row.reason)} : std::vector<Named>{};
    EXPECT_EQ(LeftAloneFiles(report), leftAlone);
    EXPECT_EQ(report.Count(FileResult::Kind::Tidied), row.reason ? 2u : 3u);
    EXPECT_TRUE(row.reason || now.st_ino != old.st_ino) << "replaced, not rewritten in place";
    Shell(folder.path(), "chattr -R -i -a .");  // the flags would block the clean-up
  }
}

}  // namespace
}  // namespace quelvane
