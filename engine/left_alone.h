#pragma once
// Why a file of a run was left as it was, in the short words the box at the
// end of the run shows beside its name, and that box's text.

#include <string>
#include <string_view>
#include <vector>

#include "platform/file_replacement.h"
#include "platform/file_snapshot.h"
#include "tidy_plan.h"

namespace quelvane {

struct LeftAloneFile {
  std::string name;  // as listed: the bytes of the name on disk
  std::u16string reason;
};

inline constexpr std::u16string_view kReadOnlyReason = u"文件只读";
inline constexpr std::u16string_view kUnmodifiableReason = u"文件被设为不可修改";
inline constexpr std::u16string_view kFolderNotWritableReason = u"所在文件夹不允许写入";
inline constexpr std::u16string_view kOtherOwnerReason = u"文件属于其他用户，没有修改权限";
inline constexpr std::u16string_view kNotTextReason = u"不是 GBK、GB18030、UTF-8 或 UTF-16 文本";
inline constexpr std::u16string_view kNulByteReason = u"含有空字节（NUL），不是文本文件";
inline constexpr std::u16string_view kChangedMeanwhileReason = u"整理期间被其他程序改动";
inline constexpr std::u16string_view kTooBigForMemoryReason = u"文件太大，内存不足";
inline constexpr std::u16string_view kDiskFullReason = u"磁盘空间不足";
inline constexpr std::u16string_view kFileSizeLimitReason = u"超出文件大小上限";
inline constexpr std::u16string_view kLineTooLongReason = u"有超过 32767 个字符的行，无法等长分段";
inline constexpr std::u16string_view kUnencodableReason = u"整理后的文字含有文件编码无法表示的字符";
inline constexpr std::u16string_view kVanishedReason = u"文件已不存在";
inline constexpr std::u16string_view kNotRegularFileReason = u"不是普通文件";

std::u16string ReasonForReadFailure(const ReadFailure& failure);
std::u16string ReasonForReadOutcome(ReadOutcome outcome);
// For a replacement that ended neither Replaced nor Unchanged.
std::u16string ReasonForReplacement(ReplaceOutcome outcome, int error, const FileSnapshot& file);

// "整理完成，但有 N 个文件未能整理，保持原样：" and one line per file, at most
// kMostNamesListed of them, then how many more there are.
inline constexpr size_t kMostNamesListed = 20;
std::u16string LeftAloneNotice(const std::vector<LeftAloneFile>& files);

}  // namespace quelvane
