#pragma once
// The program's icon: a tidied text page with a green tick, 32 × 32.

#include <QIcon>

namespace quelvane {

QIcon ApplicationIcon();

}  // namespace quelvane
