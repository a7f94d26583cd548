#include "eliding_rows.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QToolTip>

namespace quelvane {

// A list lays its rows out as wide as the widest one asks; asking for no
// width leaves each row the width of the list.
QSize ElidingRows::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  return {0, QStyledItemDelegate::sizeHint(option, index).height()};
}

bool ElidingRows::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                            const QModelIndex& index) {
  if (event->type() == QEvent::ToolTip) {
    QStyleOptionViewItem row = option;
    initStyleOption(&row, index);
    const QRect textArea = view->style()->subElementRect(QStyle::SE_ItemViewItemText, &row, view);
    if (row.fontMetrics.horizontalAdvance(row.text) <= textArea.width()) {
      QToolTip::hideText();
      return true;
    }
  }
  return QStyledItemDelegate::helpEvent(event, view, option, index);
}

}  // namespace quelvane
