// The headless driver as a real process: its command line, settings files and events; under a file size limit
// (writes fail with EFBIG), killed with SIGKILL at random moments, fed hostile folders. Every file ends with its
// old bytes or its whole new bytes, and only text the driver may rewrite changes.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <thread>

#include "platform/folder_listing.h"
#include "reliability_support.h"
#include "temp_folder.h"
#include "text/text.h"

namespace quelvane {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using testing::Fingerprint;
using testing::TempFolder;
using Contents = std::map<std::string, std::string>;  // name -> fingerprint

// A descriptor closed when it goes out of scope.
struct OpenFd {
  explicit OpenFd(int opened) : fd(opened) {}
  OpenFd& operator=(OpenFd&& other) noexcept { return std::swap(fd, other.fd), *this; }
  ~OpenFd() { if (fd >= 0) close(fd); }
  int fd;
};

int WaitFor(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) continue;
  return status;
}

Contents Read(const std::string& folder) {
  Contents contents;
  std::vector<std::string> names;
  EXPECT_TRUE(ListTextFiles(folder, names));
  for (const std::string& name : names) contents[name] = Fingerprint(testing::ReadFile(folder + "/" + name));
  return contents;
}

// Where `out` holds a control character other than the TAB and LF that make its fields and lines (C0, DEL, C1) or a
// bidirectional control, which a terminal would act on: " at <offset>" for each; empty when it holds none.
std::string RawControls(std::string_view out) {
  std::string found;
  for (size_t i = 0; i < out.size(); ++i) {
    const auto at = [&](size_t k) { return i + k < out.size() ? static_cast<unsigned char>(out[i + k]) : 0u; };
    const bool control = (at(0) < 0x20 && at(0) != '\t' && at(0) != '\n') || at(0) == 0x7F ||
                         (at(0) == 0xC2 && at(1) >= 0x80 && at(1) <= 0x9F);
    const bool bidirectional =
        at(0) == 0xE2 && ((at(1) == 0x80 && (at(2) == 0x8E || at(2) == 0x8F || (at(2) >= 0xAA && at(2) <= 0xAE))) ||
                          (at(1) == 0x81 && at(2) >= 0xA6 && at(2) <= 0xA9));
    if (control || bidirectional) found += " at " + std::to_string(i);
  }
  return found;
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
    // The child: only async-signal-safe calls until exec.
    dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDOUT_FILENO);
    dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDERR_FILENO);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  // Runs it to the end: its exit status, or -1 when it did not exit.
  int Run(std::string_view settings, const std::string& folder, std::vector<std::string> wrapper = {},
          const std::vector<std::string>& args = {"S", "F"}) {
    const int status = WaitFor(Start(settings, folder, std::move(wrapper), args));
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string Out() const { return work_.Read("out"); }
  std::string Err() const { return work_.Read("err"); }  // a sanitizer's report shows here too
  // The box that ends the run, as the driver prints it, for files left alone given as "name：reason".
  static std::string LeftAloneNotice(const std::vector<std::string>& lines, size_t total = 0) {
    std::string notice = "notice\t整理完成，但有 " + std::to_string(std::max(total, lines.size())) +
                         " 个文件未能整理，保持原样：";
    for (const std::string& line : lines) notice += "\\r\\n" + line;
    if (total > lines.size()) notice += "\\r\\n……另有 " + std::to_string(total - lines.size()) + " 个文件未整理";
    return notice;
  }
  // The box that ends a run is the last line; a failure that ends the run is followed by the emptied label.
  void ExpectNotice(const std::string& notice) {
    const std::string out = Out();
    if (notice.starts_with("notice\t整理完成")) EXPECT_TRUE(out.ends_with("\n" + notice + "\n")) << out;
    else EXPECT_NE(out.find(notice + "\n"), std::string::npos) << out;
  }

  const char* const driver_ = std::getenv("QUELVANE_HEADLESS");
  TempFolder work_;
};

struct HostileInput : Driver {};

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

// A few dozen files, several MB in all, one large file in the middle, and what one uninterrupted run makes of them.
class ProcessFault : public Driver {
 protected:
  void SetUp() override {
    Driver::SetUp();
    if (IsSkipped()) return;
    for (int i = 0; i < 36; ++i) {
      char name[16];
      std::snprintf(name, sizeof name, i == 18 ? "18-large.txt" : "%02d.txt", i);
      source_.Write(name, Text(random_, i == 18 ? 8 << 20 : 20000 + random_() % 100000, i % 2));
    }
    old_ = Read(source_.path());
    const Copy reference(source_);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(Run(kSettings, reference.path()), 0) << Err();
    runTime_ = std::chrono::steady_clock::now() - start;
    tidied_ = Read(reference.path());
  }
  struct Copy : TempFolder {
    explicit Copy(const TempFolder& of) { fs::copy(of.path(), path(), fs::copy_options::recursive); }
  };

