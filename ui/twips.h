#pragma once
// The window's layout is given in twips (1/1440 inch). At 96 dots per inch
// 15 twips make one pixel; Qt's device-independent pixels then scale the
// whole layout on high-DPI screens.

#include <QRect>

namespace quelvane {

inline constexpr int kTwipsPerPixel = 15;

constexpr int TwipsToPixels(int twips) {
  return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

// Edges are rounded, not sizes, so controls that touch in twips still touch
// (and never overlap) in pixels.
inline QRect TwipsRect(int left, int top, int width, int height) {
  const int x = TwipsToPixels(left);
  const int y = TwipsToPixels(top);
  return QRect(x, y, TwipsToPixels(left + width) - x, TwipsToPixels(top + height) - y);
}

}  // namespace quelvane
