// The headless driver as a real process: its command line and settings, under limits, as another user, killed at
// random moments, fed hostile folders. Every file ends old or wholly new, and only text the driver may rewrite changes.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include "platform/folder_listing.h"
#include "platform/temporary_name.h"
#include "reliability_support.h"
#include "run_messages.h"
#include "temp_folder.h"
#include "text/text.h"

namespace quelvane {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using enum LeftAloneReason;
using testing::Fingerprint;
using testing::TempFolder;
using Contents = std::map<std::string, std::string>;  // name -> fingerprint
using Named = std::pair<std::string, LeftAlone>;       // a file left alone, its name as the driver prints it

// Its exit status, or 128 + the signal that ended it, as a shell gives it.
int WaitFor(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) continue;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

Contents Read(const std::string& folder) {
  Contents contents;
  std::vector<std::string> names;
  EXPECT_TRUE(ListTextFiles(folder, names));
  for (const std::string& name : names) contents[name] = Fingerprint(testing::ReadFile(folder + "/" + name));
  return contents;
}

struct Copy : TempFolder {
  explicit Copy(const TempFolder& of) { fs::copy(of.path(), path(), fs::copy_options::recursive); }
};

// The box that ends a run which left files alone, as the driver prints it: 20 names at most, then how many more.
std::string Box(const std::vector<Named>& files) {
  std::string box = "notice\t整理完成，但有 " + std::to_string(files.size()) + " 个文件未能整理，保持原样：";
  for (size_t i = 0; i < std::min<size_t>(files.size(), 20); ++i)
    box += "\\r\\n" + files[i].first + "：" + Utf16ToUtf8(DescribeLeftAlone(files[i].second));
  if (files.size() > 20) box += "\\r\\n……另有 " + std::to_string(files.size() - 20) + " 个文件未整理";
  return box;
}

class Driver : public ::testing::Test {
 protected:
  void SetUp() override { if (driver_ == nullptr) GTEST_SKIP() << "QUELVANE_HEADLESS is not set"; }
  // Starts the driver on `folder`, through `wrapper` (e.g. prlimit or setpriv and options) if given, with `args`,
  // where a leading S stands for the settings file and F for the folder. Its output goes to Out() and Err().
  pid_t Start(std::string_view settings, const std::string& folder, std::vector<std::string> wrapper = {},
              const std::vector<std::string>& args = {"S", "F"}) {
    testing::WriteFile(work_.PathOf("settings.ini"), settings);
    chmod(work_.path().c_str(), 0755);  // readable by another user too
    wrapper.push_back(driver_);
    for (const std::string& arg : args)
      wrapper.push_back(arg.starts_with('S')   ? work_.PathOf("settings.ini") + arg.substr(1)
                        : arg.starts_with('F') ? folder + arg.substr(1)
                                               : arg);
    std::vector<char*> argv;
    for (std::string& arg : wrapper) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const std::string out = work_.PathOf("out"), err = work_.PathOf("err");
    const pid_t pid = fork();
    if (pid != 0) return pid;
    // The child: only async-signal-safe calls until exec. It dies with the test, however the test ends.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDOUT_FILENO);
    dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDERR_FILENO);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int Run(std::string_view settings, const std::string& folder, std::vector<std::string> wrapper = {},
          const std::vector<std::string>& args = {"S", "F"}) {
    return WaitFor(Start(settings, folder, std::move(wrapper), args));
  }
  std::string Out() const { return work_.Read("out"); }
  std::string Err() const { return work_.Read("err"); }  // a sanitizer's report shows here too
  // The box that ends a run, if it shows one.
  std::string LastLine() const {
    std::istringstream out(Out());
    std::string line, last;
    while (std::getline(out, line)) last = line;
    return last;
  }

