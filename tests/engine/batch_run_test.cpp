// The run's phases, as a window sees them, over real files.

#include "batch_run.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/folder_listing.h"
#include "recording_window.h"
#include "progress.h"
#include "run_messages.h"
#include "temp_folder.h"

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"  // designated initializers leave the rest empty

namespace quelvane {
namespace {

using testing::RecordingWindow;
using testing::TempFolder;
using Events = std::vector<std::string>;
using Ending = RunReport::Ending;

TidySettings DeleteBlankLines() { return {.blankLineMode = BlankLineMode::Delete}; }

class BatchRun : public ::testing::Test {
 protected:
  void WriteFiles(size_t count) { for (size_t i = 0; i < count; ++i) folder.Write(Name(i), Old(i)); }
  static std::string Name(size_t i) { return char('a' + i) + std::string(".txt"); }
  static std::string Old(size_t i) { return char('a' + i) + std::string("\r\n\r\n"); }
  static std::string New(size_t i) { return char('a' + i) + std::string("\r\n"); }

  RunReport Run(const TidySettings& settings, RecordingWindow& window) {
    FileListing files{folder.path(), {}};
    EXPECT_TRUE(ListTextFiles(files.folder, files.names));
    RunReport report = RunTidy(settings, files, window);
    if (const std::u16string notice = LeftAloneNotice(report); !notice.empty()) window.ShowNotice(notice);
    return report;
  }

  TempFolder folder;
};

TEST_F(BatchRun, CompleteRunShowsEveryPhaseInOrder) {
  WriteFiles(4);
  RecordingWindow window;
  RunReport report = Run(DeleteBlankLines(), window);
  EXPECT_EQ(report.ending, Ending::Completed);
  EXPECT_EQ(report.Count(FileResult::Kind::Tidied), 4u);
  EXPECT_EQ(window.events, (Events{"confirm", "busy", "progress:0", "pump", "progress:16", "progress:33",
                                   "progress:50", "progress:66", "idle"}));
  EXPECT_EQ(window.lastPrompt.substr(window.lastPrompt.size() - 5), u"是否继续?");
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(folder.Read(Name(i)), New(i));
  EXPECT_EQ(folder.Entries(), (Events{"a.txt", "b.txt", "c.txt", "d.txt"}));  // no temporary file left
}

TEST_F(BatchRun, EndsBeforeTouchingAnythingWhenToldTo) {
  WriteFiles(2);
  struct Row { const char* name; TidySettings settings; bool answer; Ending ending; Events events; };
  const TidySettings badDivide{.paragraphMode = ParagraphMode::Divide, .txtDivide = u"2.5"},
      overflow{.paragraphMode = ParagraphMode::Divide, .txtDivide = u"1e99"};
  const Row rows[] = {
      {"answer no", DeleteBlankLines(), false, Ending::Declined, {"confirm"}},
      {"nothing to do", TidySettings{}, true, Ending::NothingToDo, {"notice:没有设置整理方式及内容！"}},
      {"settings refused", badDivide, true, Ending::SettingsRejected, {"notice:分段字符数应键入正整数！"}},
      {"conversion failure", overflow, true, Ending::Failed,
       {"notice:溢出：“1e99”超出了 -32768 至 32767 的整数范围。", "progress:0"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    RecordingWindow window(row.answer);
    EXPECT_EQ(Run(row.settings, window).ending, row.ending);
    EXPECT_EQ(window.events, row.events);
    EXPECT_EQ(folder.Read("a.txt"), Old(0));
  }
  RecordingWindow window;
  FileListing empty{folder.path(), {}};
  RunTidy(DeleteBlankLines(), empty, window);
  EXPECT_EQ(window.events, (Events{"notice:当前文件夹内没有文本文件！"}));
}

TEST_F(BatchRun, LaterFailuresLeaveTheirFileAndTheRunGoesOn) {
  WriteFiles(3);
  folder.Write("same.txt", "same\r\n");
  ASSERT_EQ(chmod(folder.PathOf("b.txt").c_str(), 0444), 0);  // read-only, even for root
  struct stat before {}, after {};
  ASSERT_EQ(stat(folder.PathOf("same.txt").c_str(), &before), 0);

  RecordingWindow window;
  RunReport report = Run(DeleteBlankLines(), window);
  EXPECT_EQ(report.ending, Ending::Completed);
  EXPECT_EQ(report.Count(FileResult::Kind::Tidied), 2u);
  EXPECT_EQ(report.Count(FileResult::Kind::Unchanged), 1u);
  // Told once, after the window is usable again.
  EXPECT_EQ(window.events[window.events.size() - 2], "idle");
  EXPECT_EQ(window.events.back(), "notice:整理完成，但有 1 个文件未能整理，保持原样：\r\nb.txt：文件只读");
  EXPECT_EQ(folder.Read("b.txt"), Old(1));
  EXPECT_EQ(folder.Read("c.txt"), New(2));
  // A file the tidy does not change is not written at all.
  ASSERT_EQ(stat(folder.PathOf("same.txt").c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
}

TEST(Progress, SquaresRoundHalfToEven) {
  const struct { size_t index, count; int squares; } rows[] = {
      {0, 1, 66}, {0, 4, 16}, {2, 4, 50}, {0, 132, 0}, {1, 132, 1}, {2, 132, 2}, {131, 132, 66}};
  for (const auto& row : rows)
    EXPECT_EQ(ProgressSquares(row.index, row.count), row.squares) << row.index << "/" << row.count;
}

}  // namespace
}  // namespace quelvane
