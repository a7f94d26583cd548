#pragma once
// The confirmation text of a run: a header, one numbered line per planned
// operation, and the question "是否继续?". It belongs to the window's side
// but is plain text-building with no Qt in it, so the window, the headless
// driver and the tests all hand the same function to the engine's run.

#include "run_window.h"
#include "tidy_settings.h"

namespace quelvane {

RunSummary BuildRunSummary(const TidySettings& settings);

}  // namespace quelvane