  const char* const driver_ = std::getenv("QUELVANE_HEADLESS");
  TempFolder work_;
};

// AddressSanitizer reserves terabytes of address space up front and holds freed memory in quarantine: memory limits
// are not the program's own to honour under it.
#if defined(__has_feature)
constexpr bool kAddressSanitizer = __has_feature(address_sanitizer);
#elif defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif

// Idempotent, so that a run after an interrupted one tidies every file to the bytes of one uninterrupted run.
constexpr std::string_view kSettings = "optDelete=1\ntxtReplaceS=\t\ntxtReplaceT=\n";

// Lines of GBK or UTF-8 text with tabs and blank lines to take out.
std::string Text(std::mt19937& random, size_t size, bool gbk) {
  static const std::u16string_view words[] = {u"第一回", u"今天的天气", u"很好。", u"\t缩进", u"", u"完", u"line"};
  std::string text = gbk ? "" : "\xEF\xBB\xBF";
  while (text.size() < size) {
    const std::u16string line =
        std::u16string(words[random() % std::size(words)]) + std::u16string(words[random() % std::size(words)]);
    text += gbk ? testing::Gbk(line) : Utf16ToUtf8(line);
    text += random() % 3 == 0 ? "\r\n\r\n" : "\r\n";
  }
  return text;
}

using ProcessFault = Driver;

// A few dozen files, several MB in all, one large file in the middle: killed at any moment, the driver leaves each
// with its old bytes or with those one uninterrupted run makes of it.
TEST_F(ProcessFault, KilledAtAnyMomentEveryFileIsOldOrNew) {
  std::mt19937 random(20);
  TempFolder source;
  for (int i = 0; i < 36; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, i == 18 ? "18-large.txt" : "%02d.txt", i);
    source.Write(name, Text(random, i == 18 ? 8 << 20 : 20000 + random() % 100000, i % 2));
  }
  const Contents old = Read(source.path());
  const Copy reference(source);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(Run(kSettings, reference.path()), 0) << Err();
  const auto runTime = std::chrono::steady_clock::now() - start;
  const Contents tidied = Read(reference.path());
  const auto largeFileInHand = [](const std::string& books) {
    return std::ranges::any_of(testing::TemporaryFiles(books), [](auto& n) { return n.starts_with(".18-large.txt."); });
  };
  int kills = 0, duringLargeFile = 0;
  for (int attempt = 0; kills < 24 && attempt < 80; ++attempt) {
    const Copy books(source);
    const pid_t driver = Start(kSettings, books.path());
    const bool duringLarge = attempt % 3 == 0;  // while the large file is being written, flushed, renamed
    while (duringLarge && !largeFileInHand(books.path()) && waitpid(driver, nullptr, WNOHANG) == 0)
      std::this_thread::yield();
    std::this_thread::sleep_for(std::uniform_real_distribution(0.0, 1.0)(random) * runTime / (duringLarge ? 20 : 1));
    kill(driver, SIGKILL);
    if (WaitFor(driver) != 128 + SIGKILL) continue;  // it had finished already
    ++kills;
    SCOPED_TRACE("kill " + std::to_string(kills));

    // Those of the files waiting to take their places: one each at most.
    const std::vector<std::string> leftovers = testing::TemporaryFiles(books.path());
    std::set<std::string_view> standFor;
    for (const std::string& name : leftovers) standFor.insert(KeptPartOfTemporaryName(name).value_or(""));
    EXPECT_EQ(standFor.size(), leftovers.size());
    if (largeFileInHand(books.path())) ++duringLargeFile;
    const Contents now = Read(books.path());  // hidden temporary files are never listed
    ASSERT_EQ(now.size(), old.size());
    for (const auto& [name, print] : now)  // new, unless it is still old
      EXPECT_EQ(print, print == old.at(name) ? old.at(name) : tidied.at(name)) << name;
    // The next run removes what was left, once it is old enough to be surely no live run's.
    const timespec longAgo[2] = {{time(nullptr) - 120, 0}, {time(nullptr) - 120, 0}};
    for (const std::string& name : leftovers) utimensat(AT_FDCWD, (books.path() + "/" + name).c_str(), longAgo, 0);
    ASSERT_EQ(Run(kSettings, books.path()), 0) << Err();
    EXPECT_EQ(Read(books.path()), tidied);
    EXPECT_EQ(testing::TemporaryFiles(books.path()), std::vector<std::string>{});
  }
  EXPECT_GE(kills, 20);
  EXPECT_GE(duringLargeFile, 1);
}

const std::string kOk = "ok\r\n\r\n", kTidied = "ok\r\n";
const std::vector<std::string> kNobody = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                                          "--pdeathsig=keep"};  // still dies with the test

// A file of a test's folder: its bytes, and `after` them once tidied (empty: as they were); or `linkTo`, a symbolic
// link instead, with its target's bytes; or `sparse`, that many bytes of which none is written.
struct File { std::string name, bytes, after = {}, linkTo = {}; mode_t mode = 0644; uid_t owner = 0;
              off_t sparse = 0; };

