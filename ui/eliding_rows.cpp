#include "eliding_rows.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QScreen>
#include <QToolTip>

#include <algorithm>

namespace quelvane {
namespace {

constexpr int kWidestTooltipLine = 600;  // pixels

// `text` in lines at most `width` pixels wide: a tooltip wider than the
// screen wraps only where a line may break, and a long name has no such
// place. A mark stays with the character before it, a surrogate pair whole.
QString InLines(const QString& text, const QFontMetrics& metrics, int width) {
  QString lines, line;
  for (qsizetype i = 0; i < text.size();) {
    const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    const QString character = text.mid(i, length);
    if (!line.isEmpty() && !character[0].isMark() && metrics.horizontalAdvance(line + character) > width) {
      lines += line + '\n';
      line.clear();
    }
    line += character;
    i += length;
  }
  return lines + line;
}

}  // namespace

// A list lays its rows out as wide as the widest one asks; asking for no
// width leaves each row the width of the list.
QSize ElidingRows::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  return {0, QStyledItemDelegate::sizeHint(option, index).height()};
}

bool ElidingRows::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                            const QModelIndex& index) {
  if (event->type() != QEvent::ToolTip) return QStyledItemDelegate::helpEvent(event, view, option, index);
  QStyleOptionViewItem row = option;
  initStyleOption(&row, index);
  const QRect textArea = view->style()->subElementRect(QStyle::SE_ItemViewItemText, &row, view);
  if (row.fontMetrics.horizontalAdvance(row.text) <= textArea.width()) {
    QToolTip::hideText();
  } else {
    const int width = std::min(view->screen()->availableGeometry().width() / 3, kWidestTooltipLine);
    QToolTip::showText(event->globalPos(),
                       InLines(index.data(Qt::ToolTipRole).toString(), QFontMetrics(QToolTip::font()), width), view,
                       option.rect);
  }
  return true;
}

}  // namespace quelvane
