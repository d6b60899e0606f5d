#pragma once
// Rect: a box of pixels or grid points, columns x0 .. x0 + width - 1 by
// rows y0 .. y0 + height - 1. A plain aggregate: brace it as
// {x0, y0, width, height}.

namespace gloamery {

struct Rect {
    int x0;
    int y0;
    int width;
    int height;

    int x1() const { return x0 + width; } // one past the last column
    int y1() const { return y0 + height; } // one past the last row
    bool empty() const { return width <= 0 || height <= 0; }

    friend bool operator==(const Rect&, const Rect&) = default;
};

// The box of columns x0 .. x1 - 1 by rows y0 .. y1 - 1.
inline Rect rectBetween(int x0, int y0, int x1, int y1) { return {x0, y0, x1 - x0, y1 - y0}; }

// The points two boxes share; an empty box (no width or height) if none.
inline Rect meet(const Rect& a, const Rect& b)
{
    const int x0 = a.x0 > b.x0 ? a.x0 : b.x0, y0 = a.y0 > b.y0 ? a.y0 : b.y0;
    const int x1 = a.x1() < b.x1() ? a.x1() : b.x1(), y1 = a.y1() < b.y1() ? a.y1() : b.y1();
    return rectBetween(x0, y0, x1, y1);
}

// The smallest box holding both.
inline Rect unite(const Rect& a, const Rect& b)
{
    const int x0 = a.x0 < b.x0 ? a.x0 : b.x0, y0 = a.y0 < b.y0 ? a.y0 : b.y0;
    const int x1 = a.x1() > b.x1() ? a.x1() : b.x1(), y1 = a.y1() > b.y1() ? a.y1() : b.y1();
    return rectBetween(x0, y0, x1, y1);
}

// The box grown by n on every side (shrunk when n is negative).
inline Rect grown(const Rect& r, int n) { return {r.x0 - n, r.y0 - n, r.width + 2 * n, r.height + 2 * n}; }

} // namespace gloamery