// What the driver is given, from its command line to the conditions its process runs in, and what it makes of it.
class HostileInput : public Driver {
 protected:
  // A folder and what the run makes of it: the files it leaves alone, named in the box that ends the run (which it
  // then exits 1 for), or `notice` where the run cannot start, FOLDER standing for the folder.
  struct Row { const char* name; std::vector<File> files; std::vector<Named> leftAlone = {};
               std::string settings = std::string(kSettings); std::vector<std::string> wrapper = {};
               mode_t folderMode = 0755; std::string notice = {}; };

  static std::string InFolder(std::string text, const TempFolder& books) {
    if (const size_t at = text.find("FOLDER"); at != std::string::npos) text.replace(at, 6, books.path());
    return text;
  }
  static void Make(const TempFolder& books, const std::vector<File>& files) {
    for (const File& file : files) {
      const std::string path = books.PathOf(file.name);
      ASSERT_TRUE(file.linkTo.empty() || symlink(file.linkTo.c_str(), path.c_str()) == 0);
      if (!file.linkTo.empty()) continue;
      books.Write(file.name, file.bytes);
      ASSERT_TRUE(file.sparse == 0 || truncate(path.c_str(), file.sparse) == 0);
      chmod(path.c_str(), file.mode);
      ASSERT_TRUE(file.owner == 0 || chown(path.c_str(), file.owner, file.owner) == 0);
    }
  }
  // Each file as tidied, or as it was; no temporary file left.
  static void ExpectFiles(const TempFolder& books, const std::vector<File>& files) {
    for (const File& file : files) {
      if (file.sparse != 0 || (!file.linkTo.empty() && !fs::exists(books.PathOf(file.name)))) continue;  // no bytes
      EXPECT_EQ(Fingerprint(books.Read(file.name)), Fingerprint(file.after.empty() ? file.bytes : file.after))
          << file.name;
    }
    EXPECT_EQ(testing::TemporaryFiles(books.path()), std::vector<std::string>{});
  }
  // The run's exit status, its last line (the box, or the last progress step of a run without one) and its files.
  void Check(const Row& row) {
    SCOPED_TRACE(row.name);
    TempFolder books;
    Make(books, row.files);
    chmod(books.path().c_str(), row.folderMode);
    const std::string last = !row.notice.empty()      ? InFolder(row.notice, books)
                             : !row.leftAlone.empty() ? Box(row.leftAlone)
                                                      : "progress\t66";
    EXPECT_EQ(Run(row.settings, books.path(), row.wrapper), last.starts_with("notice") ? 1 : 0) << Err();
    EXPECT_EQ(LastLine(), last);
    ExpectFiles(books, row.files);
  }
};

