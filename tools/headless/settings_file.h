#pragma once
// Settings files of the headless driver: UTF-8, one "name=value" per line,
// names being the window's control names ("txtAllS(0)", "optLink"...).
// The value is everything after the first "=", so spaces count.

#include <string>
#include <string_view>

#include "tidy_settings.h"

namespace quelvane {

// Applies every line of `content` to `settings`, which keeps its values for
// names not given. On a bad line returns false with `error` describing it.
bool ParseSettingsFile(std::string_view content, TidySettings& settings, std::string& error);

}  // namespace quelvane
