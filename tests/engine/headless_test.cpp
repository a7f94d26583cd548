// The headless driver from the outside: settings files, events on standard
// output, exit codes, and the files it leaves.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>

#include "temp_folder.h"

namespace quelvane {
namespace {

using testing::Gbk;
using testing::TempFolder;

struct Result {
  int exitCode = -1;
  std::string out, err;
};

class Headless : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* driver = std::getenv("QUELVANE_HEADLESS");
    if (driver == nullptr) GTEST_SKIP() << "QUELVANE_HEADLESS is not set";
    driver_ = driver;
  }

  Result Run(std::string_view settings, const std::string& folderPath, const std::string& flags = "") {
    testing::WriteFile(work.PathOf("settings.ini"), settings);
    std::string command = "'" + driver_ + "' " + flags + " '" + work.PathOf("settings.ini") + "' '" + folderPath +
                          "' 2>'" + work.PathOf("stderr") + "'";
    Result result;
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[4096];
    for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) result.out.append(buffer, got);
    int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.err = work.Read("stderr");
    return result;
  }

  std::string driver_;
  TempFolder work, books;
};

TEST_F(Headless, TidiesTheFolderAndReportsEveryEvent) {
  books.Write("b.TXT", Gbk(u"  第一回  \r\n\r\n内容\\在此\r\n"));
  books.Write("A.txt", "x");
  books.Write(".hidden.txt", "x\r\n\r\n");
  books.Write("notes.md", "x\r\n\r\n");
  Result result = Run("\xEF\xBB\xBF" "optDelete=1\n\ntxtReplaceS=\\\r\ntxtReplaceT=/\ntxtBegin(0)=  \n", books.path());
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out,
            "confirm\t当前文件夹内的所有文本文件将作如下整理:\\r\\n\\r\\n1.段首增加文字:  \\r\\n2.删除空行!\\r\\n"
            "3.\"\\\\\"字符替换为\"/\"!\\r\\n\\r\\n是否继续?\n"
            "progress\t0\nprogress\t33\nprogress\t66\n");
  EXPECT_EQ(books.Read("A.txt"), "  x\r\n");
  EXPECT_EQ(books.Read("b.TXT"), Gbk(u"    第一回  \r\n  内容/在此\r\n"));
  EXPECT_EQ(books.Read(".hidden.txt"), "x\r\n\r\n");
  EXPECT_EQ(books.Read("notes.md"), "x\r\n\r\n");
}

TEST_F(Headless, SettingsLinesBehaveLikeTheWindowControls) {
  books.Write("a.txt", "abcdefgh\r\n");
  // A later line wins, "0" on an option button changes nothing, the last
  // "1" of a group wins, and txtDivide keeps its first four characters.
  Result result = Run("optLink=1\noptDivide=1\noptParagraph=0\ntxtDivide=9\r\ntxtDivide=3   9\n", books.path());
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.out.find("1.以3   个字符为长度进行等长分段!"), std::string::npos) << result.out;
  EXPECT_EQ(books.Read("a.txt"), "abc\r\ndef\r\ngh\r\n");

  Result declined = Run("optAdd=1\n", books.path(), "--no");
  EXPECT_EQ(declined.exitCode, 0);
  EXPECT_EQ(declined.out.substr(0, 8), "confirm\t");
  EXPECT_EQ(declined.out.find("progress"), std::string::npos);
}

TEST_F(Headless, BadInputExitsWithoutTouchingAnything) {
  books.Write("a.txt", "a\r\n\r\n");
  struct Row {
    const char* name;
    std::string settings, folder, message;
  } const rows[] = {
      {"unknown name", "optDelete=1\ntxtAll(0)=x\n", books.path(), "unknown name"},
      {"no equals sign", "optDelete\n", books.path(), "name=value"},
      {"bad flag", "optDelete=yes\n", books.path(), "0 or 1"},
      {"bad check box", "chkOrdinal=2\n", books.path(), "0 or 1"},
      {"folder missing", "optDelete=1\n", books.path() + "/missing", "cannot list folder"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Result result = Run(row.settings, row.folder);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find(row.message), std::string::npos) << result.err;
    EXPECT_EQ(books.Read("a.txt"), "a\r\n\r\n");
  }
}

}  // namespace
}  // namespace quelvane
