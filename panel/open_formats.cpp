#include "open_formats.h"

#include <QImageReader>

namespace gloamery::panel {

namespace {

// Read beside the toolkit's formats: deep PGM and PNG come through the
// toolkit, raw samples by their names, elevation rasters through the
// raster plugin. Every slot takes them (other slots show the heights as
// grey).
const QStringList kHeightExtensions = {
    QStringLiteral("png"), QStringLiteral("pgm"), QStringLiteral("tif"), QStringLiteral("tiff"),
    QStringLiteral("r8"),  QStringLiteral("r16"), QStringLiteral("raw"), QStringLiteral("hgt"),
    QStringLiteral("asc"), QStringLiteral("dem")};

QStringList pictureExtensions()
{
    QStringList out;
    for (const QByteArray& f : QImageReader::supportedImageFormats()) out << QString::fromLatin1(f).toLower();
    out.removeDuplicates();
    return out;
}

QString entry(const QString& description, const QStringList& extensions)
{
    QStringList patterns;
    for (const QString& e : extensions) patterns << QStringLiteral("*.") + e;
    return QStringLiteral("%1 (%2)").arg(description, patterns.join(QLatin1Char(' ')));
}

} // namespace

QStringList openExtensions(Slot)
{
    QStringList all = pictureExtensions() + kHeightExtensions;
    all.removeDuplicates();
    return all;
}

QString openFilter(Slot slot)
{
    return QStringList{entry(QStringLiteral("Pictures and height maps"), openExtensions(slot)),
                       entry(QStringLiteral("Pictures"), pictureExtensions()),
                       entry(QStringLiteral("Height maps"), kHeightExtensions),
                       QStringLiteral("All files (*)")}
        .join(QStringLiteral(";;"));
}

} // namespace gloamery::panel
