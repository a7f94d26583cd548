#pragma once
// A label of plain text that wraps between words where it can and anywhere
// where it must, so that a name of 255 letters without a space still ends
// inside its box: QLabel only wraps between words and lets such a name run
// past the edge.

#include <QLabel>
#include <QTextDocument>

namespace quelvane {

class WrappingLabel : public QLabel {
  Q_OBJECT

 public:
  // Prefers the width of its longest line, up to `widestLine` pixels. The
  // text is given once, here.
  WrappingLabel(const QString& text, int widestLine, QWidget* parent = nullptr);

  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  // The text laid out `width` pixels wide, or unwrapped for a negative width.
  QTextDocument& LaidOut(int width) const;

  int widestLine_;
  mutable QTextDocument text_;
};

}  // namespace quelvane
