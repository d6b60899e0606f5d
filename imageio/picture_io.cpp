#include "picture_io.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QLocale>
#include <QPainter>
#include <QSaveFile>

#include <cmath>

// Q_INIT_RESOURCE must be used outside any namespace.
static void initDefaultResources() { Q_INIT_RESOURCE(defaults); }

namespace gloamery {

namespace {

QRgb toRgb(Colour c)
{
    const Channels ch = split(c);
    return qRgb(ch.r, ch.g, ch.b);
}

Refusal readInto(Picture& picture, QImageReader& reader)
{
    reader.setAllocationLimit(kDecodeLimitMiB);
    QImage image;
    if (!reader.read(&image)) return Error{reader.errorString().toStdString()};
    placeImage(picture, image);
    return std::nullopt;
}

} // namespace

void placeImage(Picture& picture, const QImage& image)
{
    // Compose over the background at the picture's own size; QPainter does
    // the cropping and the alpha.
    QImage canvas(picture.width(), picture.height(), QImage::Format_RGB32);
    canvas.fill(QColor(toRgb(picture.background())));
    {
        QPainter painter(&canvas);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.drawImage(0, 0, image);
    }
    std::vector<Colour> pixels(static_cast<std::size_t>(picture.width()) * static_cast<std::size_t>(picture.height()));
    for (int y = 0; y < canvas.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(canvas.constScanLine(y));
        for (int x = 0; x < canvas.width(); ++x)
            pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.width()) + static_cast<std::size_t>(x)] =
                compose(qRed(line[x]), qGreen(line[x]), qBlue(line[x]));
    }
    picture.place(picture.width(), picture.height(), pixels.data());
}

QImage toQImage(const Picture& picture)
{
    QImage image(picture.width(), picture.height(), QImage::Format_RGB32);
    const Colour* src = picture.data();
    for (int y = 0; y < picture.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) line[x] = toRgb(*src++);
    }
    return image;
}

Refusal loadPicture(Picture& picture, const QString& path)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    return readInto(picture, reader);
}

Refusal loadPictureData(Picture& picture, const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return readInto(picture, reader);
}

Refusal savePicture(const Picture& picture, const QString& path, const char* format)
{
    QByteArray fmt = format ? QByteArray(format)
                            : (QFileInfo(path).suffix().compare("png", Qt::CaseInsensitive) == 0 ? "png" : "bmp");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return Error{file.errorString().toStdString()};
    QImageWriter writer(&file, fmt);
    if (!writer.write(toQImage(picture))) {
        file.cancelWriting();
        return Error{writer.errorString().toStdString()};
    }
    if (!file.commit()) return Error{file.errorString().toStdString()};
    return std::nullopt;
}

void loadDefaultPictures(Workspace& ws)
{
    initDefaultResources();
    const struct {
        Slot slot;
        const char* path;
    } defaults[] = {
        {Slot::Height, ":/defaults/height.png"},
        {Slot::Grass, ":/defaults/grass.png"},
        {Slot::Stone, ":/defaults/stone.png"},
        {Slot::Detail, ":/defaults/detail.png"},
    };
    for (const auto& d : defaults) placeImage(ws.picture(d.slot), QImage(QString::fromLatin1(d.path)));
}

NumberParser localeNumberParser()
{
    return [](std::string_view text) -> std::optional<double> {
        const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).trimmed();
        bool ok = false;
        const double v = QLocale().toDouble(s, &ok);
        if (!ok || !std::isfinite(v)) return std::nullopt;
        return v;
    };
}

} // namespace gloamery
