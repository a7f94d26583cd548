#include "run_messages.h"

#include <cerrno>
#include <iterator>

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

using R = LeftAloneReason;
struct ReasonWords {
  R reason;
  std::u16string_view words;
};
// What stands in the words for the description of the system error, and
// for the encodings a run reads, as their table names them.
constexpr std::u16string_view kError = u"{error}", kEncodings = u"{encodings}";
// In the order of LeftAloneReason.
constexpr ReasonWords kReasonWords[] = {
    {R::NotText, u"不是 {encodings} 文本"},
    {R::HasNulByte, u"含有空字节（NUL），不是文本文件"},
    {R::LineTooLong, u"有超过 32767 个字符的行，无法等长分段"},
    {R::Unencodable, u"整理后的文字含有文件编码无法表示的字符"},
    {R::TooBigForMemory, u"文件太大，内存不足"},
    {R::ReadOnly, u"文件只读"},
    {R::Unmodifiable, u"文件被设为不可修改"},
    {R::FolderNotWritable, u"所在文件夹不允许写入"},
    {R::OtherOwner, u"文件属于其他用户，没有修改权限"},
    {R::LinkToOtherOwner, u"链接指向其他用户的文件"},
    {R::LinkToNonRegular, u"链接指向的不是普通文件"},
    {R::NotRegularFile, u"不是普通文件"},
    {R::Vanished, u"文件已不存在"},
    {R::ChangedMeanwhile, u"整理期间被其他程序改动"},
    {R::TakenOver, u"整理用的临时文件被其他用户占用"},
    {R::DiskFull, u"磁盘空间不足"},
    {R::FileSizeLimit, u"超出文件大小上限"},
    {R::Unreadable, u"无法读取（{error}）"},
    {R::SystemError, u"{error}"},
};
constexpr bool EveryReasonInOrder() {
  for (size_t i = 0; i < std::size(kReasonWords); ++i)
    if (static_cast<size_t>(kReasonWords[i].reason) != i) return false;
  return std::size(kReasonWords) == static_cast<size_t>(R::SystemError) + 1;
}
static_assert(EveryReasonInOrder(), "one row per reason, in the enum's order");

}  // namespace

std::u16string DescribeFolderToTidy(std::string_view folder, size_t fileCount) {
  return u"文件夹：" + DisplayPath(folder) + u"（" + Number(fileCount) + u" 个文件）";
}

std::u16string DescribeMissingFolder(std::string_view folder) {
  return u"文件夹“" + DisplayPath(folder) + u"”已不存在。";
}

std::u16string DescribeUnavailableFolder(std::string_view folder, int error) {
  if (error == ENOENT) return DescribeMissingFolder(folder);
  if (error == ENOTDIR) return u"“" + DisplayPath(folder) + u"”不是文件夹。";
  return u"无法打开文件夹“" + DisplayPath(folder) + u"”：" + DescribeSystemError(error) + u"。";
}

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

std::u16string DescribeLeftAlone(const LeftAlone& why) {
  std::u16string words(kReasonWords[static_cast<size_t>(why.reason)].words);
  if (const size_t at = words.find(kError); at != std::u16string::npos) {
    words.replace(at, kError.size(), DescribeSystemError(why.error));
  }
  if (const size_t at = words.find(kEncodings); at != std::u16string::npos) {
    words.replace(at, kEncodings.size(), EncodingNames());
  }
  return words;
}

std::u16string LeftAloneNotice(const RunReport& report) {
  std::vector<const FileResult*> files;
  for (const FileResult& file : report.files) {
    if (file.kind == FileResult::Kind::LeftAlone) files.push_back(&file);
  }
  if (report.ending != RunReport::Ending::Completed || files.empty()) return {};
  std::u16string text = u"整理完成，但有 " + Number(files.size()) + u" 个文件未能整理，保持原样：";
  for (size_t i = 0; i < files.size() && i < kMostNamesListed; ++i) {
    text += u"\r\n" + DisplayName(files[i]->name) + u"：" + DescribeLeftAlone(files[i]->why);
  }
  if (files.size() > kMostNamesListed) text += u"\r\n……另有 " + Number(files.size() - kMostNamesListed) + u" 个文件未整理";
  return text;
}

}  // namespace quelvane