  std::mt19937 random_{20};
  TempFolder source_;
  Contents old_, tidied_;
  std::chrono::steady_clock::duration runTime_;
};

TEST_F(ProcessFault, FileSizeLimitLeavesTheLargeFileAndTidiesTheOthers) {
  const Copy books(source_);
  ASSERT_EQ(Run(kSettings, books.path(), {"prlimit", "--fsize=1048576"}), 1) << Err();
  ExpectNotice(LeftAloneNotice({"18-large.txt：超出文件大小上限"}));
  Contents expected = tidied_;
  expected["18-large.txt"] = old_["18-large.txt"];
  EXPECT_EQ(Read(books.path()), expected);
  EXPECT_EQ(testing::TemporaryFiles(books.path()), std::vector<std::string>{});
  ASSERT_EQ(Run(kSettings, books.path()), 0) << Err();  // without the limit
  EXPECT_EQ(Read(books.path()), tidied_);
}

TEST_F(ProcessFault, KilledAtAnyMomentEveryFileIsOldOrNew) {
  const auto largeFileInHand = [](const std::string& books) {
    return std::ranges::any_of(testing::TemporaryFiles(books), [](auto& n) { return n.starts_with(".18-large.txt."); });
  };
  int kills = 0, duringLargeFile = 0;
  for (int attempt = 0; kills < 24 && attempt < 80; ++attempt) {
    const Copy books(source_);
    const pid_t driver = Start(kSettings, books.path());
    std::uniform_real_distribution<double> share(0, 1);
    const bool duringLarge = attempt % 3 == 0;  // while the large file is being written, flushed, renamed
    while (duringLarge && !largeFileInHand(books.path()) && waitpid(driver, nullptr, WNOHANG) == 0)
      std::this_thread::yield();
    std::this_thread::sleep_for(share(random_) * runTime_ / (duringLarge ? 20 : 1));
    kill(driver, SIGKILL);
    if (!WIFSIGNALED(WaitFor(driver))) continue;  // it had finished already
    ++kills;
    SCOPED_TRACE("kill " + std::to_string(kills));

    const std::vector<std::string> leftovers = testing::TemporaryFiles(books.path());
    EXPECT_LE(leftovers.size(), 1u);
    if (largeFileInHand(books.path())) ++duringLargeFile;
    const Contents now = Read(books.path());  // hidden temporary files are never listed
    ASSERT_EQ(now.size(), old_.size());
    for (const auto& [name, print] : now)
      EXPECT_TRUE(print == old_.at(name) || print == tidied_.at(name)) << name << " is neither old nor new";
    // The next run removes what was left, once it is old enough to be surely no live run's.
    const timespec longAgo[2] = {{time(nullptr) - 120, 0}, {time(nullptr) - 120, 0}};
    for (const std::string& name : leftovers) utimensat(AT_FDCWD, (books.path() + "/" + name).c_str(), longAgo, 0);
    ASSERT_EQ(Run(kSettings, books.path()), 0) << Err();
    EXPECT_EQ(Read(books.path()), tidied_);
    EXPECT_EQ(testing::TemporaryFiles(books.path()), std::vector<std::string>{});
  }
  std::cout << "[ figures  ] " << kills << " kills survived, " << duringLargeFile
            << " during the replacement of the large file\n";
  EXPECT_GE(kills, 20);
  EXPECT_GE(duringLargeFile, 1);
}

// Two runs on one folder at once: each file is tidied by one of them, left alone by the other as changed
// meanwhile (which it then exits 1 for), or tidied by both in turn.
TEST_F(ProcessFault, TwoRunsAtOnceLoseNothing) {
  const auto tidiedOrLeftAlone = [](int status) { return WIFEXITED(status) && WEXITSTATUS(status) <= 1; };
  for (int attempt = 0; attempt < 3; ++attempt) {
    const Copy books(source_);
    const pid_t first = Start(kSettings, books.path());
    std::this_thread::sleep_for(attempt * runTime_ / 4);
    const pid_t second = Start(kSettings, books.path());
    EXPECT_TRUE(tidiedOrLeftAlone(WaitFor(first)));
    EXPECT_TRUE(tidiedOrLeftAlone(WaitFor(second)));
    EXPECT_EQ(Read(books.path()), tidied_);
    EXPECT_EQ(testing::TemporaryFiles(books.path()), std::vector<std::string>{});
  }
}

