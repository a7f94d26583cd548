#pragma once
// Both halves of a file's tidy without any file around them, for tests,
// fuzzing and the benchmark: the new bytes, or why the file is to be left
// as it is.

#include <optional>
#include <string>
#include <string_view>

#include "left_alone_reason.h"
#include "tidy_plan.h"

namespace quelvane {

// Nothing when tidied; else NotText, HasNulByte, LineTooLong or Unencodable.
std::optional<LeftAloneReason> TidyBytes(std::string_view bytes, const TidyPlan& plan, std::string& newBytes);

}  // namespace quelvane
