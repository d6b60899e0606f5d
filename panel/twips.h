#pragma once
// The panel was laid out in twips; the screen works in pixels. 15 twips
// make one pixel at 96 dots per inch.

#include <QRect>

namespace gloamery::panel {

constexpr int kTwipsPerPixel = 15;

constexpr int px(int twips) { return twips / kTwipsPerPixel; }

inline QRect twipRect(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), px(width), px(height));
}

} // namespace gloamery::panel
