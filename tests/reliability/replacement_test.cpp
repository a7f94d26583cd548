// How a run replaces files, as root: every file-access call failing at each occurrence, other processes acting at the
// worst moments, read-only forms, what a tidied file keeps. Each file ends old or wholly new, no temporary is left.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/magic.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>

#include "batch_run.h"
#include "faulty_file_system.h"
#include "platform/folder_listing.h"
#include "printers.h"
#include "recording_window.h"
#include "progress.h"
#include "reliability_support.h"
#include "platform/temporary_name.h"
#include "temp_folder.h"
#include "tidy_bytes.h"

namespace quelvane {
namespace {

using testing::Describe;
using testing::Fingerprint;
using testing::Op;
using testing::RecordingWindow;
using testing::Shell;
using testing::TempFolder;
using States = std::map<std::string, std::string>;

const std::vector<std::string> kNames = {"a.txt", "b.txt", "c.txt"};

const TidySettings kDeleteBlankLines{.blankLineMode = BlankLineMode::Delete};

RunReport DeleteBlankLines(const TempFolder& folder, RecordingWindow& window, FileSystem& fs) {
  FileListing files{folder.path(), {}};
  EXPECT_TRUE(ListTextFiles(files.folder, files.names));
  return RunTidy(kDeleteBlankLines, files, window, fs);
}

States StatesOf(const TempFolder& folder) {
  States states;
  for (const std::string& name : kNames) states[name] = Describe(folder.PathOf(name));
  return states;
}

// Index of the file a call is for: the listed file it names, or stands for by its temporary name (files wait to be
// flushed and renamed together); else the file in hand, from what the progress label shows.
int FileInHand(const RecordingWindow& window, const std::string& name = "") {
  const std::string_view standsFor = KeptPartOfTemporaryName(name).value_or(name);
  for (size_t i = 0; i < kNames.size(); ++i)
    if (standsFor == kNames[i]) return static_cast<int>(i);
  for (size_t i = 0; i < kNames.size(); ++i)
    if (ProgressSquares(i, kNames.size()) == window.progress) return static_cast<int>(i);
  return -1;
}

// GBK; b.txt large, with a user attribute: GB18030 whose first four-byte code comes after several blocks, so that
// the temporary file is written as GBK, then emptied and written again; c.txt, UTF-8 with a byte-order mark, is a
// link to a file in a sub-folder. The folder's default ACL is for new files only, so a tidied file must not take it.
struct OldFiles : TempFolder {
  OldFiles() {
    Write("a.txt", testing::Gbk(u"第一回\r\r\n今天\r\n"));
    const std::string line = testing::Gbk(u"一行文字 line\r\n\r\n");
    std::string big;
    while (big.size() < (5u << 19)) big += line;
    Write("b.txt", big + "\x81\x39\xEE\x39");
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

using Named = std::pair<std::string, LeftAloneReason>;  // a file left alone, with its reason

std::vector<Named> LeftAloneFiles(const RunReport& report) {
  std::vector<Named> files;
  for (const FileResult& file : report.files)
    if (file.kind == FileResult::Kind::LeftAlone) files.emplace_back(file.name, file.why.reason);
  return files;
}

class FaultInjection : public ::testing::Test {
 protected:
  // A clean run: the new states. b.txt's temporary file, emptied and written again, holds the new bytes alone.
  void SetUp() override {
    old_ = StatesOf(clean_);
    std::string tidiedB;
    ASSERT_EQ(TidyBytes(clean_.Read("b.txt"), std::get<TidyPlan>(CheckSettings(kDeleteBlankLines, 1)), tidiedB),
              std::nullopt);
    RecordingWindow window;
    ASSERT_EQ(DeleteBlankLines(clean_, window, SystemFileSystem()).Count(FileResult::Kind::Tidied), 3u);
    new_ = StatesOf(clean_);
    EXPECT_TRUE(clean_.Read("b.txt") == tidiedB);
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
      {EndsRun,
       {{OpenListedFolder, EACCES},
        {StatFolder,       EIO}}},
      {LeftAlone,  // while the file is looked up and read
       {{LookUp,           ENOENT, Vanished},
        {LookUp,           EIO,    Unreadable},
        {ReadLink,         EIO,    Unreadable},
        {OpenLinkFolder,   EACCES, Unreadable},
        {StatLinkFolder,   EIO,    Unreadable},
        {OpenForReading,   EACCES, Unreadable},
        {StatOpened,       EIO,    Unreadable},
        {Read,             EIO,    Unreadable},
        {ListAttributes,   EIO,    Unreadable},
        {GetAttribute,     EIO,    Unreadable},
        {StatFileSystem,   EIO,    Unreadable},
        {GetFatAttributes, EIO,    Unreadable}}},
      {LeftAlone,  // while it is replaced; the first before a temporary file is opened
       {{CheckWritable,           EACCES},
        {CreateTemporary,         ENOSPC, DiskFull},
        {CreateTemporary,         EACCES, FolderNotWritable},
        {StatTemporary,           EIO},
        {Write,                   ENOSPC, DiskFull},
        {Write,                   EIO},
        {Write,                   EFBIG,  FileSizeLimit},
        {EmptyTemporary,          EIO},
        {SetOwner,                EPERM},
        {ListTemporaryAttributes, EIO},
        {RemoveAttribute,         EPERM},
        {SetAttribute,            ENOSPC, DiskFull},
        {SetFatAttributes,        EPERM},
        {SetMode,                 EPERM},
        {SyncTemporary,           EIO},
        {CloseTemporary,          EIO},
        {StatBeforeRename,        EIO,    ChangedMeanwhile},
        {ReadAgain,               EIO,    Unreadable},
        {Exchange,                EIO},
        {Exchange,                ENOENT, ChangedMeanwhile},
        {CheckNames,              EIO},
        {Rename,                  EIO}}},
      {Harmless,  // retried, done another way, or nothing written depends on it
       {{Read,          EINTR},
        {GetInodeFlags, ENOTTY},
        {Write,         EINTR},
        {Write,         testing::kShortWrite},
        {Lock,          ENOLCK},
        {Exchange,      EINVAL},
        {UnlinkOld,     EIO},
        {OpenFolder,    EMFILE},
        {Sync,          EIO},
        {Close,         EIO}}},
  };
  int injected = 0;
  std::set<Op> exercised;
  // As here; with descriptors enough for one waiting file only, so that each is placed before the next and the
  // originals go while b.txt, a large one, is tidied; and as on FAT, whose path differs (the file system's type is
  // all the run goes by).
  const struct { long type; bool oneWaiting; } configurations[] = {{0, false}, {0, true}, {MSDOS_SUPER_MAGIC, false}};
  for (const auto& [type, oneWaiting] : configurations) {
    const testing::DescriptorLimit limit(oneWaiting ? 18 : 0);
    testing::FaultyFileSystem trace(type);
    OldFiles traced;
    RecordingWindow tracedWindow;
    ASSERT_EQ(DeleteBlankLines(traced, tracedWindow, trace).Count(FileResult::Kind::Tidied), 3u);
    for (const auto& group : groups)
      for (const auto& [op, error, reason] : group.failures) {
        if (trace.Count(op) > 0) exercised.insert(op);
        for (int n = 1; n <= trace.Count(op); ++n, ++injected) {
          SCOPED_TRACE(std::string(type ? "as on FAT: " : oneWaiting ? "one waiting: " : "") + testing::OpName(op) +
                       " #" + std::to_string(n) +
                       " fails with " + (error ? std::strerror(error) : "a short write"));
          OldFiles folder;
          testing::FaultyFileSystem fs(type);
          fs.fault = testing::Fault{op, n, error};
          RecordingWindow window;
          int inHand = -1;
          fs.before = [&, op = op, n](Op called, int k, const std::string& name) {
            if (called == op && k == n) inHand = FileInHand(window, name);
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
          const auto isNotice = [](const std::string& event) { return event.starts_with("notice:"); };
          EXPECT_EQ(std::ranges::count_if(window.events, isNotice), group.effect == EndsRun ? 1 : 0);
          if (group.effect != LeftAlone) continue;
          EXPECT_EQ(LeftAloneFiles(report), std::vector<Named>{Named(kNames[inHand], reason)});
          const int carried = report.files.at(inHand).why.error;  // none, or the one injected
          EXPECT_EQ(std::string(std::strerror(carried == 0 ? error : carried)), std::strerror(error));
        }
      }
  }
  for (const auto& group : groups)
    for (const auto& failure : group.failures)
      EXPECT_TRUE(exercised.contains(failure.op)) << "never made: " << testing::OpName(failure.op);
  std::cout << "[ figures  ] " << injected << " faults injected\n";
}

// Another process acts on a file or its folder just before the run's given call for it ($NAME: the name it is for).
// What it left stays so: a link, file or temporary name swapped in is never followed, moved or written.
TEST_F(FaultInjection, WhatAnotherProcessDidMeanwhileIsNeverUndone) {
  using enum LeftAloneReason;
  const char* const rewrite = "printf THEIRS | dd of=b.txt conv=notrunc status=none";
  // Another user's link planted under $NAME, to a file of the run's own user.
  const char* const plantLink = "printf mine > mine.dat && ln -s mine.dat planted && chown -h 65534 planted && "
                                "mv planted \"$NAME\"";
  // file: the index of the file in hand; leftAlone: the files left alone, with their reasons; type: the file
  // system's, if pretended; frozen: times too coarse to show the change.
  struct Row { const char* name; Op at; const char* act; std::vector<Named> leftAlone; int file = 1; long type = 0;
               bool frozen = false; };
  const Row rows[] = {
      {"a link between the look-up and the opening", Op::OpenForReading, "mv b.txt b.dat && ln -s b.dat b.txt",
       {{"b.txt", ChangedMeanwhile}}},
      {.name = "a link's folder swapped for a link", .at = Op::OpenLinkFolder,
       .act = "mv elsewhere moved && mkdir other && printf 'x\\r\\n\\r\\n' > other/c.dat && ln -s other elsewhere",
       .leftAlone = {{"c.txt", ChangedMeanwhile}}, .file = 2},
      {"rewritten in place, same size", Op::SyncTemporary, rewrite, {{"b.txt", ChangedMeanwhile}}},
      {.name = "rewritten in place where times do not move", .at = Op::SyncTemporary, .act = rewrite,
       .leftAlone = {{"b.txt", ChangedMeanwhile}}, .frozen = true},
      {"mode changed", Op::SyncTemporary, "chmod 600 b.txt", {{"b.txt", ChangedMeanwhile}}},
      {"replaced just before the names are swapped", Op::Exchange,
       "printf 'their version\\r\\n' > theirs && mv theirs b.txt", {{"b.txt", ChangedMeanwhile}}},
      {"temporary name taken over just before the swap", Op::Exchange, plantLink, {{"b.txt", TakenOver}}},
      {.name = "temporary name taken over before the rename, on FAT", .at = Op::CheckNames, .act = plantLink,
       .leftAlone = {{"b.txt", TakenOver}}, .type = MSDOS_SUPER_MAGIC},
      // a.txt's new content was waiting to take its place.
      {"whole folder removed", Op::LookUp, "rm -r \"$PWD\"",
       {{"a.txt", ChangedMeanwhile}, {"b.txt", Vanished}, {"c.txt", Vanished}}},
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
      if (acted || op != row.at || FileInHand(window, name) != row.file) return;
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
    EXPECT_EQ(LeftAloneFiles(DeleteBlankLines(folder, window, fs)), row.leftAlone);
    EXPECT_EQ(StatesOf(folder), expected);
    for (const auto& [name, state] : othersMade) EXPECT_EQ(Describe(folder.PathOf(name)), state) << name;
    EXPECT_EQ(testing::TemporaryFiles(folder.path()), std::vector<std::string>{});
  }
}

// What an interrupted run left is removed by the next one, and nothing else: not a file another run still holds,
// not one just made (its run may not hold it yet), not one whose original is gone, not a name of another form.
TEST(Leftovers, OnlyAnInterruptedRunsTemporaryFilesAreRemoved) {
  const struct { const char* name; bool old = true, held = false, removed = false; } rows[] = {
      {.name = ".a.txt.quelvane-0123abcd", .removed = true},
      {.name = ".b.txt.quelvane-0123abcd", .held = true},
      {.name = ".c.txt.quelvane-0123abcd", .old = false},  // made just now
      {.name = ".gone.txt.quelvane-0123abcd"},             // no original
      {.name = ".a.txt.quelvane-0123ABCD"},
      {.name = ".a.txt.quelvane-0123abc"},
      {.name = "a.txt.quelvane-0123abcd"},
  };
  TempFolder folder;
  for (const std::string& name : kNames) folder.Write(name, "x\r\n");
  std::vector<int> locks;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
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

// b.txt made special by a shell command (skipped, with the reason, where that cannot be done here): a read-only form
// is left untouched, any other replaced by a new file carrying all the old one did; a.txt and c.txt are tidied.
TEST(SpecialFile, ReadOnlyFormsStayAndTheOthersKeepWhatTheyCarry) {
  const std::string kOld = "x\r\n\r\ny\r\n", kNew = "x\r\ny\r\n";
  using enum LeftAloneReason;
  // leftAlone: b.txt with its reason, if it is left alone
  const struct { const char* name; std::string command; std::vector<Named> leftAlone = {}; } rows[] = {
      {"immutable", "chattr +i b.txt", {{"b.txt", Unmodifiable}}},
      {"append-only", "chattr +a b.txt", {{"b.txt", Unmodifiable}}},
      {"in a folder where nothing can be created",
       "mkdir locked && mv b.txt locked/b.dat && ln -s locked/b.dat b.txt && chattr +i locked",
       {{"b.txt", FolderNotWritable}}},
      {"owner, group and mode", "chown 12345:12345 b.txt && chmod 640 b.txt"},
      // New files in the folder get an ACL: the tidied file must not take it, nor keep it instead of its own.
      {"no ACL from the folder default", "setfacl -d -m u:23456:rw ."},
      {"own ACL and attribute over the folder default",
       "setfacl -m u:23456:r b.txt && setfattr -n user.source -v scanned b.txt && setfacl -d -m u:34567:rw ."},
      {"an attribute too long for a first read", "setfattr -n user.long -v $(printf %3000s | tr ' ' x) b.txt"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TempFolder folder;
    for (const std::string& name : kNames) folder.Write(name, kOld);
    std::string why;
    if (Shell(folder.path(), row.command, &why) != 0) {
      std::cout << "[ skipped  ] " << row.name << ": " << row.command << ": " << why << "\n";
      continue;
    }
    const std::string b = folder.PathOf("b.txt"), before = Describe(b, false);
    struct stat old {}, now {};
    stat(b.c_str(), &old);
    RecordingWindow window;
    const RunReport report = DeleteBlankLines(folder, window, SystemFileSystem());
    stat(b.c_str(), &now);
    for (const char* name : {"a.txt", "c.txt"}) EXPECT_EQ(folder.Read(name), kNew) << name;
    EXPECT_EQ(testing::TemporaryFiles(folder.path()), std::vector<std::string>{});
    EXPECT_EQ(LeftAloneFiles(report), row.leftAlone);
    EXPECT_EQ(Describe(b), before + " " + Fingerprint(row.leftAlone.empty() ? kNew : kOld));
    EXPECT_EQ(now.st_ino != old.st_ino, row.leftAlone.empty()) << "a new file in its place only if it is tidied";
    Shell(folder.path(), "chattr -R -i -a .");  // the flags would block the clean-up
  }
}

}  // namespace
}  // namespace quelvane
