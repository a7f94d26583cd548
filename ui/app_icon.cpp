#include "app_icon.h"

#include <QPixmap>

#include "icons/quelvane.xpm"

namespace quelvane {

QIcon ApplicationIcon() { return QIcon(QPixmap(quelvane_icon_xpm)); }

}  // namespace quelvane
