#pragma once
// Both windows were laid out in twips; the screen works in pixels. 15 twips
// make one pixel at 96 dots per inch.

#include "workspace/numeric.h"

#include <QRect>

namespace gloamery {

constexpr int kTwipsPerPixel = 15;

// The nearest whole pixel: the designed lengths are whole pixels, and the
// 3D view's stretched ones fall between.
constexpr int px(double twips) { return static_cast<int>(nearest(twips / kTwipsPerPixel)); }

// A control's pixel rectangle: each edge value converted on its own.
inline QRect twipRect(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), px(width), px(height));
}

} // namespace gloamery
