// Read-only files in every form, as root too, and the metadata a tidied
// file keeps: owner, mode, ACL, extended attributes, and the link that
// leads to it. Each case skips visibly where this file system or these
// privileges cannot set it up.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "batch_run.h"
#include "platform/folder_listing.h"
#include "recording_window.h"
#include "reliability_support.h"
#include "run_summary.h"
#include "temp_folder.h"

namespace quelvane {
namespace {

// Sets or clears an inode attribute flag (chattr +i, +a); errno on failure.
int SetInodeFlag(const std::string& path, int flag, bool on) {
  int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK);
  if (fd < 0) return errno;
  int flags = 0;
  int error = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 ? 0 : errno;
  flags = on ? flags | flag : flags & ~flag;
  if (error == 0 && ioctl(fd, FS_IOC_SETFLAGS, &flags) != 0) error = errno;
  close(fd);
  return error;
}

std::string Attribute(const std::string& path, const char* name) {
  char value[4096];
  ssize_t length = getxattr(path.c_str(), name, value, sizeof value);
  return length < 0 ? std::string("none") : std::string(value, static_cast<size_t>(length));
}

// Everything the cases below set on b.txt, as one comparable text.
std::string Metadata(const std::string& path) {
  struct stat info {};
  stat(path.c_str(), &info);
  char target[256] = "";
  readlink(path.c_str(), target, sizeof target - 1);
  return std::to_string(info.st_uid) + ":" + std::to_string(info.st_gid) + " mode " +
         std::to_string(info.st_mode & 07777) + " acl " + Attribute(path, "system.posix_acl_access") + " user " +
         Attribute(path, "user.source") + " link " + target;
}

const std::string kOld = "x\r\n\r\ny\r\n";
const std::string kNew = "x\r\ny\r\n";

// a.txt, b.txt and c.txt, all to be tidied; each case makes b.txt special.
template <typename Case>
class SpecialFile : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) folder_.Write(name, kOld);
  }
  void TearDown() override {
    // Attribute flags outlive the test otherwise, and block its clean-up.
    for (const std::string& path : flagged_) SetInodeFlag(path, FS_IMMUTABLE_FL | FS_APPEND_FL, false);
  }
  std::string B() const { return folder_.PathOf("b.txt"); }
  // False, with why_ set, when the flag cannot be set here.
  bool Flag(const std::string& path, int flag) {
    int error = SetInodeFlag(path, flag, true);
    if (error == 0) flagged_.push_back(path);
    why_ = std::string("attribute flags cannot be set here: ") + std::strerror(error);
    return error == 0;
  }
  bool Shell(const std::string& command) {
    if (testing::Shell(command, &why_) == 0) return true;
    why_ = command + ": " + why_;
    return false;
  }
  // Moves b.txt into a folder of its own and leaves a link in its place.
  std::string MoveBehindLink(const std::string& subfolder) {
    mkdir(folder_.PathOf(subfolder).c_str(), 0755);
    const std::string target = folder_.PathOf(subfolder + "/b.dat");
    rename(B().c_str(), target.c_str());
    symlink((subfolder + "/b.dat").c_str(), B().c_str());
    return target;
  }
  RunReport Run() {
    FileListing files{folder_.path(), {}};
    EXPECT_TRUE(ListTextFiles(files.folder, files.names));
    TidySettings settings;
    settings.blankLineMode = BlankLineMode::Delete;
    testing::RecordingWindow window;
    RunReport report = RunTidy(settings, files, BuildRunSummary, window);
    EXPECT_EQ(report.ending, RunReport::Ending::Completed);
    EXPECT_EQ(window.progress, 66);
    EXPECT_EQ(folder_.Read("a.txt"), kNew);
    EXPECT_EQ(folder_.Read("c.txt"), kNew);
    EXPECT_EQ(testing::TemporaryFiles(folder_.path()), std::vector<std::string>{});
    return report;
  }

  testing::TempFolder folder_;
  std::string why_;
  std::vector<std::string> flagged_;
};

enum class ReadOnlyForm { NoWriteBitForAnyone, Immutable, AppendOnly, InFolderWhereNothingCanBeCreated };
std::string NameOf(ReadOnlyForm form) {
  static const char* names[] = {"NoWriteBitForAnyone", "Immutable", "AppendOnly", "InFolderWhereNothingCanBeCreated"};
  return names[static_cast<int>(form)];
}

