#include "open_formats.h"

#include "imageio/file_kind.h"

#include <QImageReader>

namespace gloamery::panel {

namespace {

// Read beside the toolkit's formats: deep PGM and PNG come through the
// toolkit, raw samples by their names, elevation rasters through the
// raster plugin. Every slot takes them (other slots show the heights as
// grey).
QStringList heightExtensions()
{
    QStringList out;
    for (const std::string& e : heightFileExtensions()) out << QString::fromStdString(e);
    return out;
}

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
    QStringList all = pictureExtensions() + heightExtensions();
    all.removeDuplicates();
    return all;
}

QString openFilter(Slot slot)
{
    return QStringList{entry(QStringLiteral("Pictures and height maps"), openExtensions(slot)),
                       entry(QStringLiteral("Pictures"), pictureExtensions()),
                       entry(QStringLiteral("Height maps"), heightExtensions()),
                       QStringLiteral("All files (*)")}
        .join(QStringLiteral(";;"));
}

} // namespace gloamery::panel
