#pragma once
// Small helpers for building pictures in tests.

#include "workspace/picture.h"

namespace gloamery::testing {

inline void fill(Picture& p, Colour c)
{
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x) p.setPixel(x, y, c);
}

// Pixels where the two pictures differ.
inline int countDifferent(const Picture& a, const Picture& b)
{
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

// Pixels that are not `c`.
inline int countOther(const Picture& p, Colour c)
{
    int n = 0;
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x) n += p.pixel(x, y) != c;
    return n;
}

} // namespace gloamery::testing
