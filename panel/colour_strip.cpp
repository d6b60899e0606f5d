#include "colour_strip.h"

#include "imageio/colour_tables.h"
#include "workspace/colour.h"

#include <QImage>
#include <QPixmap>

#include <algorithm>

namespace gloamery::panel {

ColourStrip::ColourStrip(QWidget* parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("ColourStrip"));
    setFixedHeight(kHeight);
    setMinimumWidth(kWidth / 2);
}

void ColourStrip::showTable(const QString& nameOrPath, ColourEntries entries)
{
    const auto read = loadColourTable(nameOrPath.toStdString());
    if (const Error* e = std::get_if<Error>(&read)) {
        clear();
        setToolTip(tr("Cannot read the colour table: %1").arg(QString::fromStdString(e->message)));
        return;
    }
    const ColourTable& table = std::get<ReadColourTable>(read).table;
    // The span of the table's own elevations; percentages count over 0..100.
    double lo = 0, hi = 100;
    bool first = true;
    for (const ColourEntry& entry : table.entries) {
        if (entry.percent) continue;
        lo = first ? entry.elevation : std::min(lo, entry.elevation);
        hi = first ? entry.elevation : std::max(hi, entry.elevation);
        first = false;
    }
    if (hi <= lo) hi = lo + 1;
    // Deep samples running from lo to hi stand for the strip's columns.
    TintElevations span;
    span.low = lo;
    span.high = hi;
    const TintLookup lookup = tintLookup(table, entries, span, true, lo, hi);
    QImage strip(kWidth, 1, QImage::Format_RGB32);
    for (int x = 0; x < kWidth; ++x) {
        const Colour c = lookup.colours[static_cast<std::size_t>(x * 65535 / (kWidth - 1))];
        const Channels ch = split(c);
        strip.setPixel(x, 0, qRgb(ch.r, ch.g, ch.b));
    }
    setPixmap(QPixmap::fromImage(strip.scaled(kWidth, kHeight)));
    setToolTip(tr("The colour table from its lowest entry to its highest"));
}

} // namespace gloamery::panel
