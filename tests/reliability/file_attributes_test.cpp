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
#include <functional>

#include "batch_run.h"
#include "platform/folder_listing.h"
#include "recording_window.h"
#include "reliability_support.h"
#include "run_summary.h"
#include "temp_folder.h"

namespace quelvane {
namespace {

using testing::Describe;
using testing::TempFolder;

// Sets or clears an inode attribute flag (chattr +i, +a); errno on failure.
int SetInodeFlag(const std::string& path, unsigned flag, bool on) {
  int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK);
  if (fd < 0) return errno;
  int flags = 0;
  int error = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 ? 0 : errno;
  if (error == 0) {
    flags = on ? (flags | static_cast<int>(flag)) : (flags & ~static_cast<int>(flag));
    if (ioctl(fd, FS_IOC_SETFLAGS, &flags) != 0) error = errno;
  }
  close(fd);
  return error;
}

const std::string kOld = "x\r\n\r\ny\r\n";
const std::string kNew = "x\r\ny\r\n";

// a.txt, b.txt and c.txt, all to be tidied; each case makes b.txt special.
class SpecialFile : public ::testing::Test {
 public:
  void SetUp() override {
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) folder.Write(name, kOld);
  }
  void TearDown() override {
    // Attribute flags outlive the test otherwise, and block its clean-up.
    for (const std::string& path : flagged_) {
      SetInodeFlag(path, FS_IMMUTABLE_FL, false);
      SetInodeFlag(path, FS_APPEND_FL, false);
    }
  }
  std::string B() const { return folder.PathOf("b.txt"); }
  // Sets a flag for the test's length; false when it cannot be set here.
  bool Flag(const std::string& path, unsigned flag, std::string& why) {
    if (int error = SetInodeFlag(path, flag, true); error != 0) {
      why = std::string("attribute flags cannot be set here: ") + std::strerror(error);
      return false;
    }
    flagged_.push_back(path);
    return true;
  }
  // Moves b.txt into a folder of its own and leaves a link in its place.
  std::string MoveBehindLink(const std::string& subfolder) {
    std::string target = folder.PathOf(subfolder);
    mkdir(target.c_str(), 0755);
    target += "/b.dat";
    rename(B().c_str(), target.c_str());
    symlink((subfolder + "/b.dat").c_str(), B().c_str());
    return target;
  }
  RunReport Run() {
    FileListing files{folder.path(), {}};
    EXPECT_TRUE(ListTextFiles(files.folder, files.names));
    TidySettings settings;
    settings.blankLineMode = BlankLineMode::Delete;
    testing::RecordingWindow window;
    RunReport report = RunTidy(settings, files, BuildRunSummary, window);
    EXPECT_EQ(window.progress, 66);
    return report;
  }
  void ExpectOthersTidied() {
    EXPECT_EQ(folder.Read("a.txt"), kNew);
    EXPECT_EQ(folder.Read("c.txt"), kNew);
    EXPECT_EQ(testing::TemporaryFiles(folder.path()), std::vector<std::string>{});
  }

  TempFolder folder;

 private:
  std::vector<std::string> flagged_;
};

// How b.txt is made read-only; returns the path whose state must not
// change, or empty with `why` set when it cannot be done here.
struct ReadOnlyCase {
  const char* name;
  std::function<std::string(SpecialFile&, std::string& why)> make;
};

void PrintTo(const ReadOnlyCase& c, std::ostream* out) { *out << c.name; }

class ReadOnly : public SpecialFile, public ::testing::WithParamInterface<ReadOnlyCase> {};

TEST_P(ReadOnly, FileIsLeftUntouchedAndTheOthersTidied) {
  std::string why;
  const std::string path = GetParam().make(*this, why);
  if (path.empty()) GTEST_SKIP() << why;
  const std::string before = Describe(path);
  const RunReport report = Run();
  EXPECT_EQ(report.ending, RunReport::Ending::Completed);
  EXPECT_EQ(report.leftAlone, 1u);
  EXPECT_EQ(Describe(path), before);
  EXPECT_EQ(testing::ReadFile(path), kOld);
  ExpectOthersTidied();
}

