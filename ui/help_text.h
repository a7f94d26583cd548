#pragma once
// The fixed help text shown beside the options: what the program does, every
// way of tidying, the steps of a run, what to watch out for, and what the
// program is. 46 lines, each followed by CR LF.

#include <QString>

namespace quelvane {

QString HelpText();

}  // namespace quelvane
