#pragma once
// The options of a run, read from the window's controls as they stand.

#include "frm_main_controls.h"
#include "tidy_settings.h"

namespace quelvane {

TidySettings ReadTidySettings(const FrmMainControls& controls);

}  // namespace quelvane