// Empty bytes: a sparse file larger than the memory allowed; empty after: must stay as it was; linkTo: a symbolic
// link to this file instead, with its target's bytes.
struct File { std::string name, bytes, after = {}, linkTo = {}; mode_t mode = 0644; uid_t owner = 0; };

// What the driver is given, from its command line to the conditions its process runs in, and what it makes of it.
TEST_F(HostileInput, OnlyTextItMayRewriteChanges) {
  const std::vector<std::string> lowMemory = {"prlimit", "--as=300000000"};
  const std::vector<std::string> nobody = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
  const std::string ok = "ok\r\n\r\n", tidied = "ok\r\n";
  const std::string longName = Utf16ToUtf8(std::u16string(83, u'卷')) + "ab.txt";  // 255 bytes
  std::string divided;
  for (int piece = 0; piece < 31; ++piece) divided += std::string(1024, 'x') + "\r\n";
  divided += std::string(32767 - 31 * 1024, 'x') + "\r\n";
  std::string huge, hugeTidied;  // one line of over 64 MB, and without its tabs
  while (huge.size() < (70u << 20)) huge += "一行\t", hugeTidied += "一行";
  const std::string tidy(kSettings), deleteBlankLines = "optDelete=1\n", divide = "optDivide=1\ntxtDivide=1024\n";
  const std::string confirm = "confirm\t当前文件夹内的所有文本文件将作如下整理:\\r\\n\\r\\n";
  // The folder line below the summary; FOLDER stands for the test's folder.
  const auto folderLine = [](int files) { return "confirm\t文件夹：FOLDER（" + std::to_string(files) + " 个文件）\n"; };
  const std::string usage = "usage: quelvane-headless [--no] SETTINGS_FILE FOLDER\n";
  // notice: the box that ends the run, if any (the run exits 1 then); out: or the whole standard output; exitCode 2:
  // a usage error, and error what standard error holds.
  struct Row { const char* name; std::string settings; std::vector<File> files; std::string notice = {}, out = {};
               std::vector<std::string> wrapper = {}, args = {"S", "F"}; int exitCode = 0; std::string error = {};
               mode_t folderMode = 0755; };
  const std::string notText = "：不是 GBK、GB18030、Big5、UTF-8 或 UTF-16 文本", nul = "：含有空字节（NUL），不是文本文件";
  std::vector<Row> rows = {
      {"every event, in order", "\xEF\xBB\xBF" "optDelete=1\n\ntxtReplaceS=\\\r\ntxtReplaceT=/\ntxtBegin(0)=  \n",
       {{"b.TXT", testing::Gbk(u"  第一回  \r\n\r\n内容\\在此\r\n"), testing::Gbk(u"    第一回  \r\n  内容/在此\r\n")},
        {"A.txt", "x", "  x\r\n"}, {".hidden.txt", ok}, {"notes.md", ok}},
       {}, confirm + "1.段首增加文字:  \\r\\n2.删除空行!\\r\\n3.\"\\\\\"字符替换为\"/\"!\\r\\n\\r\\n是否继续?\n" +
                     folderLine(2) + "progress\t0\nprogress\t33\nprogress\t66\n"},
      // A later line wins, "0" on an option button changes nothing, the last "1" of a group wins, and txtDivide
      // keeps its first four characters.
      {"settings as the window's controls take them",
       "optLink=1\noptDivide=1\noptParagraph=0\ntxtDivide=9\r\ntxtDivide=3   9\n",
       {{"a.txt", "abcdefgh\r\n", "abc\r\ndef\r\ngh\r\n"}}, {},
       confirm + "1.以3   个字符为长度进行等长分段!\\r\\n\\r\\n是否继续?\n" + folderLine(1) + "progress\t0\nprogress\t66\n"},
      {"declined", "optAdd=1\n", {{"a.txt", ok}}, {}, confirm + "1.两段间设置一处空行!\\r\\n\\r\\n是否继续?\n" + folderLine(1), {},
       {"--no", "S", "F"}},
      // Bad input exits with status 2 and touches nothing.
      {"no folder", deleteBlankLines, {{"a.txt", ok}}, {}, {}, {}, {"S"}, 2, usage},
      {"one too many", deleteBlankLines, {{"a.txt", ok}}, {}, {}, {}, {"--no", "S", "F", "F"}, 2, usage},
      {"no settings file", deleteBlankLines, {{"a.txt", ok}}, {}, {}, {}, {"S.none", "F"}, 2,
       "cannot read settings file"},
      {"unknown name", "optDelete=1\ntxtAll(0)=x\n", {{"a.txt", ok}}, {}, {}, {}, {"S", "F"}, 2,
       "settings.ini: line 2: unknown name \"txtAll(0)\"\n"},
      {"no equals sign", "optDelete\n", {{"a.txt", ok}}, {}, {}, {}, {"S", "F"}, 2, ": line 1: expected name=value\n"},
      {"bad flag", "\n\r\noptDelete=yes\n", {{"a.txt", ok}}, {}, {}, {}, {"S", "F"}, 2,
       ": line 3: optDelete takes 0 or 1\n"},
      {"value not UTF-8", "txtBegin(0)=\xB5\n", {{"a.txt", ok}}, {}, {}, {}, {"S", "F"}, 2, "not valid UTF-8"},
      // A folder the run cannot open is named, and nothing is touched.
      {"folder missing", deleteBlankLines, {{"a.txt", ok}}, "notice\t文件夹“FOLDER/missing”已不存在。", {}, {},
       {"S", "F/missing"}},
      {"not a folder", deleteBlankLines, {{"a.txt", ok}}, "notice\t“FOLDER/a.txt”不是文件夹。", {}, {}, {"S", "F/a.txt"}},
      {"folder not readable", deleteBlankLines, {{"a.txt", ok}}, "notice\t无法打开文件夹“FOLDER”：权限不足。", {},
       nobody, {"S", "F"}, 0, {}, 0700},
      // What the folder holds.
      {"one file of each reason", divide + "txtReplaceS=甲\ntxtReplaceT=\U0001F600\noptDelete=1\n",
       {{"0.txt", ok, tidied}, {"image.txt", "\x89PNG\r\n\x1A\n\0\0\0\rIHDR\r\n\r\n"s},
        {"nul.txt", "a\r\n\0\r\n\r\n"s}, {"bad.txt", "\xB5\xDA\r\n\r\n\x81\x7F\r\n\r\n"},
        {"le.txt", "\xFF\xFE" "a\0\r\0\n\0\r\0\n\0"s, "\xFF\xFE" "a\0\r\0\n\0"s},
        {"be.txt", "\xFE\xFF\0a\0\r\0\n\0\r\0\n"s, "\xFE\xFF\0a\0\r\0\n"s},
        {"odd.txt", "\xFF\xFE" "a\0\r\0\n\0\r\0\n\0!"s}, {"utf32.txt", "\xFF\xFE\0\0a\0\0\0\r\0\0\0\n\0\0\0"s},
        {"ro.txt", ok, {}, {}, 0444}, {"over.txt", testing::Gbk(std::u16string(32768, u'字'))},
        {"甲.txt", testing::Gbk(u"甲\r\n")}},
       LeftAloneNotice({"bad.txt" + notText, "image.txt：含有空字节（NUL），不是文本文件",
                        "nul.txt：含有空字节（NUL），不是文本文件", "odd.txt" + notText,
                        "over.txt：有超过 32767 个字符的行，无法等长分段", "ro.txt：文件只读", "utf32.txt" + notText,
                        "甲.txt：整理后的文字含有文件编码无法表示的字符"})},
      // A file left alone first in the list is named like any other, and the next is tidied.
      {"not text, first in the list", deleteBlankLines, {{"0.txt", "\xFF\xFE" "a\0b"s}, {"1.txt", ok, tidied}},
       LeftAloneNotice({"0.txt" + notText})},
      {"a NUL byte, first in the list", deleteBlankLines, {{"0.txt", "\xB5\xDA\r\n\0\r\n"s}, {"1.txt", ok, tidied}},
       LeftAloneNotice({"0.txt：含有空字节（NUL），不是文本文件"})},
      {"read-only, first in the list", deleteBlankLines, {{"0.txt", ok, {}, {}, 0444}, {"1.txt", ok, tidied}},
       LeftAloneNotice({"0.txt：文件只读"})},
      {"awkward names", deleteBlankLines,
       {{"my book.txt", ok, tidied}, {"it's \"quoted\".txt", ok, tidied}, {"two\nlines.txt", ok, tidied},
        {" leading space.TXT", ok, tidied}, {longName, ok, tidied},
        {"\xB5\xDA\xD2\xBB.txt", ok, tidied}}},  // GBK bytes: tidied under its own name
      // Control characters, DEL, C1 and bidirectional controls: tidied under their own bytes, named escaped.
      {"names with control characters", deleteBlankLines,
       {{"esc\x1B[31m.txt", "\0"s}, {"bell\a.txt", ok, tidied}, {"\u202Ertl.txt", "\0"s}, {"del\x7F.txt", "\0"s},
        {"c1\u009B.txt", ok, tidied}, {"iso\u2066.txt", "\0"s}, {"lrm\u200E.txt", ok, tidied}},
       LeftAloneNotice({"\\\\u{202e}rtl.txt" + nul, "del\\\\x7f.txt" + nul, "esc\\\\x1b[31m.txt" + nul,
                        "iso\\\\u{2066}.txt" + nul})},
      {"a line of 32,767 characters in divide mode", divide,
       {{"0.txt", "ok", "ok\r\n"}, {"limit.txt", std::string(32767, 'x'), divided}}},
      {"a line of 32,768 characters first in the list", divide, {{"0.txt", std::string(32768, 'x')}, {"1.txt", ok}},
       LeftAloneNotice({"0.txt：有超过 32767 个字符的行，无法等长分段"})},
      {"a link beside its target", "txtBegin(0)=> \n",
       {{"a.txt", "x\r\n", "> x\r\n"}, {"b.txt", "x\r\n", "> x\r\n", "a.txt"}}},
      {"a single line of over 64 MB", tidy, {{"0.txt", ok, tidied}, {"huge.txt", huge, hugeTidied + "\r\n"}}},
      // Conditions a folder cannot carry by itself: memory the process may not exceed, a user not the folder's owner.
      {"too big for memory, first", tidy, {{"0.txt", ""}, {"1.txt", ok, tidied}},
       LeftAloneNotice({"0.txt：文件太大，内存不足"}), {}, lowMemory},
      {"too big for memory, later", tidy, {{"0.txt", ok, tidied}, {"1.txt", ""}, {"2.txt", ok, tidied}},
       LeftAloneNotice({"1.txt：文件太大，内存不足"}), {}, lowMemory},
      {"folder not writable", tidy, {{"0.txt", ok, {}, {}, 0666}, {"1.txt", ok, {}, {}, 0666}},
       LeftAloneNotice({"0.txt：所在文件夹不允许写入", "1.txt：所在文件夹不允许写入"}), {}, nobody, {"S", "F"}, 0, {},
       0555},
      {"another user's file", tidy, {{"a.txt", ok}, {"b.txt", ok, tidied, {}, 0644, 65534}},
       LeftAloneNotice({"a.txt：文件属于其他用户，没有修改权限"}), {}, nobody, {"S", "F"}, 0, {}, 0777},
      {"unreadable, first in the list", tidy, {{"0.txt", ok, {}, {}, 0600}, {"1.txt", ok, tidied, {}, 0644, 65534}},
       LeftAloneNotice({"0.txt：无法读取（权限不足）"}), {}, nobody, {"S", "F"}, 0, {}, 0777},
      {"more left alone than the box lists", deleteBlankLines, {{"0.txt", ok, tidied}}, LeftAloneNotice({}, 23)},
      // All but one in a thousand already tidy, so that the run is not all flushing.
      {"20,000 files", deleteBlankLines, {}},
  };
  std::vector<std::string> listed;  // the first 20 of 23
  for (int i = 11; i <= 33; ++i) {
    rows[rows.size() - 2].files.push_back({std::to_string(i) + ".txt", "\0"s});
    if (i <= 30) listed.push_back(std::to_string(i) + ".txt：含有空字节（NUL），不是文本文件");
  }
  rows[rows.size() - 2].notice = LeftAloneNotice(listed, 23);
  for (int i = 0; i < 20000; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "第%05d章.txt", i);
    rows.back().files.push_back(i % 1000 == 0 ? File{name, ok, tidied} : File{name, tidied});
  }
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const char* skip = row.wrapper == lowMemory && kAddressSanitizer ? "no address space limit under ASan"
                       : row.wrapper == nobody && geteuid() != 0 ? "only root can run the driver as another user"
                                                                  : nullptr;
    if (skip) {
      std::cout << "[ skipped  ] " << row.name << ": " << skip << "\n";
      continue;
    }
    TempFolder books;
    for (const File& file : row.files) {
      const std::string path = books.PathOf(file.name);
      ASSERT_TRUE(file.linkTo.empty() || symlink(file.linkTo.c_str(), path.c_str()) == 0);
      if (!file.linkTo.empty()) continue;
      books.Write(file.name, file.bytes);
      ASSERT_TRUE(!file.bytes.empty() || truncate(path.c_str(), off_t{1} << 30) == 0);
      chmod(path.c_str(), file.mode);
      ASSERT_TRUE(file.owner == 0 || chown(path.c_str(), file.owner, file.owner) == 0);
    }
    chmod(books.path().c_str(), row.folderMode);
    EXPECT_EQ(Run(row.settings, books.path(), row.wrapper, row.args), row.exitCode ? row.exitCode : !row.notice.empty())
        << Err();
    chmod(books.path().c_str(), 0755);
    const std::string out = Out();
    EXPECT_EQ(RawControls(out), "");
    std::vector<std::string> listed;
    ASSERT_TRUE(ListTextFiles(books.path(), listed));
    // FOLDER stands for the test's folder.
    const auto inFolder = [&](std::string text) {
      if (const size_t at = text.find("FOLDER"); at != std::string::npos) text.replace(at, 6, books.path());
      return text;
    };
    if (row.exitCode == 2) {
      EXPECT_EQ(out, "");
      EXPECT_NE(Err().find(row.error), std::string::npos) << Err();
    } else if (!row.out.empty()) {
      EXPECT_EQ(out, inFolder(row.out));
    } else if (row.notice.empty()) {
      EXPECT_EQ(out.find("notice"), std::string::npos) << out.substr(0, 1000);
      EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), listed.size() + 3)
          << "the confirmation and its folder line, the emptied label, then one line per file";
    } else {
      ExpectNotice(inFolder(row.notice));
    }
    for (const File& file : row.files) {
      if (file.bytes.empty()) continue;
      EXPECT_EQ(Fingerprint(books.Read(file.name)), Fingerprint(file.after.empty() ? file.bytes : file.after))
          << file.name;
    }
    EXPECT_EQ(testing::TemporaryFiles(books.path()), std::vector<std::string>{});
  }
}

