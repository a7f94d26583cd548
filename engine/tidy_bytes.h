#pragma once
// Both halves of a file's tidy without any file around them, for tests,
// fuzzing and the benchmark: the new bytes, or why the file is to be left
// as it is.

#include <string>
#include <string_view>

#include "tidy_plan.h"

namespace quelvane {

enum class TidyBytesOutcome { Tidied, NotText, HasNulByte, LineTooLong, Unencodable };
TidyBytesOutcome TidyBytes(std::string_view bytes, const TidyPlan& plan, std::string& newBytes);

}  // namespace quelvane
