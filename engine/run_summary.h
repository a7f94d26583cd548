#pragma once
// The confirmation text of a run: a header, one numbered line per planned
// operation, and the question "是否继续?". Built from the checked plan, so
// it lists exactly what the run will do.

#include <cstdint>
#include <string>

#include "tidy_plan.h"

namespace quelvane {

struct RunSummary {
  std::u16string text;
  int16_t itemCount = 0;  // 0: nothing to do
};

RunSummary SummarizePlan(const TidyPlan& plan);

}  // namespace quelvane
