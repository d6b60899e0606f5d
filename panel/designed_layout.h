#pragma once
// The panel's grid as it was designed, in twips: each widget keeps its
// designed rectangle, which the window's zoom scales.

#include "ui/twips.h"
#include "workspace/numeric.h"

#include <QRect>
#include <QString>
#include <QVariant>

namespace gloamery::panel {

constexpr int kClientTwips = 11775; // the grid: 785 pixels square
inline constexpr const char* kDesignRect = "designRect";

// Names the widget and puts it where the design has it.
template <class W>
W* place(W* w, const char* name, QRect geometry)
{
    w->setObjectName(QString::fromLatin1(name));
    w->setGeometry(geometry);
    w->setProperty(kDesignRect, geometry);
    return w;
}

inline QRect scaled(QRect r, double zoom)
{
    const auto z = [zoom](int v) { return static_cast<int>(nearest(v * zoom)); };
    return QRect(z(r.x()), z(r.y()), z(r.width()), z(r.height()));
}

} // namespace gloamery::panel
