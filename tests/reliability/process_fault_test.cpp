// The headless driver as a real process meeting real faults: a file size
// limit that makes writes fail with EFBIG, and SIGKILL at random moments.
// After either, every file holds its old bytes or its whole new bytes.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <map>
#include <random>
#include <thread>

#include "platform/folder_listing.h"
#include "reliability_support.h"
#include "temp_folder.h"
#include "text.h"

namespace quelvane {
namespace {

using testing::TempFolder;
using Contents = std::map<std::string, std::string>;

// Idempotent, so that a run after an interrupted one tidies every file to
// the same bytes as one uninterrupted run.
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

Contents Read(const std::string& folder) {
  Contents contents;
  std::vector<std::string> names;
  EXPECT_TRUE(ListTextFiles(folder, names));
  for (const std::string& name : names) contents[name] = testing::ReadFile(folder + "/" + name);
  return contents;
}

bool LargeFileInHand(const std::string& folder) {
  for (const std::string& name : testing::TemporaryFiles(folder)) {
    if (name.starts_with(".18-large.txt.")) return true;
  }
  return false;
}

class ProcessFault : public ::testing::Test {
 protected:
  void SetUp() override {
    if (testing::HeadlessDriver().empty()) GTEST_SKIP() << "QUELVANE_HEADLESS is not set";
    settings_ = work_.PathOf("settings.ini");
    testing::WriteFile(settings_, kSettings);
  }

  TempFolder work_;
  std::string settings_;
};

TEST_F(ProcessFault, FileSizeLimitLeavesTheLargeFileAndTidiesTheOthers) {
  std::mt19937 random(5);
  TempFolder books;
  books.Write("a.txt", Text(random, 1000, true));
  books.Write("big.txt", Text(random, 3 << 20, false));
  books.Write("c.txt", Text(random, 1000, false));
  const Contents old = Read(books.path());

  ASSERT_TRUE(testing::RunHeadless(settings_, books.path(), 1 << 20)) << "the driver did not end normally";
  Contents now = Read(books.path());
  EXPECT_EQ(testing::Fingerprint(now["big.txt"]), testing::Fingerprint(old.at("big.txt")));
  EXPECT_NE(now["a.txt"], old.at("a.txt"));
  EXPECT_NE(now["c.txt"], old.at("c.txt"));
  EXPECT_EQ(testing::TemporaryFiles(books.path()), std::vector<std::string>{});

  // Without the limit the large file is tidied like the others.
  ASSERT_TRUE(testing::RunHeadless(settings_, books.path()));
  EXPECT_NE(testing::Fingerprint(Read(books.path())["big.txt"]), testing::Fingerprint(old.at("big.txt")));
}

TEST_F(ProcessFault, KilledAtAnyMomentEveryFileIsOldOrNew) {
  // A few dozen files, several MB in all, with one large file in the middle.
  std::mt19937 random(20);
  TempFolder source;
  for (int i = 0; i < 36; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "%02d.txt", i);
    source.Write(i == 18 ? "18-large.txt" : name, Text(random, i == 18 ? 8 << 20 : 20000 + random() % 100000, i % 2));
  }
  const Contents old = Read(source.path());

  TempFolder reference;
  std::filesystem::copy(source.path(), reference.path(), std::filesystem::copy_options::recursive);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(testing::RunHeadless(settings_, reference.path()));
  const auto runTime = std::chrono::steady_clock::now() - start;
  const Contents tidied = Read(reference.path());

  int kills = 0, duringLargeFile = 0;
  for (int attempt = 0; kills < 24 && attempt < 80; ++attempt) {
    TempFolder books;
    std::filesystem::copy(source.path(), books.path(), std::filesystem::copy_options::recursive);
    const pid_t driver = testing::StartHeadless(settings_, books.path());
    std::uniform_real_distribution<double> share(0, 1);
    if (attempt % 3 == 0) {
      // While the large file is being replaced: writing, flushing, renaming.
      while (!LargeFileInHand(books.path()) && waitpid(driver, nullptr, WNOHANG) == 0) std::this_thread::yield();
      std::this_thread::sleep_for(share(random) * runTime / 20);
    } else {
      std::this_thread::sleep_for(share(random) * runTime);
    }
    kill(driver, SIGKILL);
    const int status = testing::WaitFor(driver);
    if (!WIFSIGNALED(status)) continue;  // it had finished already
    ++kills;
    SCOPED_TRACE("kill " + std::to_string(kills));

    EXPECT_LE(testing::TemporaryFiles(books.path()).size(), 1u);
    if (LargeFileInHand(books.path())) ++duringLargeFile;
    const Contents now = Read(books.path());  // hidden temporary files are never listed
    ASSERT_EQ(now.size(), old.size());
    for (const auto& [name, bytes] : now) {
      EXPECT_TRUE(bytes == old.at(name) || bytes == tidied.at(name)) << name << " is neither old nor new";
    }
    ASSERT_TRUE(testing::RunHeadless(settings_, books.path()));
    EXPECT_EQ(Read(books.path()), tidied);
  }
  std::cout << "[ figures  ] " << kills << " kills survived, " << duringLargeFile
            << " during the replacement of the large file\n";
  EXPECT_GE(kills, 20);
  EXPECT_GE(duringLargeFile, 1);
}

}  // namespace
}  // namespace quelvane
