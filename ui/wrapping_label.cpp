#include "wrapping_label.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextOption>

#include <cmath>

namespace quelvane {

WrappingLabel::WrappingLabel(const QString& text, int widestLine, QWidget* parent)
    : QLabel(text, parent), widestLine_(widestLine) {
  setTextFormat(Qt::PlainText);
  text_.setDocumentMargin(0);
  QTextOption wrapping;
  wrapping.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  text_.setDefaultTextOption(wrapping);
  text_.setPlainText(text);
}

QTextDocument& WrappingLabel::LaidOut(int width) const {
  text_.setDefaultFont(font());
  text_.setTextWidth(width);
  return text_;
}

int WrappingLabel::heightForWidth(int width) const {
  const QMargins margins = contentsMargins();
  const int textWidth = width - margins.left() - margins.right();
  return static_cast<int>(std::ceil(LaidOut(textWidth).size().height())) + margins.top() + margins.bottom();
}

QSize WrappingLabel::sizeHint() const {
  const QMargins margins = contentsMargins();
  const int longestLine = static_cast<int>(std::ceil(LaidOut(-1).idealWidth()));
  const int width = std::min(longestLine, widestLine_) + margins.left() + margins.right();
  return {width, heightForWidth(width)};
}

void WrappingLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect area = contentsRect();
  QAbstractTextDocumentLayout::PaintContext context;
  context.palette = palette();
  context.palette.setColor(QPalette::Text, palette().color(foregroundRole()));
  painter.translate(area.topLeft());
  LaidOut(area.width()).documentLayout()->draw(&painter, context);
}

}  // namespace quelvane
