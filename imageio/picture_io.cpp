#include "picture_io.h"

#include "format_checks.h"

#include <QBuffer>
#include <QFile>
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

// The format's name in messages ("PNG", "PPM"); empty when no decoder of
// the toolkit recognises the bytes.
std::string formatName(const QByteArray& format)
{
    if (format.isEmpty() || !QImageReader::supportedImageFormats().contains(format)) return {};
    return format.toUpper().toStdString();
}

// Decodes the bytes and places the picture; on any refusal the picture is
// left exactly as it was.
Refusal decodeInto(Picture& picture, const QByteArray& bytes)
{
    if (bytes.isEmpty()) return Error{"The file is empty."};
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const QByteArray format = QImageReader::imageFormat(&buffer);
    const std::string name = formatName(format);
    if (name.empty()) return Error{"The file is not a picture in any format this program reads."};
    buffer.seek(0);

    FormatCheck check = format == "bmp" ? checkBmp(bytes, kDecodeLimitMiB)
                      : format == "gif" ? checkGif(bytes, kDecodeLimitMiB)
                      : format == "jpeg" ? checkJpeg(bytes)
                                         : FormatCheck{};
    if (const Error* e = std::get_if<Error>(&check)) return *e;
    QImage image;
    if (QImage* decoded = std::get_if<QImage>(&check)) {
        image = std::move(*decoded);
    } else {
        QImageReader reader(&buffer, format);
        reader.setAllocationLimit(kDecodeLimitMiB);
        // The header's size, when the decoder can tell it, is checked before
        // anything is allocated.
        const QSize size = reader.size();
        if (size.isValid() && exceedsLimit(size.width(), size.height(), kDecodeLimitMiB))
            return tooLargeError(size.width(), size.height(), kDecodeLimitMiB);
        if (size.isValid() && size.isEmpty())
            return Error{"The " + name + " file declares a picture of " + std::to_string(size.width())
                         + " x " + std::to_string(size.height()) + " pixels, which has nothing to show."};
        if (!reader.read(&image) || image.isNull())
            return Error{"The " + name + " file is damaged or incomplete."};
    }
    placeImage(picture, image);
    return std::nullopt;
}

// Qt refuses a number too small for a double just as it refuses junk; to
// whoever typed "1e-400" it is simply 0, as the C-locale reading has it.
// True for a mantissa Qt reads followed by a negative whole exponent.
bool underflows(const QLocale& locale, const QString& s)
{
    const QString exp = locale.exponential();
    const qsizetype e = s.indexOf(exp, 0, Qt::CaseInsensitive);
    if (e <= 0 || s.at(e - 1).isSpace()) return false;
    bool ok = false;
    const double mantissa = locale.toDouble(s.left(e), &ok);
    if (!ok || !std::isfinite(mantissa)) return false;
    QStringView exponent = QStringView(s).mid(e + exp.size());
    const QString minus = locale.negativeSign();
    if (exponent.startsWith(minus)) exponent = exponent.mid(minus.size());
    else if (exponent.startsWith(u'-')) exponent = exponent.mid(1);
    else return false;
    if (exponent.isEmpty()) return false;
    for (QChar c : exponent)
        if (c.digitValue() < 0) return false;
    return true;
}

} // namespace

void placeImage(Picture& picture, const QImage& image)
{
    // A palette shorter than its indexes reach leaves the toolkit's colour
    // conversion reading past the table; such indexes show black instead.
    QImage source = image;
    // Pixel for pixel: an image made for a dense screen would otherwise be
    // drawn shrunk. (Setting it copies a shared image, so only when needed.)
    if (source.devicePixelRatio() != 1.0) source.setDevicePixelRatio(1.0);
    const int tableSize = image.format() == QImage::Format_Indexed8 ? 256
                        : (image.format() == QImage::Format_Mono || image.format() == QImage::Format_MonoLSB) ? 2
                                                                                                             : 0;
    if (image.colorCount() < tableSize) {
        QList<QRgb> table = image.colorTable();
        while (table.size() < tableSize) table.append(qRgb(0, 0, 0));
        source.setColorTable(table);
    }

    // Compose over the background at the picture's own size; QPainter does
    // the cropping and the alpha.
    QImage canvas(picture.width(), picture.height(), QImage::Format_RGB32);
    canvas.fill(QColor(toRgb(picture.background())));
    {
        QPainter painter(&canvas);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.drawImage(0, 0, source);
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
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return Error{file.errorString().toStdString()};
    // Read at most one block past the largest picture file there can be, so
    // a huge file or an endless device is refused without reading it all.
    QByteArray bytes;
    if (!file.isSequential() && file.size() <= kMaxPictureFileBytes) bytes.reserve(file.size());
    char block[64 * 1024];
    while (bytes.size() <= kMaxPictureFileBytes) {
        const qint64 n = file.read(block, sizeof block);
        if (n < 0) return Error{file.errorString().toStdString()};
        if (n == 0) break;
        bytes.append(block, n);
    }
    if (bytes.size() > kMaxPictureFileBytes)
        return Error{"The file is larger than " + std::to_string(kMaxPictureFileBytes / (1024 * 1024))
                     + " MiB, more than any picture that can be loaded."};
    return decodeInto(picture, bytes);
}

Refusal loadPictureData(Picture& picture, const QByteArray& bytes)
{
    if (bytes.size() > kMaxPictureFileBytes)
        return Error{"The data is larger than " + std::to_string(kMaxPictureFileBytes / (1024 * 1024))
                     + " MiB, more than any picture that can be loaded."};
    return decodeInto(picture, bytes);
}

Refusal loadPictureImage(Picture& picture, const QImage& image)
{
    if (image.isNull()) return Error{"The picture could not be decoded: it is damaged, or too large to load."};
    if (exceedsLimit(image.width(), image.height(), kDecodeLimitMiB))
        return tooLargeError(image.width(), image.height(), kDecodeLimitMiB);
    placeImage(picture, image);
    return std::nullopt;
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
        const QLocale locale;
        bool ok = false;
        const double v = locale.toDouble(s, &ok);
        if (ok && std::isfinite(v)) return v;
        if (!ok && underflows(locale, s)) return 0.0;
        return std::nullopt;
    };
}

} // namespace gloamery
