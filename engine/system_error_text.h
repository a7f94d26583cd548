#pragma once
// What went wrong with a file, in the words a user of the window reads.

#include <string>
#include <string_view>

namespace quelvane {

// A short Chinese description of an errno value, e.g. "权限不足".
std::u16string DescribeSystemError(int error);

// “<name>”, for messages; `name` is the name's bytes, shown as DisplayName shows them.
std::u16string QuotedName(std::string_view name);

// "<action>文件“<name>”：<description of error>", e.g. 无法打开文件“第一卷.txt”：文件不存在
std::u16string DescribeFileFailure(std::u16string_view action, std::string_view name, int error);

}  // namespace quelvane
