#include "save_formats.h"

#include "imageio/map_files.h"
#include "imageio/native_io.h"
#include "imageio/qt/picture_io.h"

#include <QFile>

namespace gloamery::panel {

namespace {

// The shared writer of the formats the batch tool saves too (map_files.h).
Refusal writeMap(const Workspace& ws, Slot slot, const QString& path, const MapOrigin& origin, const char* format)
{
    const bool deep = slot == Slot::Height && heightsAreDeep(ws);
    const HeightSamples samples = deep ? ws.heightSamples() : HeightSamples{};
    return withWholePicture(ws, slot, [&](const Picture& p) {
        return saveSlotMap(SlotMap{slot, p, samples, origin}, QFile::encodeName(path).toStdString(), format);
    });
}

Refusal writeBmp(const Workspace& ws, Slot slot, const QString& path, const MapOrigin&)
{
    return withWholePicture(ws, slot, [&](const Picture& p) { return savePicture(p, path, "bmp"); });
}

// A deep height map keeps its 16 bits; the bytes are the batch tool's.
Refusal writePng(const Workspace& ws, Slot slot, const QString& path, const MapOrigin& origin)
{
    if (slot == Slot::Height && heightsAreDeep(ws))
        return saveDeepHeightsFile(ws.heightSamples(), QFile::encodeName(path).toStdString());
    // Clear where the height raster held no data, as the batch tool saves it.
    if (origin.hasNoData()) return writeMap(ws, slot, path, origin, "png");
    return withWholePicture(ws, slot, [&](const Picture& p) { return savePicture(p, path, "png"); });
}

// A Cloud Optimized GeoTIFF where the heights lie; raw 16-bit heights.
Refusal writeGeoTiff(const Workspace& ws, Slot slot, const QString& path, const MapOrigin& origin)
{
    return writeMap(ws, slot, path, origin, "tif");
}
Refusal writeRawHeights(const Workspace& ws, Slot slot, const QString& path, const MapOrigin& origin)
{
    return writeMap(ws, slot, path, origin, "r16");
}

const SaveFormat kFormats[] = {
    {{QStringLiteral("bmp")}, QStringLiteral("BMP picture"), false, &writeBmp},
    {{QStringLiteral("png")}, QStringLiteral("PNG picture, 16-bit for deep heights"), false, &writePng},
    {{QStringLiteral("tif"), QStringLiteral("tiff")}, QStringLiteral("GeoTIFF, placed like the height raster"), false, &writeGeoTiff},
    {{QStringLiteral("r16"), QStringLiteral("raw")}, QStringLiteral("16-bit raw heights for terrain engines"), true, &writeRawHeights},
};

bool offered(const SaveFormat& f, Slot slot) { return !f.heightOnly || slot == Slot::Height; }

} // namespace

std::span<const SaveFormat> saveFormats() { return kFormats; }

QString saveFilter(Slot slot, const QString& picture, bool georeferenced)
{
    const QString prefix = picture.isEmpty() ? QString() : picture + QStringLiteral(" as ");
    const SaveFormat& first = kFormats[georeferenced ? 2 : 1];
    QStringList entries;
    for (const SaveFormat& f : kFormats) {
        if (!offered(f, slot)) continue;
        QStringList patterns;
        for (const QString& e : f.extensions) patterns << QStringLiteral("*.") + e;
        const QString entry = QStringLiteral("%1%2 (%3)").arg(prefix, f.description, patterns.join(QLatin1Char(' ')));
        if (&f == &first) entries.prepend(entry);
        else entries << entry;
    }
    return entries.join(QStringLiteral(";;"));
}

const SaveFormat& saveFormatFor(const QString& path, Slot slot)
{
    const QString ext = QString::fromStdString(lowerExtension(QFile::encodeName(path).toStdString()));
    for (const SaveFormat& f : kFormats)
        if (offered(f, slot) && f.extensions.contains(ext)) return f;
    return kFormats[0];
}

Refusal saveSlot(const Workspace& ws, Slot slot, const QString& path, const MapOrigin& origin)
{
    return saveFormatFor(path, slot).write(ws, slot, path, origin);
}

} // namespace gloamery::panel
