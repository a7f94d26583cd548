#include "system_error_text.h"

#include <cerrno>

#include "text/display_name.h"

namespace quelvane {

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
  std::u16string text = u"系统错误 ";
  for (char digit : std::to_string(error)) text += static_cast<char16_t>(digit);
  return text;
}

std::u16string QuotedName(std::string_view name) {
  return u"“" + DisplayName(name) + u"”";
}

std::u16string DescribeFileFailure(std::u16string_view action, std::string_view name, int error) {
  return std::u16string(action) + u"文件" + QuotedName(name) + u"：" + DescribeSystemError(error) + u"。";
}

}  // namespace quelvane
