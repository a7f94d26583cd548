#pragma once
// Every word a run shows: the notices that stop it before it starts, and why
// a file was left as it was, in the short words the box at the end of the
// run shows beside its name.

#include <string>
#include <string_view>

#include "left_alone_reason.h"
#include "run_report.h"

namespace quelvane {

inline constexpr std::u16string_view kNoTextFilesMessage = u"当前文件夹内没有文本文件！";
inline constexpr std::u16string_view kBadDivideLengthMessage = u"分段字符数应键入正整数！";
inline constexpr std::u16string_view kMarkerTooLongMessage = u"开头视为整段的标志字符应在七位以内！";
inline constexpr std::u16string_view kNothingToDoMessage = u"没有设置整理方式及内容！";

// Below the confirmation's summary: "文件夹：/home/用户/小说（12 个文件）".
std::u16string DescribeFolderToTidy(std::string_view folder, size_t fileCount);
// "文件夹“/home/用户/小说”已不存在。"
std::u16string DescribeMissingFolder(std::string_view folder);
// Why a run cannot start in `folder`, from the errno of opening it: gone,
// not a folder ("“…”不是文件夹。"), or "无法打开文件夹“…”：权限不足。".
std::u16string DescribeUnavailableFolder(std::string_view folder, int error);

// A short Chinese description of an errno value, e.g. "权限不足".
std::u16string DescribeSystemError(int error);

// The words beside a file's name in the box that ends the run, e.g. "文件只读".
std::u16string DescribeLeftAlone(const LeftAlone& why);

// After a completed run that left files alone: "整理完成，但有 N 个文件未能
// 整理，保持原样：" and one line per file, at most kMostNamesListed of them,
// then how many more there are. Empty when there is nothing to tell.
inline constexpr size_t kMostNamesListed = 20;
std::u16string LeftAloneNotice(const RunReport& report);

}  // namespace quelvane
