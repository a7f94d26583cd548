#include "left_alone.h"

#include <linux/fs.h>
#include <unistd.h>

#include <cerrno>

#include "system_error_text.h"
#include "text/display_name.h"

namespace quelvane {
namespace {

std::u16string Number(size_t n) {
  std::u16string text;
  for (char digit : std::to_string(n)) text += static_cast<char16_t>(digit);
  return text;
}

}  // namespace

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
    default: return std::u16string(kNotTextReason);
  }
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
    default: break;
  }
  switch (error) {
    case ENOSPC:
    case EDQUOT: return std::u16string(kDiskFullReason);
    case EFBIG: return std::u16string(kFileSizeLimitReason);
    default: return DescribeSystemError(error);
  }
}

std::u16string LeftAloneNotice(const std::vector<LeftAloneFile>& files) {
  std::u16string text = u"整理完成，但有 " + Number(files.size()) + u" 个文件未能整理，保持原样：";
  for (size_t i = 0; i < files.size() && i < kMostNamesListed; ++i) {
    text += u"\r\n" + DisplayName(files[i].name) + u"：" + files[i].reason;
  }
  if (files.size() > kMostNamesListed) text += u"\r\n……另有 " + Number(files.size() - kMostNamesListed) + u" 个文件未整理";
  return text;
}

}  // namespace quelvane