// A memory cgroup of its own for the driver, made under the test's own where the system lets it (cgroup v1's memory
// controller, or v2's where it is enabled), removed afterwards; `why` says what kept it from being made.
class MemoryCgroup {
 public:
  MemoryCgroup(bool v2, size_t limit, std::string& why) {
    // "0::/path" for v2, "N:...memory...:/path" for v1; mounted where systemd and Debian mount them.
    std::ifstream membership("/proc/self/cgroup");
    std::string own;
    for (std::string line; std::getline(membership, line);) {
      const size_t colon = line.find(':'), path = line.find(':', colon + 1) + 1;
      const std::string controllers = line.substr(colon + 1, path - colon - 2);
      if (v2 ? line.starts_with("0::") : ("," + controllers + ",").find(",memory,") != std::string::npos)
        own = line.substr(path);
    }
    for (const char* mount : v2 ? std::vector<const char*>{"/sys/fs/cgroup/unified", "/sys/fs/cgroup"}
                                : std::vector<const char*>{"/sys/fs/cgroup/memory"}) {
      const std::string parent = mount + (own == "/" ? "" : own);
      if (own.empty() || !fs::exists(parent + (v2 ? "/cgroup.controllers" : "/memory.limit_in_bytes"))) continue;
      if (v2 && testing::ReadFile(parent + "/cgroup.controllers").find("memory") == std::string::npos) {
        why = parent + " offers no memory controller";
        return;
      }
      folder_ = parent + "/quelvane-test-" + std::to_string(getpid());
      if (mkdir(folder_.c_str(), 0755) != 0) {
        why = "cannot make " + folder_ + ": " + std::strerror(errno);
        folder_.clear();
        return;
      }
      // v2 gives a child the controller only through its parent's subtree_control.
      if (!Set(v2 ? "memory.max" : "memory.limit_in_bytes", limit)) {
        why = "cannot limit " + folder_ + " (for v2, " + parent + " must have memory in cgroup.subtree_control)";
        return;
      }
      Set(v2 ? "memory.swap.max" : "memory.memsw.limit_in_bytes", v2 ? 0 : limit);  // where swap is counted
      return;
    }
    why = std::string("no cgroup ") + (v2 ? "v2" : "v1 memory controller") + " mounted here";
  }
  ~MemoryCgroup() { if (!folder_.empty()) rmdir(folder_.c_str()); }
  MemoryCgroup(const MemoryCgroup&) = delete;
  MemoryCgroup& operator=(const MemoryCgroup&) = delete;

