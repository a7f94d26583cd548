// The headless driver as a real process: its command line, settings files and events; under a file size limit
// (writes fail with EFBIG), killed with SIGKILL at random moments, fed hostile folders. Every file ends with its
// old bytes or its whole new bytes, and only text the driver may rewrite changes.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
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
  ASSERT_EQ(Run(kSettings, books.path(), {"prlimit", "--fsize=1048576"}), 0) << Err();
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
// meanwhile, or tidied by both in turn.
TEST_F(ProcessFault, TwoRunsAtOnceLoseNothing) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    const Copy books(source_);
    const pid_t first = Start(kSettings, books.path());
    std::this_thread::sleep_for(attempt * runTime_ / 4);
    const pid_t second = Start(kSettings, books.path());
    EXPECT_EQ(WaitFor(first), 0);
    EXPECT_EQ(WaitFor(second), 0);
    EXPECT_EQ(Read(books.path()), tidied_);
    EXPECT_EQ(testing::TemporaryFiles(books.path()), std::vector<std::string>{});
  }
}

// Empty bytes: a sparse file larger than the memory allowed; empty after: must stay as it was; linkTo: a symbolic
// link to this file instead, with its target's bytes.
struct File { std::string name, bytes, after = {}, linkTo = {}; mode_t mode = 0644; uid_t owner = 0; };

// What the driver is given, from its command line to the conditions its process runs in, and what it makes of it.
TEST_F(HostileInput, OnlyTextItMayRewriteChanges) {
#if defined(__has_feature)
  const bool addressSpaceLimitWorks = !__has_feature(address_sanitizer);  // it reserves terabytes up front
#elif defined(__SANITIZE_ADDRESS__)
  const bool addressSpaceLimitWorks = false;
#else
  const bool addressSpaceLimitWorks = true;
#endif
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
  // notice: the failure report expected, if any; out: or the whole standard output; error: what standard error holds.
  struct Row { const char* name; std::string settings; std::vector<File> files; std::string notice = {}, out = {};
               std::vector<std::string> wrapper = {}, args = {"S", "F"}; int exitCode = 0; std::string error = {};
               mode_t folderMode = 0755; };
  const std::string notText = "：不是 GBK、GB18030、Big5、UTF-8 或 UTF-16 文本";
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
      {"folder missing", deleteBlankLines, {{"a.txt", ok}}, {}, {}, {}, {"S", "F/missing"}, 2, "cannot list folder"},
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
      {"not text, first in the list", deleteBlankLines, {{"0.txt", "\xFF\xFE" "a\0b"s}, {"1.txt", ok}},
       "notice\t文件“0.txt”不是 GBK、GB18030、Big5、UTF-8 或 UTF-16 文本，无法整理。"},
      {"a NUL byte, first in the list", deleteBlankLines, {{"0.txt", "\xB5\xDA\r\n\0\r\n"s}, {"1.txt", ok}},
       "notice\t文件“0.txt”含有空字节（NUL），不是文本，无法整理。"},
      {"awkward names", deleteBlankLines,
       {{"my book.txt", ok, tidied}, {"it's \"quoted\".txt", ok, tidied}, {"two\nlines.txt", ok, tidied},
        {" leading space.TXT", ok, tidied}, {longName, ok, tidied},
        {"\xB5\xDA\xD2\xBB.txt", ok, tidied}}},  // GBK bytes: tidied under its own name
      {"a line of 32,767 characters in divide mode", divide,
       {{"0.txt", "ok", "ok\r\n"}, {"limit.txt", std::string(32767, 'x'), divided}}},
      {"a line of 32,768 characters first in the list", divide, {{"0.txt", std::string(32768, 'x')}, {"1.txt", ok}},
       "notice\t溢出：文件“0.txt”中有超过 32767 个字符的行，无法等长分段。"},
      {"a link beside its target", "txtBegin(0)=> \n",
       {{"a.txt", "x\r\n", "> x\r\n"}, {"b.txt", "x\r\n", "> x\r\n", "a.txt"}}},
      {"a single line of over 64 MB", tidy, {{"0.txt", ok, tidied}, {"huge.txt", huge, hugeTidied + "\r\n"}}},
      // Conditions a folder cannot carry by itself: memory the process may not exceed, a user not the folder's owner.
      {"too big for memory, first", tidy, {{"0.txt", ""}, {"1.txt", ok}},
       "notice\t文件“0.txt”太大，内存不足，无法整理。", {}, lowMemory},
      {"too big for memory, later", tidy, {{"0.txt", ok, tidied}, {"1.txt", ""}, {"2.txt", ok, tidied}},
       LeftAloneNotice({"1.txt：文件太大，内存不足"}), {}, lowMemory},
      {"folder not writable", tidy, {{"0.txt", ok, {}, {}, 0666}, {"1.txt", ok, {}, {}, 0666}},
       LeftAloneNotice({"0.txt：所在文件夹不允许写入", "1.txt：所在文件夹不允许写入"}), {}, nobody, {"S", "F"}, 0, {},
       0555},
      {"another user's file", tidy, {{"a.txt", ok}, {"b.txt", ok, tidied, {}, 0644, 65534}},
       LeftAloneNotice({"a.txt：文件属于其他用户，没有修改权限"}), {}, nobody, {"S", "F"}, 0, {}, 0777},
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
    const char* skip = row.wrapper == lowMemory && !addressSpaceLimitWorks ? "no address space limit under ASan"
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
    EXPECT_EQ(Run(row.settings, books.path(), row.wrapper, row.args), row.exitCode) << Err();
    chmod(books.path().c_str(), 0755);
    const std::string out = Out();
    std::vector<std::string> listed;
    ASSERT_TRUE(ListTextFiles(books.path(), listed));
    if (row.exitCode != 0) {
      EXPECT_EQ(out, "");
      EXPECT_NE(Err().find(row.error), std::string::npos) << Err();
    } else if (!row.out.empty()) {
      std::string expected = row.out;
      if (const size_t at = expected.find("FOLDER"); at != std::string::npos) expected.replace(at, 6, books.path());
      EXPECT_EQ(out, expected);
    } else if (row.notice.empty()) {
      EXPECT_EQ(out.find("notice"), std::string::npos) << out.substr(0, 1000);
      EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), listed.size() + 3)
          << "the confirmation and its folder line, the emptied label, then one line per file";
    } else {
      ExpectNotice(row.notice);
    }
    for (const File& file : row.files) {
      if (file.bytes.empty()) continue;
      EXPECT_EQ(Fingerprint(books.Read(file.name)), Fingerprint(file.after.empty() ? file.bytes : file.after))
          << file.name;
    }
    EXPECT_EQ(testing::TemporaryFiles(books.path()), std::vector<std::string>{});
  }
}

}  // namespace
}  // namespace quelvane
