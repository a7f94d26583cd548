#pragma once
// Every word a run shows: the notices that stop it before it starts, the
// failures that end it, and why a file was left as it was, in the short
// words the box at the end of the run shows beside its name.

#include <string>
#include <string_view>
#include <vector>

#include "file_content.h"
#include "platform/file_replacement.h"
#include "platform/file_snapshot.h"
#include "run_report.h"

namespace quelvane {

inline constexpr std::u16string_view kNoTextFilesMessage = u"当前文件夹内没有文本文件！";
inline constexpr std::u16string_view kBadDivideLengthMessage = u"分段字符数应键入正整数！";
inline constexpr std::u16string_view kMarkerTooLongMessage = u"开头视为整段的标志字符应在七位以内！";
inline constexpr std::u16string_view kNothingToDoMessage = u"没有设置整理方式及内容！";

inline constexpr std::u16string_view kReadOnlyReason = u"文件只读";
inline constexpr std::u16string_view kUnmodifiableReason = u"文件被设为不可修改";
inline constexpr std::u16string_view kFolderNotWritableReason = u"所在文件夹不允许写入";
inline constexpr std::u16string_view kOtherOwnerReason = u"文件属于其他用户，没有修改权限";
inline constexpr std::u16string_view kNulByteReason = u"含有空字节（NUL），不是文本文件";
inline constexpr std::u16string_view kChangedMeanwhileReason = u"整理期间被其他程序改动";
inline constexpr std::u16string_view kTooBigForMemoryReason = u"文件太大，内存不足";
inline constexpr std::u16string_view kDiskFullReason = u"磁盘空间不足";
inline constexpr std::u16string_view kFileSizeLimitReason = u"超出文件大小上限";
inline constexpr std::u16string_view kLineTooLongReason = u"有超过 32767 个字符的行，无法等长分段";
inline constexpr std::u16string_view kUnencodableReason = u"整理后的文字含有文件编码无法表示的字符";
inline constexpr std::u16string_view kVanishedReason = u"文件已不存在";
inline constexpr std::u16string_view kNotRegularFileReason = u"不是普通文件";

// Below the confirmation's summary: "文件夹：/home/用户/小说（12 个文件）".
std::u16string DescribeFolderToTidy(std::string_view folder, size_t fileCount);
// "文件夹“/home/用户/小说”已不存在。"
std::u16string DescribeMissingFolder(std::string_view folder);

// "不是 GBK、GB18030、Big5、UTF-8 或 UTF-16 文本": the encodings named as the
// encoding table names them.
std::u16string NotTextReason();

// A short Chinese description of an errno value, e.g. "权限不足".
std::u16string DescribeSystemError(int error);

// Failures that end a run, before its first file has been read whole.
// "<action>文件“<name>”：<description of error>", e.g. 无法打开文件“第一卷.txt”：文件不存在
std::u16string DescribeFileFailure(std::u16string_view action, std::string_view name, int error);
std::u16string DescribeReadOutcome(ReadOutcome outcome, std::string_view name);
std::u16string DescribeTooBigForMemory(std::string_view name);

// The reasons of files left alone later in the run.
std::u16string ReasonForReadFailure(const ReadFailure& failure);
std::u16string ReasonForReadOutcome(ReadOutcome outcome);
// For a replacement that ended neither Replaced nor Unchanged.
std::u16string ReasonForReplacement(ReplaceOutcome outcome, int error, const FileSnapshot& file);

// After a completed run that left files alone: "整理完成，但有 N 个文件未能
// 整理，保持原样：" and one line per file, at most kMostNamesListed of them,
// then how many more there are. Empty when there is nothing to tell.
inline constexpr size_t kMostNamesListed = 20;
std::u16string LeftAloneNotice(const RunReport& report);

}  // namespace quelvane
