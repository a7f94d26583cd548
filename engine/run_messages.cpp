#include "run_messages.h"

#include <linux/fs.h>
#include <unistd.h>

#include <cerrno>

#include "text/display_name.h"
#include "text/text_encoding.h"

namespace quelvane {
namespace {

template <typename Integer>
std::u16string Number(Integer n) {
  std::u16string text;
  for (char digit : std::to_string(n)) text += static_cast<char16_t>(digit);
  return text;
}

// “<name>”, the name's bytes shown as DisplayName shows them.
std::u16string QuotedName(std::string_view name) {
  return u"“" + DisplayName(name) + u"”";
}

}  // namespace

std::u16string DescribeFolderToTidy(std::string_view folder, size_t fileCount) {
  return u"文件夹：" + DisplayPath(folder) + u"（" + Number(fileCount) + u" 个文件）";
}

std::u16string DescribeMissingFolder(std::string_view folder) {
  return u"文件夹“" + DisplayPath(folder) + u"”已不存在。";
}

std::u16string NotTextReason() { return u"不是 " + EncodingNames() + u" 文本"; }

std::u16string DescribeSystemError(int error) {
  switch (error) {
    case ENOENT: return u"文件不存在";
    case EACCES: return u"权限不足";
    case EPERM: return u"不允许执行此操作";
    case EISDIR: return u"这是一个文件夹";
    case ENOTDIR: return u"路径中有一部分不是文件夹";
    case EIO: return u"输入输出错误";
    case ENOSPC: return u"磁盘空间不足";
    case EDQUOT: return u"超出磁盘配额";
    case EFBIG: return u"文件过大";
    case EROFS: return u"文件系统是只读的";
    case ENOMEM: return u"内存不足";
    case EMFILE:
    case ENFILE: return u"打开的文件过多";
    case ENAMETOOLONG: return u"文件名过长";
    case ELOOP: return u"符号链接层数过多";
    case ETXTBSY:
    case EBUSY: return u"文件正被占用";
    case ESTALE: return u"网络文件句柄已失效";
    case EINVAL: return u"参数无效";
    case EAGAIN: return u"资源暂时不可用";
    default: break;
  }
  return u"系统错误 " + Number(error);
}

std::u16string DescribeFileFailure(std::u16string_view action, std::string_view name, int error) {
  return std::u16string(action) + u"文件" + QuotedName(name) + u"：" + DescribeSystemError(error) + u"。";
}

std::u16string DescribeReadOutcome(ReadOutcome outcome, std::string_view name) {
  if (outcome == ReadOutcome::LineTooLong) {
    return u"溢出：文件" + QuotedName(name) + u"中有超过 32767 个字符的行，无法等长分段。";
  }
  if (outcome == ReadOutcome::HasNulByte) {
    return u"文件" + QuotedName(name) + u"含有空字节（NUL），不是文本，无法整理。";
  }
  return u"文件" + QuotedName(name) + NotTextReason() + u"，无法整理。";
}

std::u16string DescribeTooBigForMemory(std::string_view name) {
  return u"文件" + QuotedName(name) + u"太大，内存不足，无法整理。";
}

std::u16string ReasonForReadFailure(const ReadFailure& failure) {
  if (failure.error == ENOENT) return std::u16string(kVanishedReason);
  // ReadFileSnapshot refuses FIFOs, devices and folders this way.
  if (failure.step == ReadFailure::Step::Open && failure.error == EINVAL) return std::u16string(kNotRegularFileReason);
  return u"无法读取（" + DescribeSystemError(failure.error) + u"）";
}

std::u16string ReasonForReadOutcome(ReadOutcome outcome) {
  switch (outcome) {
    case ReadOutcome::HasNulByte: return std::u16string(kNulByteReason);
    case ReadOutcome::LineTooLong: return std::u16string(kLineTooLongReason);
    case ReadOutcome::Decoded:
    case ReadOutcome::NotText: break;
  }
  return NotTextReason();
}

std::u16string ReasonForReplacement(ReplaceOutcome outcome, int error, const FileSnapshot& file) {
  switch (outcome) {
    case ReplaceOutcome::ReadOnly:
      // From what was read, not from the errno: root gets no EACCES.
      if (file.inodeFlags & (FS_IMMUTABLE_FL | FS_APPEND_FL)) return std::u16string(kUnmodifiableReason);
      if ((file.info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return std::u16string(kReadOnlyReason);
      if ((error == EACCES || error == EPERM) && file.info.st_uid != geteuid()) {
        return std::u16string(kOtherOwnerReason);
      }
      break;
    case ReplaceOutcome::FolderNotWritable: return std::u16string(kFolderNotWritableReason);
    case ReplaceOutcome::ChangedMeanwhile: return std::u16string(kChangedMeanwhileReason);
    case ReplaceOutcome::Replaced:
    case ReplaceOutcome::Unchanged:
    case ReplaceOutcome::Failed: break;
  }
  switch (error) {
    case ENOSPC:
    case EDQUOT: return std::u16string(kDiskFullReason);
    case EFBIG: return std::u16string(kFileSizeLimitReason);
    default: return DescribeSystemError(error);
  }
}

std::u16string LeftAloneNotice(const RunReport& report) {
  std::vector<const FileResult*> files;
  for (const FileResult& file : report.files) {
    if (file.kind == FileResult::Kind::LeftAlone) files.push_back(&file);
  }
  if (report.ending != RunReport::Ending::Completed || files.empty()) return {};
  std::u16string text = u"整理完成，但有 " + Number(files.size()) + u" 个文件未能整理，保持原样：";
  for (size_t i = 0; i < files.size() && i < kMostNamesListed; ++i) {
    text += u"\r\n" + DisplayName(files[i]->name) + u"：" + files[i]->reason;
  }
  if (files.size() > kMostNamesListed) text += u"\r\n……另有 " + Number(files.size() - kMostNamesListed) + u" 个文件未整理";
  return text;
}

}  // namespace quelvane
