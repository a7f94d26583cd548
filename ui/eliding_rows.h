#pragma once
// The rows of a list as wide as the list and never wider, so that a name
// too long for it is elided (in the list's elide mode) rather than cut off
// at the edge; its tooltip, the whole name, shows only where it was elided.

#include <QStyledItemDelegate>

namespace quelvane {

class ElidingRows : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                 const QModelIndex& index) override;
};

}  // namespace quelvane
