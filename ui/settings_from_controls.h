#pragma once
// The options of a run, read from the window's controls as they stand: each
// field of OptionFields from the control of the same object name.

#include "tidy_settings.h"

class QWidget;

namespace quelvane {

TidySettings ReadTidySettings(const QWidget& window);

}  // namespace quelvane
