// The run's phases, as a window sees them, over real files.

#include "batch_run.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <iterator>

#include "platform/folder_listing.h"
#include "printers.h"
#include "run_messages.h"
#include "recording_window.h"
#include "temp_folder.h"

namespace quelvane {
namespace {

using testing::RecordingWindow;
using testing::TempFolder;
using Events = std::vector<std::string>;
using Ending = RunReport::Ending;

TidySettings DeleteBlankLines() { return {.blankLineMode = BlankLineMode::Delete}; }

long OpenFiles() { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); }

class BatchRun : public ::testing::Test {
 protected:
  void WriteFiles(size_t count) { for (size_t i = 0; i < count; ++i) folder.Write(Name(i), Old(i)); }
  static std::string Name(size_t i) { return char('a' + i) + std::string(".txt"); }
  static std::string Old(size_t i) { return char('a' + i) + std::string("\r\n\r\n"); }
  static std::string New(size_t i) { return char('a' + i) + std::string("\r\n"); }

  RunReport Run(const TidySettings& settings, RecordingWindow& window) {
    FileListing files{folder.path(), {}};
    EXPECT_TRUE(ListTextFiles(files.folder, files.names));
    return RunTidy(settings, files, window);
  }

  TempFolder folder;
};

// A file the tidy does not change is not written at all. Of four files, the first and third fill 16.5 and 49.5
// squares: an exact half goes to the even neighbour. Nothing stays open: the window lists and runs again and again.
TEST_F(BatchRun, CompleteRunShowsEveryPhaseInOrder) {
  const long openBefore = OpenFiles();
  WriteFiles(3);
  folder.Write("same.txt", "same\r\n");
  struct stat before {}, after {};
  ASSERT_EQ(stat(folder.PathOf("same.txt").c_str(), &before), 0);
  RecordingWindow window;
  RunReport report = Run(DeleteBlankLines(), window);
  EXPECT_EQ(report.ending, Ending::Completed);
  EXPECT_EQ(report.Count(FileResult::Kind::Tidied), 3u);
  EXPECT_EQ(report.Count(FileResult::Kind::Unchanged), 1u);
  EXPECT_EQ(window.events, (Events{"confirm", "busy", "progress:0", "pump", "progress:16", "progress:33", "progress:50",
                                   "progress:66", "idle"}));
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(folder.Read(Name(i)), New(i));
  EXPECT_EQ(folder.Entries(), (Events{"a.txt", "b.txt", "c.txt", "same.txt"}));  // no temporary file left
  ASSERT_EQ(stat(folder.PathOf("same.txt").c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(OpenFiles(), openBefore);
}

// A divide length out of range is the conversion's failure, told before any file is touched.
TEST_F(BatchRun, ALengthOutOfRangeEndsTheRunBeforeAnyFile) {
  WriteFiles(2);
  RecordingWindow window;
  EXPECT_EQ(Run({.paragraphMode = ParagraphMode::Divide, .txtDivide = u"1e99"}, window).ending, Ending::Failed);
  EXPECT_EQ(window.events, (Events{"notice:溢出：“1e99”超出了 -32768 至 32767 的整数范围。", "progress:0"}));
}

// A folder the run cannot open is named, before the settings are even looked at, and nothing is touched.
TEST_F(BatchRun, AFolderThatCannotBeOpenedEndsTheRunFirst) {
  WriteFiles(1);
  const struct { const char* name; std::string folder, notice; } rows[] = {
      {"gone",   folder.PathOf("gone"),  "文件夹“" + folder.PathOf("gone") + "”已不存在。"},
      {"a file", folder.PathOf("a.txt"), "“" + folder.PathOf("a.txt") + "”不是文件夹。"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    RecordingWindow window;
    EXPECT_EQ(RunTidy({}, {row.folder, {"a.txt"}}, window).ending, Ending::FolderUnavailable);
    EXPECT_EQ(window.events, Events{"notice:" + row.notice});
    EXPECT_EQ(folder.Read("a.txt"), Old(0));
  }
}

// A first file left alone, whatever the reason, is named with it, and the run goes on to tidy the next.
TEST_F(BatchRun, AFirstFileLeftAloneEndsNothing) {
  using enum LeftAloneReason;
  // One link more than the kernel follows in a path: 0.txt, l40, ..., l1, each leading to the next, then l0.
  const std::string links41 = "touch l0 && for i in $(seq 41); do ln -s l$((i - 1)) l$i; done && mv l41 0.txt";
  const struct { const char* name; std::string command; LeftAloneReason reason; } rows[] = {
      {"gone since it was listed",        "true",                      Vanished},
      {"a FIFO",                          "mkfifo 0.txt",              NotRegularFile},
      {"a link to a FIFO",                "mkfifo f && ln -s f 0.txt", LinkToNonRegular},
      {"larger than the memory there is", "truncate -s 1T 0.txt",      TooBigForMemory},  // sparse: never read
      {"a chain of 41 links",             links41,                     Unreadable},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TempFolder books;
    books.Write("1.txt", Old(1));
    ASSERT_EQ(std::system(("cd " + books.path() + " && " + row.command).c_str()), 0);
    RecordingWindow window;
    const RunReport report = RunTidy(DeleteBlankLines(), {books.path(), {"0.txt", "1.txt"}}, window);
    EXPECT_EQ(report.ending, Ending::Completed);
    ASSERT_EQ(report.files.size(), 2u);
    EXPECT_EQ(report.files[0].kind, FileResult::Kind::LeftAlone);
    EXPECT_EQ(report.files[0].why.reason, row.reason);
    EXPECT_EQ(report.files[1].kind, FileResult::Kind::Tidied);
    EXPECT_EQ(books.Read("1.txt"), New(1));
    // The one reason here that carries the system's error: the box says it in words.
    if (row.reason == Unreadable) {
      EXPECT_EQ(testing::AsText(LeftAloneNotice(report)),
                testing::AsText(u"整理完成，但有 1 个文件未能整理，保持原样：\r\n0.txt：无法读取（符号链接层数过多）"));
    }
  }
}

}  // namespace
}  // namespace quelvane