INSTANTIATE_TEST_SUITE_P(
    EveryForm, ReadOnly,
    ::testing::Values(
        ReadOnlyCase{"NoWriteBitForAnyone",
                     [](SpecialFile& t, std::string&) {
                       chmod(t.B().c_str(), 0444);  // root could write it all the same
                       return t.B();
                     }},
        ReadOnlyCase{"Immutable",
                     [](SpecialFile& t, std::string& why) {
                       return t.Flag(t.B(), FS_IMMUTABLE_FL, why) ? t.B() : "";
                     }},
        ReadOnlyCase{"AppendOnly",
                     [](SpecialFile& t, std::string& why) {
                       return t.Flag(t.B(), FS_APPEND_FL, why) ? t.B() : "";
                     }},
        ReadOnlyCase{"InFolderWhereNothingCanBeCreated",
                     [](SpecialFile& t, std::string& why) {
                       std::string target = t.MoveBehindLink("locked");
                       return t.Flag(t.folder.PathOf("locked"), FS_IMMUTABLE_FL, why) ? target : "";
                     }}),
    [](const auto& info) { return info.param.name; });

// What b.txt carries that tidying must keep. `make` returns false, with
// `why`, where it cannot be set up here; `describe` reads it back.
struct MetadataCase {
  const char* name;
  std::function<bool(SpecialFile&, std::string& why)> make;
  std::function<std::string(SpecialFile&)> describe;
};

std::string OwnerAndMode(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return std::strerror(errno);
  return std::to_string(info.st_uid) + ":" + std::to_string(info.st_gid) + " " + std::to_string(info.st_mode & 07777);
}

std::string Attribute(const std::string& path, const char* name) {
  char value[4096];
  ssize_t length = getxattr(path.c_str(), name, value, sizeof value);
  return length < 0 ? std::string("<none: ") + std::strerror(errno) + ">" : std::string(value, length);
}

bool Shell(const std::string& command, std::string& why) {
  if (testing::Shell(command, &why) == 0) return true;
  why = command + ": " + why;
  return false;
}

void PrintTo(const MetadataCase& c, std::ostream* out) { *out << c.name; }

class Metadata : public SpecialFile, public ::testing::WithParamInterface<MetadataCase> {};

TEST_P(Metadata, IsKeptWhenTheFileIsTidied) {
  std::string why;
  if (!GetParam().make(*this, why)) GTEST_SKIP() << why;
  const std::string before = GetParam().describe(*this);
  struct stat old {};
  ASSERT_EQ(stat(B().c_str(), &old), 0);

  EXPECT_EQ(Run().tidied, 3u);
  EXPECT_EQ(folder.Read("b.txt"), kNew);
  struct stat now {};
  ASSERT_EQ(stat(B().c_str(), &now), 0);
  EXPECT_NE(now.st_ino, old.st_ino) << "replaced, not rewritten in place";
  EXPECT_EQ(GetParam().describe(*this), before);
  ExpectOthersTidied();
}

INSTANTIATE_TEST_SUITE_P(
    EveryKind, Metadata,
    ::testing::Values(
        MetadataCase{"OwnerGroupAndMode",
                     [](SpecialFile& t, std::string& why) {
                       if (chown(t.B().c_str(), 12345, 12345) != 0) {
                         why = std::string("cannot give a file away: ") + std::strerror(errno);
                         return false;
                       }
                       return chmod(t.B().c_str(), 0640) == 0;
                     },
                     [](SpecialFile& t) { return OwnerAndMode(t.B()); }},
        MetadataCase{"AccessControlList",
                     [](SpecialFile& t, std::string& why) {
                       return Shell("setfacl -m u:23456:r " + testing::Quoted(t.B()), why);
                     },
                     [](SpecialFile& t) {
                       return Attribute(t.B(), "system.posix_acl_access") + OwnerAndMode(t.B());
                     }},
        MetadataCase{"NoAclWhereTheFolderHasADefaultOne",
                     [](SpecialFile& t, std::string& why) {
                       return Shell("setfacl -d -m u:23456:rw " + testing::Quoted(t.folder.path()), why);
                     },
                     [](SpecialFile& t) {
                       return Attribute(t.B(), "system.posix_acl_access") + OwnerAndMode(t.B());
                     }},
        MetadataCase{"UserAttribute",
                     [](SpecialFile& t, std::string& why) {
                       return Shell("setfattr -n user.source -v scanned " + testing::Quoted(t.B()), why);
                     },
                     [](SpecialFile& t) { return Attribute(t.B(), "user.source"); }},
        MetadataCase{"SymbolicLinkStaysALink",
                     [](SpecialFile& t, std::string&) {
                       t.MoveBehindLink("elsewhere");
                       return true;
                     },
                     [](SpecialFile& t) { return Describe(t.B()); }}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace quelvane
