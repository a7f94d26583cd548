// Hostile folders through the headless driver: files that are not text,
// text that is not valid in its encoding, huge lines, awkward names, many
// files. The driver must end normally every time, and only the files that
// are text it may rewrite change.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

#include "platform/folder_listing.h"
#include "reliability_support.h"
#include "temp_folder.h"
#include "text.h"

namespace quelvane {
namespace {

using namespace std::string_literals;
using testing::Gbk;
using testing::TempFolder;

struct File {
  std::string name, bytes;
  std::string after = {};   // empty: must stay as it was
  std::string linkTo = {};  // a symbolic link to this file instead, with its target's bytes
};

class HostileInput : public ::testing::Test {
 protected:
  void SetUp() override {
    if (testing::HeadlessDriver().empty()) GTEST_SKIP() << "QUELVANE_HEADLESS is not set";
  }
  // Runs the driver over `books` and returns its standard output.
  std::string Run(std::string_view settings, const TempFolder& books) {
    testing::WriteFile(work_.PathOf("settings.ini"), settings);
    EXPECT_TRUE(testing::RunHeadless(work_.PathOf("settings.ini"), books.path(), 0, work_.PathOf("out")))
        << "the driver did not end normally";
    return testing::ReadFile(work_.PathOf("out"));
  }

  TempFolder work_;
};

std::string Repeat(std::string_view piece, size_t times) {
  std::string text;
  text.reserve(piece.size() * times);
  for (size_t i = 0; i < times; ++i) text += piece;
  return text;
}

TEST_F(HostileInput, OnlyTextItMayRewriteChanges) {
  const std::string ok = "ok\r\n\r\n", tidied = "ok\r\n";
  const std::string longName = Utf16ToUtf8(std::u16string(83, u'卷')) + "ab.txt";  // 255 bytes
  std::string divided;
  for (int piece = 0; piece < 31; ++piece) divided += std::string(1024, 'x') + "\r\n";
  divided += std::string(32767 - 31 * 1024, 'x') + "\r\n";
  struct Row {
    const char* name;
    std::string settings;
    std::vector<File> files;
    std::string notice = {};  // the failure report expected, if any
  } const rows[] = {
      {"binary file called .txt",
       "optDelete=1\n",
       {{"0.txt", ok, tidied}, {"image.txt", "\x89PNG\r\n\x1A\n\0\0\0\rIHDR\r\n\r\n"s}}},
      {"NUL bytes in text", "optDelete=1\n", {{"0.txt", ok, tidied}, {"nul.txt", "a\r\n\0\r\n\r\n"s}}},
      {"invalid GBK", "optDelete=1\n", {{"0.txt", ok, tidied}, {"bad.txt", "\xB5\xDA\r\n\r\n\x81\x7F\r\n\r\n"}}},
      {"UTF-16 with a byte-order mark",
       "optDelete=1\n",
       {{"0.txt", ok, tidied},
        {"le.txt", "\xFF\xFE" "a\0\r\0\n\0\r\0\n\0"s},
        {"be.txt", "\xFE\xFF\0a\0\r\0\n\0\r\0\n"s}}},
      {"not text, first in the list",
       "optDelete=1\n",
       {{"0.txt", "\xFF\xFE" "a\0"s}, {"1.txt", ok}},
       "notice\t文件“0.txt”不是有效的 GBK 或 UTF-8 文本，无法整理。"},
      {"awkward names",
       "optDelete=1\n",
       {{"my book.txt", ok, tidied},
        {"it's \"quoted\".txt", ok, tidied},
        {"two\nlines.txt", ok, tidied},
        {" leading space.TXT", ok, tidied},
        {longName, ok, tidied},
        {"\xB5\xDA\xD2\xBB.txt", ok}}},  // not valid UTF-8: never listed, never touched
      {"a line of 32,768 characters in divide mode",
       "optDivide=1\ntxtDivide=1024\n",
       {{"0.txt", "ok", "ok\r\n"},
        {"limit.txt", std::string(32767, 'x'), divided},
        {"over.txt", Gbk(std::u16string(32768, u'字'))}}},
      {"a line of 32,768 characters first in the list",
       "optDivide=1\ntxtDivide=1024\n",
       {{"0.txt", std::string(32768, 'x')}, {"1.txt", ok}},
       "notice\t溢出：文件“0.txt”中有超过 32767 个字符的行，无法等长分段。"},
      {"a link beside its target",
       "txtBegin(0)=> \n",
       {{"a.txt", "x\r\n", "> x\r\n"}, {"b.txt", "x\r\n", "> x\r\n", "a.txt"}}},
      {"a single line of over 64 MB",
       "optDelete=1\ntxtReplaceS=\t\ntxtReplaceT=\n",
       {{"0.txt", ok, tidied}, {"huge.txt", Repeat("一行\t", 10 << 20), Repeat("一行", 10 << 20) + "\r\n"}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempFolder books;
    for (const File& file : row.files) {
      if (file.linkTo.empty()) books.Write(file.name, file.bytes);
      else ASSERT_EQ(symlink(file.linkTo.c_str(), books.PathOf(file.name).c_str()), 0);
    }
    const std::string out = Run(row.settings, books);
    if (row.notice.empty()) {
      EXPECT_EQ(out.find("notice"), std::string::npos) << out;
    } else {
      EXPECT_NE(out.find(row.notice + "\n"), std::string::npos) << out;
    }
    for (const File& file : row.files) {
      EXPECT_EQ(testing::Fingerprint(books.Read(file.name)),
                testing::Fingerprint(row.notice.empty() && !file.after.empty() ? file.after : file.bytes))
          << file.name;
    }
    EXPECT_EQ(testing::TemporaryFiles(books.path()), std::vector<std::string>{});
  }
}

TEST_F(HostileInput, TwentyThousandFiles) {
  // Already tidy but one in a thousand, so that the run is not all flushing.
  TempFolder books;
  constexpr int kFiles = 20000;
  for (int i = 0; i < kFiles; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "第%05d章.txt", i);
    books.Write(name, i % 1000 == 0 ? "a\r\n\r\n" : "a\r\n");
  }
  const std::string out = Run("optDelete=1\n", books);
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), kFiles + 2)
      << "the confirmation, the emptied label, then one line per file";
  EXPECT_TRUE(out.ends_with("progress\t66\n"));
  std::vector<std::string> names;
  ASSERT_TRUE(ListTextFiles(books.path(), names));
  ASSERT_EQ(names.size(), static_cast<size_t>(kFiles));
  for (const std::string& name : names) ASSERT_EQ(books.Read(name), "a\r\n") << name;
}

}  // namespace
}  // namespace quelvane
