#pragma once
// The file formats "Save picture..." writes, chosen by the name's
// extension: one row a format, so a new format is one more row. A name
// with no extension of the table is written as BMP, under that very name.

#include "imageio/geo_place.h"
#include "workspace/controls.h"
#include "workspace/workspace.h"

#include <QString>
#include <QStringList>

#include <span>

namespace gloamery::panel {

struct SaveFormat {
    QStringList extensions; // lower case, without the dot
    QString description;    // the dialog's entry, before its patterns
    bool heightOnly;        // offered for the height map alone
    // Writes the slot's picture (or its deep samples) to path, atomically.
    // origin: the height file's place and no-data cells (GeoTIFF, PNG).
    Refusal (*write)(const Workspace& ws, Slot slot, const QString& path, const MapOrigin& origin);
};

// Every format, BMP (the default) first.
std::span<const SaveFormat> saveFormats();

// The save dialog's filter for a slot: one entry a format offered, each
// naming the picture when one is given ("Color Map as PNG picture"). The
// format that keeps the picture whole comes first, where the dialog starts:
// GeoTIFF for a georeferenced map, else PNG (16-bit for deep heights).
QString saveFilter(Slot slot, const QString& picture = {}, bool georeferenced = false);

// The format a name asks for: its extension's row, else BMP.
const SaveFormat& saveFormatFor(const QString& path, Slot slot);

// f(the slot's picture of the map's size): the slot's own when it keeps
// one, else made for the call and dropped after it, so that nothing of the
// map's size stays beside a slot kept compact once it is written.
template <class F>
decltype(auto) withWholePicture(const Workspace& ws, Slot s, F&& f)
{
    if (s == Slot::Height) return f(static_cast<const Picture&>(ws.heightPicture()));
    const SlotImage& image = ws.image(s);
    if (image.whole()) return f(image.given());
    return f(static_cast<const Picture&>(image.expanded()));
}

// Writes the slot to path in the format its name asks for.
Refusal saveSlot(const Workspace& ws, Slot slot, const QString& path, const MapOrigin& origin = {});

} // namespace gloamery::panel