// All the driver prints, and what it exits with: bad input exits with status 2, prints nothing on standard output,
// says why on standard error and touches nothing; a folder the run cannot open is named, and exits 1.
TEST_F(HostileInput, TheCommandLineDecidesWhatIsPrintedAndDone) {
  const std::string confirm = "confirm\t当前文件夹内的所有文本文件将作如下整理:\\r\\n\\r\\n";
  const std::string usage = "usage: quelvane-headless [--no] SETTINGS_FILE FOLDER\n";
  // out: FOLDER stands for the folder; error: what standard error holds, among the rest.
  struct Row { const char* name; std::string settings = "optDelete=1\n"; std::vector<File> files = {{"a.txt", kOk}};
               std::vector<std::string> args = {"S", "F"}; int exitCode = 0; std::string out = {}, error = {}; };
  const Row rows[] = {
      // The box that ends the run: the one place where reasons are checked in words rather than as reasons.
      {.name = "every event, in order",
       .settings = "\xEF\xBB\xBF" "optDelete=1\n\ntxtReplaceS=\\\r\ntxtReplaceT=/\ntxtBegin(0)=  \n",
       .files = {{"b.TXT", testing::Gbk(u"  第一回  \r\n\r\n内容\\在此\r\n"),
                  testing::Gbk(u"    第一回  \r\n  内容/在此\r\n")},
                 {"A.txt", "x", "  x\r\n"},
                 {".hidden.txt", kOk},
                 {"notes.md", kOk},
                 {"c.txt", "\xB5\xDA\r\n\x81\x7F"},
                 {"d.txt", "a\0"s},
                 {.name = "e.txt", .bytes = kOk, .mode = 0444}},
       .exitCode = 1,
       .out = confirm + "1.段首增加文字:  \\r\\n2.删除空行!\\r\\n3.\"\\\\\"字符替换为\"/\"!\\r\\n\\r\\n是否继续?\n"
              "confirm\t文件夹：FOLDER（5 个文件）\n"
              "progress\t0\nprogress\t13\nprogress\t26\nprogress\t40\nprogress\t53\nprogress\t66\n"
              "notice\t整理完成，但有 3 个文件未能整理，保持原样："
              "\\r\\nc.txt：不是 GBK、GB18030、Big5、UTF-8 或 UTF-16 文本\\r\\nd.txt：含有空字节（NUL），不是文本文件"
              "\\r\\ne.txt：文件只读\n"},
      // A later line wins, "0" on an option button changes nothing, the last "1" of a group wins, and txtDivide
      // keeps its first four characters.
      {.name = "settings as the window's controls take them",
       .settings = "optLink=1\noptDivide=1\noptParagraph=0\ntxtDivide=9\r\ntxtDivide=3   9\n",
       .files = {{"a.txt", "abcdefgh\r\n", "abc\r\ndef\r\ngh\r\n"}},
       .out = confirm + "1.以3   个字符为长度进行等长分段!\\r\\n\\r\\n是否继续?\n"
              "confirm\t文件夹：FOLDER（1 个文件）\nprogress\t0\nprogress\t66\n"},
      {.name = "declined", .settings = "optAdd=1\n", .args = {"--no", "S", "F"},
       .out = confirm + "1.两段间设置一处空行!\\r\\n\\r\\n是否继续?\nconfirm\t文件夹：FOLDER（1 个文件）\n"},
      {.name = "no folder", .args = {"S"}, .exitCode = 2, .error = usage},
      {.name = "one too many", .args = {"--no", "S", "F", "F"}, .exitCode = 2, .error = usage},
      {.name = "no settings file", .args = {"S.none", "F"}, .exitCode = 2, .error = "cannot read settings file"},
      {.name = "unknown name", .settings = "optDelete=1\ntxtAll(0)=x\n", .exitCode = 2,
       .error = "settings.ini: line 2: unknown name \"txtAll(0)\"\n"},
      {.name = "no equals sign", .settings = "optDelete\n", .exitCode = 2, .error = ": line 1: expected name=value\n"},
      {.name = "bad flag", .settings = "\n\r\noptDelete=yes\n", .exitCode = 2,
       .error = ": line 3: optDelete takes 0 or 1\n"},
      {.name = "value not UTF-8", .settings = "txtBegin(0)=\xB5\n", .exitCode = 2, .error = "not valid UTF-8"},
      {.name = "folder missing", .args = {"S", "F/missing"}, .exitCode = 1,
       .out = "notice\t文件夹“FOLDER/missing”已不存在。\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempFolder books;
    Make(books, row.files);
    EXPECT_EQ(Run(row.settings, books.path(), {}, row.args), row.exitCode);
    EXPECT_EQ(Out(), InFolder(row.out, books));
    EXPECT_NE(Err().find(row.error), std::string::npos) << Err();
    ExpectFiles(books, row.files);
  }
}

// What a folder holds: every file tidied or named with its reason, wherever it stands in the list.
TEST_F(HostileInput, EachFileIsTidiedOrNamedWithItsReason) {
  const std::string longName = Utf16ToUtf8(std::u16string(83, u'卷')) + "ab.txt";  // 255 bytes
  std::string huge, hugeTidied;  // one line of over 64 MB, and without its tabs
  while (huge.size() < (70u << 20)) huge += "一行\t", hugeTidied += "一行";
  std::vector<File> nulFiles, chapters;
  std::vector<Named> nulNamed;
  for (int i = 11; i <= 33; ++i) {
    nulFiles.push_back({std::to_string(i) + ".txt", "\0"s});
    nulNamed.push_back({std::to_string(i) + ".txt", {HasNulByte}});
  }
  for (int i = 0; i < 20000; ++i)  // all but one in a thousand already tidy, so that the run is not all flushing
    chapters.push_back({"第" + std::to_string(100000 + i).substr(1) + "章.txt", i % 1000 ? kTidied : kOk, kTidied});
  chapters.push_back({.name = "目录.txt", .linkTo = "目录"});  // a link to nothing, not listed: the others still are
  std::string pieces;  // a line of 32,767 characters cut into pieces of one
  for (int i = 0; i < 32767; ++i) pieces += "x\r\n";
  const Row rows[] = {
      {.name = "one file of each reason",
       .files = {{"0.txt", kOk, kTidied},
                 {"image.txt", "\x89PNG\r\n\x1A\n\0\0\0\rIHDR\r\n\r\n"s},
                 {"nul.txt", "a\r\n\0\r\n\r\n"s},
                 {"bad.txt", "\xB5\xDA\r\n\r\n\x81\x7F\r\n\r\n"},
                 {"le.txt", "\xFF\xFE" "a\0\r\0\n\0\r\0\n\0"s, "\xFF\xFE" "a\0\r\0\n\0"s},
                 {"be.txt", "\xFE\xFF\0a\0\r\0\n\0\r\0\n"s, "\xFE\xFF\0a\0\r\0\n"s},
                 {"odd.txt", "\xFF\xFE" "a\0\r\0\n\0\r\0\n\0!"s},
                 {"utf32.txt", "\xFF\xFE\0\0a\0\0\0\r\0\0\0\n\0\0\0"s},
                 {.name = "ro.txt", .bytes = kOk, .mode = 0444},
                 {"over.txt", testing::Gbk(std::u16string(32768, u'字'))},
                 {"甲.txt", testing::Gbk(u"甲\r\n")}},
       .leftAlone = {{"bad.txt", {NotText}},
                     {"image.txt", {HasNulByte}},
                     {"nul.txt", {HasNulByte}},
                     {"odd.txt", {NotText}},
                     {"over.txt", {LineTooLong}},
                     {"ro.txt", {ReadOnly}},
                     {"utf32.txt", {NotText}},
                     {"甲.txt", {Unencodable}}},
       .settings = "optDivide=1\ntxtDivide=1024\ntxtReplaceS=甲\ntxtReplaceT=\U0001F600\noptDelete=1\n"},
      // The longest line divide mode takes, after a longer one first in the list.
      {.name = "lines of 32,768 and 32,767 characters",
       .files = {{"0.txt", std::string(32768, 'x')},
                 {"1.txt", std::string(32767, 'x'), pieces}},
       .leftAlone = {{"0.txt", {LineTooLong}}}, .settings = "optDivide=1\ntxtDivide=1\n"},
      {.name = "awkward names",  // the last in GBK bytes: tidied under its own name
       .files = {{"my book.txt", kOk, kTidied},
                 {"it's \"quoted\".txt", kOk, kTidied},
                 {"two\nlines.txt", kOk, kTidied},
                 {" leading space.TXT", kOk, kTidied},
                 {longName, kOk, kTidied},
                 {"\xB5\xDA\xD2\xBB.txt", kOk, kTidied}}},
      // Control characters and bidirectional controls (each kind in the display name's rows): tidied under their
      // own bytes, named escaped (and the escape's backslash escaped in turn where the driver prints it).
      {.name = "names with control characters",
       .files = {{"esc\x1B[31m.txt", "\0"s},
                 {"bell\a.txt", kOk, kTidied},
                 {"\u202Ertl.txt", "\0"s}},
       .leftAlone = {{"\\\\u{202e}rtl.txt", {HasNulByte}},
                     {"esc\\\\x1b[31m.txt", {HasNulByte}}}},
      {.name = "a link beside its target",
       .files = {{"a.txt", "x\r\n", "> x\r\n"},
                 {.name = "b.txt", .bytes = "x\r\n", .after = "> x\r\n", .linkTo = "a.txt"}},
       .settings = "txtBegin(0)=> \n"},
      {.name = "a single line of over 64 MB",
       .files = {{"0.txt", kOk, kTidied},
                 {"huge.txt", huge, hugeTidied + "\r\n"}}},
      {.name = "more left alone than the box lists", .files = nulFiles, .leftAlone = nulNamed},
      {.name = "20,000 files", .files = chapters},
  };
  for (const Row& row : rows) Check(row);
}

// Conditions a folder cannot carry by itself: limits on the process, a user not the folder's owner.
TEST_F(HostileInput, ConditionsOfTheProcessLeaveFilesAloneNamed) {
  const std::vector<std::string> lowMemory = {"prlimit", "--as=300000000"};
  const off_t gigabyte = off_t{1} << 30;
  std::vector<File> thirtyFiles;
  for (int i = 10; i < 40; ++i) thirtyFiles.push_back({std::to_string(i) + ".txt", kOk, kTidied});
  // Read (1.5 MB, in halves elsewhere) and written in chunks by the driver's own thread when it may have no other.
  std::vector<std::string> noSecondThread = {"prlimit", "--nproc=1"};
  noSecondThread.insert(noSecondThread.end(), kNobody.begin(), kNobody.end());
  std::string manyLines, manyTidied;
  for (int i = 0; i < 250000; ++i) manyLines += kOk, manyTidied += kTidied;
  const Row rows[] = {
      {.name = "few descriptors", .files = thirtyFiles, .wrapper = {"prlimit", "--nofile=24"}},
      {.name = "file size limit",
       .files = {{"0.txt", kOk, kTidied},
                 {"1.txt", std::string(2 << 20, 'x')},
                 {"2.txt", kOk, kTidied}},
       .leftAlone = {{"1.txt", {FileSizeLimit}}}, .wrapper = {"prlimit", "--fsize=1048576"}},
      {.name = "too big for memory, first and later",
       .files = {{.name = "0.txt", .sparse = gigabyte},
                 {"1.txt", kOk, kTidied},
                 {.name = "2.txt", .sparse = gigabyte}},
       .leftAlone = {{"0.txt", {TooBigForMemory}},
                     {"2.txt", {TooBigForMemory}}},
       .wrapper = lowMemory},
      {.name = "folder not writable",
       .files = {{.name = "0.txt", .bytes = kOk, .mode = 0666},
                 {.name = "1.txt", .bytes = kOk, .mode = 0666}},
       .leftAlone = {{"0.txt", {FolderNotWritable}},
                     {"1.txt", {FolderNotWritable}}},
       .wrapper = kNobody, .folderMode = 0555},
      {.name = "another user's file",
       .files = {{"a.txt", kOk},
                 {.name = "b.txt", .bytes = kOk, .after = kTidied, .owner = 65534}},
       .leftAlone = {{"a.txt", {OtherOwner}}}, .wrapper = kNobody, .folderMode = 0777},
      {.name = "unreadable, first in the list",
       .files = {{.name = "0.txt", .bytes = kOk, .mode = 0600},
                 {.name = "1.txt", .bytes = kOk, .after = kTidied, .owner = 65534}},
       .leftAlone = {{"0.txt", {Unreadable, EACCES}}}, .wrapper = kNobody, .folderMode = 0777},
      {.name = "folder not readable", .files = {{"a.txt", kOk}}, .wrapper = kNobody, .folderMode = 0700,
       .notice = "notice\t无法打开文件夹“FOLDER”：权限不足。"},
      {.name = "no second thread",
       .files = {{.name = "a.txt", .bytes = manyLines, .after = manyTidied, .owner = 65534}},
       .wrapper = noSecondThread, .folderMode = 0777},
  };
  for (const Row& row : rows) {
    const char* skip = row.wrapper == lowMemory && kAddressSanitizer ? "no address space limit under ASan"
                       : row.wrapper == noSecondThread && kAddressSanitizer
                           ? "LeakSanitizer needs a thread of its own at exit"
                       : (row.wrapper == kNobody || row.wrapper == noSecondThread) && geteuid() != 0
                           ? "only root can run the driver as another user"
                                                                     : nullptr;
    if (skip) std::cout << "[ skipped  ] " << row.name << ": " << skip << "\n";
    else Check(row);
  }
}

// A memory cgroup of its own for the driver, under the test's own (cgroup v1's memory controller, or v2's where it
// is enabled), removed afterwards; `why` says what kept it from being made, if anything did.
struct MemoryCgroup {
  MemoryCgroup(bool v2, size_t limit) {
    // "0::/path" for v2, "N:...memory...:/path" for v1; mounted where systemd and Debian mount them.
    std::ifstream membership("/proc/self/cgroup");
    std::string own, parent;
    for (std::string line; std::getline(membership, line);) {
      const size_t colon = line.find(':'), path = line.find(':', colon + 1) + 1;
      const std::string controllers = "," + line.substr(colon + 1, path - colon - 2) + ",";
      if (v2 ? line.starts_with("0::") : controllers.find(",memory,") != std::string::npos) own = line.substr(path);
    }
    const std::string marker = v2 ? "/cgroup.controllers" : "/memory.limit_in_bytes";
    for (const std::string mount : {"/sys/fs/cgroup/unified", "/sys/fs/cgroup", "/sys/fs/cgroup/memory"})
      if (parent.empty() && !own.empty() && fs::exists(mount + own + marker)) parent = mount + own;
    folder = parent + "/quelvane-test-" + std::to_string(getpid());
    const auto set = [&](const char* file, size_t value) {
      return static_cast<bool>(std::ofstream(folder + "/" + file) << value << std::flush);
    };
    if (parent.empty()) why = std::string("no cgroup ") + (v2 ? "v2" : "v1 memory controller") + " mounted here";
    else if (v2 && testing::ReadFile(parent + "/cgroup.controllers").find("memory") == std::string::npos)
      why = parent + " offers no memory controller";
    else if (mkdir(folder.c_str(), 0755) != 0) why = "cannot make " + folder + ": " + std::strerror(errno);
    // v2 gives a child the controller only through its parent's subtree_control.
    else if (!set(v2 ? "memory.max" : "memory.limit_in_bytes", limit))
      why = "cannot limit " + folder + " (for v2, " + parent + " must have memory in cgroup.subtree_control)";
    else set(v2 ? "memory.swap.max" : "memory.memsw.limit_in_bytes", v2 ? 0 : limit);  // where swap is counted
  }
  ~MemoryCgroup() { rmdir(folder.c_str()); }

  std::string folder, why;
};

// Under a memory cgroup's limit that holds the small files only, a file too large to read and one whose lines would
// not fit are named too big for memory, the others tidied; the kernel kills nothing, as it would were it not honoured.
TEST_F(HostileInput, MemoryCgroupLimitLeavesTheLargeFilesAlone) {
  if (kAddressSanitizer) GTEST_SKIP() << "AddressSanitizer's quarantine would exceed the limit on its own";
  std::mt19937 random(24);
  TempFolder source;
  const std::map<std::string, size_t> sizes = {{"0.txt", 100},
                                               {"1.txt", 6 << 20},
                                               {"big.txt", 64 << 20},
                                               {"mid.txt", 30 << 20}};
  for (const auto& [name, size] : sizes) source.Write(name, Text(random, size, name != "1.txt"));
  const Contents old = Read(source.path());
  const Copy reference(source);
  ASSERT_EQ(Run(kSettings, reference.path()), 0) << Err();
  Contents expected = Read(reference.path());
  for (const char* name : {"big.txt", "mid.txt"}) expected[name] = old.at(name);
  std::string skipped;
  for (const bool v2 : {false, true}) {
    SCOPED_TRACE(v2 ? "cgroup v2" : "cgroup v1");
    const MemoryCgroup group(v2, 48 << 20);
    if (!group.why.empty()) {
      std::cout << "[ skipped  ] " << (v2 ? "cgroup v2: " : "cgroup v1: ") << group.why << "\n";
      skipped += group.why + "; ";
      continue;
    }
    const Copy books(source);
    const std::string joinGroup = "echo $$ > \"$0\" && exec \"$@\"";
    EXPECT_EQ(Run(kSettings, books.path(), {"sh", "-c", joinGroup, group.folder + "/cgroup.procs"}), 1)
        << "killed, or every file tidied: " << Err();
    EXPECT_EQ(LastLine(), Box({{"big.txt", {TooBigForMemory}}, {"mid.txt", {TooBigForMemory}}}));
    EXPECT_EQ(Read(books.path()), expected);
  }
  if (skipped.find("; ") != skipped.rfind("; ")) GTEST_SKIP() << skipped;
}

// A folder whose absolute path is longer than PATH_MAX, given relative to where the driver starts: its files are
// tidied like any others, each reached from the folder opened once.
TEST_F(HostileInput, AFolderDeeperThanPathMaxIsTidied) {
  TempFolder top;
  const std::string level(250, 'd');
  std::string start = top.path(), relative = level;  // 8 levels down; 12 more, past PATH_MAX from the start
  for (int depth = 0; depth < 8; ++depth) start += "/" + level;
  for (int depth = 0; depth < 11; ++depth) relative += "/" + level;
  ASSERT_GT(start.size() + 1 + relative.size(), size_t{PATH_MAX});
  // A level at a time: no single call takes a path so long.
  const std::string down = "for i in $(seq 20); do mkdir -p " + level + " && cd -P " + level + " || exit; done; ";
  ASSERT_EQ(testing::Shell(top.path(), down + "printf 'a\\r\\n\\r\\n' > a.txt && printf 'b\\r\\n\\r\\n' > b.txt"), 0);
  EXPECT_EQ(Run(kSettings, relative, {"env", "-C", start}), 0) << Err();
  std::string files;
  EXPECT_EQ(testing::Shell(top.path(), down + "cat a.txt b.txt", &files), 0) << files;
  EXPECT_EQ(files, "a\r\nb\r\n");
  EXPECT_EQ(testing::Shell(top.path(), "rm -rf " + level), 0);  // std::filesystem cannot reach so deep
}

// a.txt, a link, leads through a chain of links (their owners given, a.txt's first; the others in a second folder) to
// target.dat, beside it or in that second folder. Run as root or as another user, the driver follows it only where
// its owner could write the target: the same user owns every link and the target ("follow links if owners match").
TEST_F(HostileInput, LinksAreFollowedOnlyToTheirOwnersFiles) {
  if (geteuid() != 0) GTEST_SKIP() << "only root can give files to other users";
  constexpr uid_t root = 0, user = 65534;
  struct Row { const char* name; std::vector<uid_t> links; uid_t owner; bool beside = false; mode_t mode = 0644;
               bool asUser = false, refused = false; };
  const Row rows[] = {
      {.name = "own link beside its target", .links = {root}, .owner = root, .beside = true},
      {.name = "own chain of links", .links = {root, root, root}, .owner = root},
      {.name = "a user's link to their own file", .links = {user}, .owner = user},
      {.name = "a user's link to root's file", .links = {user}, .owner = root, .refused = true},
      {.name = "root's link to a user's file", .links = {root}, .owner = user, .refused = true},
      {.name = "a chain through another user's link", .links = {user, root, user}, .owner = user, .refused = true},
      {.name = "as a user, own link to own file", .links = {user}, .owner = user, .asUser = true},
      {.name = "as a user, own link to root's unreadable file", .links = {user}, .owner = root, .mode = 0600,
       .asUser = true, .refused = true},
      {.name = "as a user, root's link to own file", .links = {root}, .owner = user, .asUser = true, .refused = true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempFolder books, elsewhere;
    chmod(books.path().c_str(), 0777);
    chmod(elsewhere.path().c_str(), 0777);
    const std::string target = (row.beside ? books : elsewhere).PathOf("target.dat");
    testing::WriteFile(target, kOk);
    ASSERT_EQ(chown(target.c_str(), row.owner, row.owner), 0);
    ASSERT_EQ(chmod(target.c_str(), row.mode), 0);
    std::string next = row.beside ? "target.dat" : target;
    for (size_t k = row.links.size(); k-- > 0;) {
      const std::string link = k == 0 ? books.PathOf("a.txt") : elsewhere.PathOf("link" + std::to_string(k));
      ASSERT_EQ(symlink(next.c_str(), link.c_str()), 0);
      ASSERT_EQ(lchown(link.c_str(), row.links[k], row.links[k]), 0);
      next = link;
    }
    const std::string before = testing::Describe(books.PathOf("a.txt"), false);  // a link, and what it leads to
    const std::vector<std::string> wrapper = row.asUser ? kNobody : std::vector<std::string>{};
    EXPECT_EQ(Run("optDelete=1\n", books.path(), wrapper), row.refused ? 1 : 0) << Err();
    EXPECT_EQ(LastLine(), row.refused ? Box({{"a.txt", {LinkToOtherOwner}}}) : "progress\t66");
    EXPECT_EQ(testing::Describe(books.PathOf("a.txt")), before + " " + Fingerprint(row.refused ? kOk : kTidied));
    EXPECT_EQ(testing::TemporaryFiles(books.path()), std::vector<std::string>{});
    EXPECT_EQ(testing::TemporaryFiles(elsewhere.path()), std::vector<std::string>{});
  }
}

}  // namespace
}  // namespace quelvane