class ReadOnly : public SpecialFile<ReadOnlyForm> {
 protected:
  // The file that must stay exactly as it is, or empty when this form
  // cannot be set up here.
  std::string Make() {
    switch (GetParam()) {
      case ReadOnlyForm::NoWriteBitForAnyone:
        chmod(B().c_str(), 0444);  // root could write it all the same
        return B();
      case ReadOnlyForm::Immutable: return Flag(B(), FS_IMMUTABLE_FL) ? B() : "";
      case ReadOnlyForm::AppendOnly: return Flag(B(), FS_APPEND_FL) ? B() : "";
      case ReadOnlyForm::InFolderWhereNothingCanBeCreated: {
        const std::string target = MoveBehindLink("locked");
        return Flag(folder_.PathOf("locked"), FS_IMMUTABLE_FL) ? target : "";
      }
    }
    return "";
  }
};

TEST_P(ReadOnly, FileIsLeftUntouchedAndTheOthersTidied) {
  const std::string path = Make();
  if (path.empty()) GTEST_SKIP() << why_;
  const std::string before = testing::Describe(path);
  EXPECT_EQ(Run().leftAlone, 1u);
  EXPECT_EQ(testing::Describe(path), before);
  EXPECT_EQ(testing::ReadFile(path), kOld);
}

INSTANTIATE_TEST_SUITE_P(EveryForm, ReadOnly,
                         ::testing::Values(ReadOnlyForm::NoWriteBitForAnyone, ReadOnlyForm::Immutable,
                                           ReadOnlyForm::AppendOnly,
                                           ReadOnlyForm::InFolderWhereNothingCanBeCreated),
                         [](const auto& info) { return NameOf(info.param); });

enum class Kept { OwnerGroupAndMode, AccessControlList, UserAttribute, AllOfThem, NoAclFromTheFolderDefault, Link };
std::string NameOf(Kept kept) {
  static const char* names[] = {"OwnerGroupAndMode", "AccessControlList",         "UserAttribute",
                                "AllOfThem",         "NoAclFromTheFolderDefault", "Link"};
  return names[static_cast<int>(kept)];
}

class Keeps : public SpecialFile<Kept> {
 protected:
  // False when it cannot be set up here.
  bool Make() {
    switch (GetParam()) {
      case Kept::OwnerGroupAndMode: return GiveAway();
      case Kept::AccessControlList: return Shell("setfacl -m u:23456:r " + testing::Quoted(B()));
      case Kept::AllOfThem:
        return Shell("setfacl -m u:23456:r " + testing::Quoted(B())) &&
               Shell("setfattr -n user.source -v scanned " + testing::Quoted(B())) && GiveAway();
      // New files in the folder get an ACL; the tidied file must not.
      case Kept::NoAclFromTheFolderDefault: return Shell("setfacl -d -m u:23456:rw " + testing::Quoted(folder_.path()));
      case Kept::UserAttribute: return Shell("setfattr -n user.source -v scanned " + testing::Quoted(B()));
      case Kept::Link: return !MoveBehindLink("elsewhere").empty();
    }
    return false;
  }
  bool GiveAway() {
    if (chown(B().c_str(), 12345, 12345) == 0) return chmod(B().c_str(), 0640) == 0;
    why_ = std::string("cannot give a file away: ") + std::strerror(errno);
    return false;
  }
};

TEST_P(Keeps, WhatTheFileCarriesWhenItIsTidied) {
  if (!Make()) GTEST_SKIP() << why_;
  const std::string before = Metadata(B());
  struct stat old {}, now {};
  ASSERT_EQ(stat(B().c_str(), &old), 0);
  EXPECT_EQ(Run().tidied, 3u);
  EXPECT_EQ(folder_.Read("b.txt"), kNew);
  ASSERT_EQ(stat(B().c_str(), &now), 0);
  EXPECT_NE(now.st_ino, old.st_ino) << "replaced, not rewritten in place";
  EXPECT_EQ(Metadata(B()), before);
}

INSTANTIATE_TEST_SUITE_P(EveryKind, Keeps,
                         ::testing::Values(Kept::OwnerGroupAndMode, Kept::AccessControlList, Kept::UserAttribute,
                                           Kept::AllOfThem, Kept::NoAclFromTheFolderDefault, Kept::Link),
                         [](const auto& info) { return NameOf(info.param); });

}  // namespace
}  // namespace quelvane