  bool made() const { return !folder_.empty() && fs::exists(folder_ + "/cgroup.procs"); }
  // A wrapper that starts the command given after it inside the group.
  std::vector<std::string> Wrapper() const {
    return {"sh", "-c", "echo $$ > \"$0\" && exec \"$@\"", folder_ + "/cgroup.procs"};
  }

 private:
  bool Set(const std::string& file, size_t value) const {
    std::ofstream out(folder_ + "/" + file);
    return static_cast<bool>(out << value << std::flush);
  }

  std::string folder_;
};

// Under a memory cgroup's limit, which holds the small files but not the large ones: a file too large even to read
// and one whose lines would not fit once read are named too big for memory, the others tidied, and the kernel kills
// nothing (it would, with no word, were the limit not honoured).
TEST_F(HostileInput, MemoryCgroupLimitLeavesTheLargeFilesAlone) {
  if (kAddressSanitizer) GTEST_SKIP() << "AddressSanitizer's quarantine would exceed the limit on its own";
  std::mt19937 random(24);
  TempFolder source;
  const std::map<std::string, size_t> sizes = {{"0.txt", 100}, {"1.txt", 6 << 20}, {"big.txt", 64 << 20},
                                               {"mid.txt", 30 << 20}};
  for (const auto& [name, size] : sizes) source.Write(name, Text(random, size, name != "1.txt"));
  const Contents old = Read(source.path());
  TempFolder reference;
  fs::copy(source.path(), reference.path(), fs::copy_options::recursive);
  ASSERT_EQ(Run(kSettings, reference.path()), 0) << Err();
  Contents expected = Read(reference.path());
  expected["big.txt"] = old.at("big.txt");
  expected["mid.txt"] = old.at("mid.txt");
  std::string skipped;
  for (const bool v2 : {false, true}) {
    SCOPED_TRACE(v2 ? "cgroup v2" : "cgroup v1");
    std::string why;
    const MemoryCgroup group(v2, 48 << 20, why);
    if (!group.made()) {
      std::cout << "[ skipped  ] " << (v2 ? "cgroup v2: " : "cgroup v1: ") << why << "\n";
      skipped += why + "; ";
      continue;
    }
    TempFolder books;
    fs::copy(source.path(), books.path(), fs::copy_options::recursive);
    EXPECT_EQ(Run(kSettings, books.path(), group.Wrapper()), 1) << "killed, or every file tidied: " << Err();
    ExpectNotice(LeftAloneNotice({"big.txt：文件太大，内存不足", "mid.txt：文件太大，内存不足"}));
    EXPECT_EQ(Read(books.path()), expected);
  }
  if (skipped.size() > 0 && skipped.find("; ") != skipped.rfind("; ")) GTEST_SKIP() << skipped;
}

// A folder whose absolute path is longer than PATH_MAX, given relative to where the driver starts: its files are
// tidied like any others, each reached from the folder opened once.
TEST_F(HostileInput, AFolderDeeperThanPathMaxIsTidied) {
  TempFolder top;
  const std::string level(250, 'd');
  std::string start = top.path(), relative;  // 8 levels down; 12 more, past PATH_MAX from the start
  OpenFd deepest(open(top.path().c_str(), O_RDONLY | O_DIRECTORY));
  for (int depth = 1; depth <= 20; ++depth) {
    ASSERT_EQ(mkdirat(deepest.fd, level.c_str(), 0755), 0);
    deepest = OpenFd(openat(deepest.fd, level.c_str(), O_RDONLY | O_DIRECTORY));
    (depth <= 8 ? start : relative) += (depth <= 8 || depth > 9 ? "/" : "") + level;
  }
  ASSERT_GT(start.size() + 1 + relative.size(), size_t{PATH_MAX});
  const auto write = [&](const char* name, std::string_view bytes) {
    const OpenFd file(openat(deepest.fd, name, O_WRONLY | O_CREAT, 0644));
    ASSERT_EQ(::write(file.fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  };
  const auto read = [&](const char* name) {
    const OpenFd file(openat(deepest.fd, name, O_RDONLY));
    char bytes[64];
    const ssize_t got = ::read(file.fd, bytes, sizeof bytes);
    return std::string(bytes, static_cast<size_t>(std::max<ssize_t>(got, 0)));
  };
  write("a.txt", "a\r\n\r\n");
  write("b.txt", "b\r\n\r\n");
  EXPECT_EQ(Run(kSettings, relative, {"env", "-C", start}), 0) << Err();
  EXPECT_EQ(Out().find("notice"), std::string::npos) << Out();
  EXPECT_EQ(read("a.txt"), "a\r\n");
  EXPECT_EQ(read("b.txt"), "b\r\n");
  // Removed from the top down: std::filesystem cannot reach so deep.
  EXPECT_EQ(std::system(("rm -rf " + top.path() + "/" + level).c_str()), 0);
}

// a.txt, a link, leads through a chain of links (their owners given, a.txt's first; the others in a second folder) to
// target.dat, beside it or in that second folder. Run as root or as another user, the driver follows it only where
// its owner could write the target: the same user owns every link and the target ("follow links if owners match").
TEST_F(HostileInput, LinksAreFollowedOnlyToTheirOwnersFiles) {
  if (geteuid() != 0) GTEST_SKIP() << "only root can give files to other users";
  constexpr uid_t root = 0, nobody = 65534, other = 12345;
  const char* const refused = "a.txt：链接指向其他用户的文件";
  const std::string ok = "ok\r\n\r\n", tidied = "ok\r\n";
  // reason: the line of the box that ends the run, if a.txt is left alone.
  struct Row { const char* name; std::vector<uid_t> links; uid_t owner; bool beside = false; mode_t mode = 0644;
               bool asNobody = false; const char* reason = nullptr; };
  const Row rows[] = {
      {.name = "own link beside its target", .links = {root}, .owner = root, .beside = true},
      {.name = "own link to a file elsewhere", .links = {root}, .owner = root},
      {.name = "own chain of links", .links = {root, root, root}, .owner = root},
      {.name = "a user's link to their own file", .links = {nobody}, .owner = nobody},
      {.name = "a user's link to root's file", .links = {nobody}, .owner = root, .reason = refused},
      {.name = "a user's link to root's file beside it", .links = {nobody}, .owner = root, .beside = true,
       .reason = refused},
      {.name = "a user's link to a third user's file", .links = {nobody}, .owner = other, .reason = refused},
      {.name = "... which its owner may not even read", .links = {nobody}, .owner = other, .mode = 0600,
       .reason = refused},
      {.name = "root's link to a user's file", .links = {root}, .owner = nobody, .reason = refused},
      {.name = "a chain through another user's link", .links = {nobody, root, nobody}, .owner = nobody,
       .reason = refused},
      {.name = "own link to own file, as a user", .links = {nobody}, .owner = nobody, .asNobody = true},
      {.name = "own link to root's file, as a user", .links = {nobody}, .owner = root, .asNobody = true,
       .reason = refused},
      {.name = "own link to root's unreadable file, as a user", .links = {nobody}, .owner = root, .mode = 0600,
       .asNobody = true, .reason = refused},
      {.name = "root's link to own file, as a user", .links = {root}, .owner = nobody, .asNobody = true,
       .reason = refused},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempFolder books, elsewhere;
    chmod(books.path().c_str(), 0777);
    chmod(elsewhere.path().c_str(), 0777);
    const std::string target = (row.beside ? books : elsewhere).PathOf("target.dat");
    testing::WriteFile(target, ok);
    ASSERT_EQ(chown(target.c_str(), row.owner, row.owner), 0);
    ASSERT_EQ(chmod(target.c_str(), row.mode), 0);
    std::string next = row.beside ? "target.dat" : target;
    for (size_t k = row.links.size(); k-- > 0;) {
      const std::string link = k == 0 ? books.PathOf("a.txt") : elsewhere.PathOf("link" + std::to_string(k));
      ASSERT_EQ(symlink(next.c_str(), link.c_str()), 0);
      ASSERT_EQ(lchown(link.c_str(), row.links[k], row.links[k]), 0);
      next = link;
    }
    const std::vector<std::string> wrapper =
        row.asNobody ? std::vector<std::string>{"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"}
                     : std::vector<std::string>{};
    EXPECT_EQ(Run("optDelete=1\n", books.path(), wrapper), row.reason ? 1 : 0) << Err();
    if (row.reason) ExpectNotice(LeftAloneNotice({row.reason}));
    EXPECT_EQ(testing::ReadFile(target), row.reason ? ok : tidied);
    struct stat link {}, info {};
    ASSERT_EQ(lstat(books.PathOf("a.txt").c_str(), &link), 0);
    EXPECT_TRUE(S_ISLNK(link.st_mode));
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, row.owner);
    EXPECT_EQ(info.st_mode & 07777, row.mode);
    EXPECT_EQ(testing::TemporaryFiles(books.path()), std::vector<std::string>{});
    EXPECT_EQ(testing::TemporaryFiles(elsewhere.path()), std::vector<std::string>{});
  }
}

}  // namespace
}  // namespace quelvane
