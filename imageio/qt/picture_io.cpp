#include "picture_io.h"

#include "imageio/header_length.h"
#include "imageio/input_file.h"
#include "imageio/native_io.h"

#include "format_checks.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QLocale>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>


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

// The toolkit's decoder for the bytes. An icon directory of no entries is
// no icon: TGA files without a name start with bytes that read as one,
// and go to the TGA decoder when it takes them.
QByteArray decoderFor(const QByteArray& bytes, QBuffer& buffer)
{
    QByteArray format = QImageReader::imageFormat(&buffer);
    if (format == "ico" && bytes.size() >= 6 && bytes[4] == 0 && bytes[5] == 0) {
        buffer.seek(0);
        if (QImageReader(&buffer, "tga").canRead()) format = "tga";
    }
    buffer.seek(0);
    return format;
}

// Decodes the bytes, every check first.
std::variant<QImage, Error> decode(const QByteArray& bytes)
{
    if (bytes.isEmpty()) return Error{"The file is empty."};
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const QByteArray format = decoderFor(bytes, buffer);
    if (Refusal r = headerBeyondLength(reinterpret_cast<const unsigned char*>(bytes.constData()),
                                       static_cast<std::size_t>(bytes.size()), format.toStdString()))
        return *r;
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
        // A decoder that stops short on a damaged file may still hand back the
        // rows it never wrote. It fills the picture it is given when that
        // has the size and format it decodes to: cleared first, such rows are
        // black, the same on every load.
        const QImage::Format decodedAs = reader.imageFormat();
        if (size.isValid() && decodedAs != QImage::Format_Invalid) {
            image = QImage(size, decodedAs);
            if (!image.isNull()) image.fill(0);
        }
        if (!reader.read(&image) || image.isNull())
            return Error{"The " + name + " file is damaged or incomplete."};
    }
    return image;
}

// Places what was read; on any refusal the picture is left exactly as it was.
Refusal placeRead(Picture& picture, std::variant<QImage, Error> read)
{
    if (const Error* e = std::get_if<Error>(&read)) return *e;
    placeImage(picture, std::get<QImage>(read));
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

namespace {

// Opaque images in the formats most files decode to are copied straight
// into the picture, row by row; a map-sized canvas would cost a picture's
// worth of fresh memory, which on large maps takes longer to fault in than
// to fill. Other images go over a canvas (below).
bool placeOpaqueRows(Picture& picture, const QImage& image)
{
    const QImage::Format f = image.format();
    if (f != QImage::Format_Grayscale8 && f != QImage::Format_RGB32 && f != QImage::Format_RGB888) return false;
    const int w = std::min(picture.width(), image.width());
    const int h = std::min(picture.height(), image.height());
    picture.clear();
    for (int y = 0; y < h; ++y) {
        const uchar* line = image.constScanLine(y);
        Colour* out = picture.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.width());
        if (f == QImage::Format_Grayscale8) {
            for (int x = 0; x < w; ++x) out[x] = grey(line[x]);
        } else if (f == QImage::Format_RGB888) {
            for (int x = 0; x < w; ++x) out[x] = compose(line[3 * x], line[3 * x + 1], line[3 * x + 2]);
        } else {
            const auto* rgb = reinterpret_cast<const QRgb*>(line);
            for (int x = 0; x < w; ++x) out[x] = compose(qRed(rgb[x]), qGreen(rgb[x]), qBlue(rgb[x]));
        }
    }
    return true;
}

} // namespace

void placeImage(Picture& picture, const QImage& image)
{
    if (image.devicePixelRatio() == 1.0 && placeOpaqueRows(picture, image)) return;

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
    // Straight into the picture: the canvas covers all of it.
    for (int y = 0; y < canvas.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(canvas.constScanLine(y));
        Colour* out = picture.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.width());
        for (int x = 0; x < canvas.width(); ++x) out[x] = compose(qRed(line[x]), qGreen(line[x]), qBlue(line[x]));
    }
}

void tileImage(Picture& picture, const QImage& image)
{
    Picture tile(picture.background(), image.width(), image.height());
    placeImage(tile, image);
    picture = tiled(tile, picture.width(), picture.height());
}

void putImage(Workspace& ws, Slot slot, const QImage& image, bool tile)
{
    if (slot != Slot::Height) {
        // At the image's size, placed or repeated by the slot's rule.
        const SlotImage& now = ws.image(slot);
        Picture one(now.background(), image.width(), image.height());
        placeImage(one, image);
        ws.setImage(slot, SlotImage(std::move(one), now.width(), now.height(), tile));
        return;
    }
    // At the image's size, then into the samples: no picture of the map's size.
    Picture one(slotBackground(slot), image.width(), image.height());
    placeImage(one, image);
    ws.setHeightPicture(one, tile);
}

QImage toQImage(const Picture& picture)
{
    // On large pages, like the picture itself: a large map's image is
    // otherwise mostly the time it takes to fault its memory in.
    using Buffer = std::vector<QRgb, LargePageAllocator<QRgb>>;
    auto* pixels = new Buffer(static_cast<std::size_t>(picture.width()) * static_cast<std::size_t>(picture.height()));
    QImage image(reinterpret_cast<uchar*>(pixels->data()), picture.width(), picture.height(),
                 static_cast<qsizetype>(picture.width()) * 4, QImage::Format_RGB32,
                 [](void* b) { delete static_cast<Buffer*>(b); }, pixels);
    const Colour* src = picture.data();
    for (int y = 0; y < picture.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) line[x] = toRgb(*src++);
    }
    return image;
}

std::variant<QByteArray, Error> readPictureBytes(const QString& path)
{
    // One open, at most one block past the largest picture file there can
    // be: a huge file is refused by its size, unread, an endless device or
    // a silent pipe without waiting for ever (input_file.h).
    auto read = readInputFile(QFile::encodeName(path).toStdString(), kMaxPictureFileBytes);
    if (Error* e = std::get_if<Error>(&read)) return std::move(*e);
    const auto& bytes = std::get<std::vector<unsigned char>>(read);
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

std::variant<QImage, Error> readPictureFile(const QString& path)
{
    auto read = readPictureBytes(path);
    if (const Error* e = std::get_if<Error>(&read)) return *e;
    return decode(std::get<QByteArray>(read));
}

std::variant<QImage, Error> readPictureData(const QByteArray& bytes)
{
    if (bytes.size() > kMaxPictureFileBytes)
        return Error{"The data is larger than " + std::to_string(kMaxPictureFileBytes / (1024 * 1024))
                     + " MiB, more than any picture that can be loaded."};
    return decode(bytes);
}

Refusal loadPicture(Picture& picture, const QString& path) { return placeRead(picture, readPictureFile(path)); }

Refusal loadPictureData(Picture& picture, const QByteArray& bytes) { return placeRead(picture, readPictureData(bytes)); }

Refusal checkDecodedImage(const QImage& image)
{
    if (image.isNull()) return Error{"The picture could not be decoded: it is damaged, or too large to load."};
    if (exceedsLimit(image.width(), image.height(), kDecodeLimitMiB))
        return tooLargeError(image.width(), image.height(), kDecodeLimitMiB);
    return std::nullopt;
}

Refusal loadPictureImage(Picture& picture, const QImage& image)
{
    if (Refusal r = checkDecodedImage(image)) return r;
    placeImage(picture, image);
    return std::nullopt;
}

Refusal savePicture(const Picture& picture, const QString& path, const char* format)
{
    // The batch tool's writer: the same bytes from the window and the tool.
    const std::string name = QFile::encodeName(path).toStdString();
    const std::string fmt = format ? std::string(format) : (lowerExtension(name) == "png" ? "png" : "bmp");
    return savePictureFile(picture, name, fmt);
}

void loadDefaultPictures(Workspace& ws, const std::vector<Slot>& wanted)
{
    // The pictures compiled into the program once, as the batch tool has
    // them: plain PNGs, which the plain reader decodes as the toolkit does.
    loadBuiltInDefaults(ws, wanted);
}

void loadDefaultPictures(Workspace& ws)
{
    loadDefaultPictures(ws, {Slot::Height, Slot::Grass, Slot::Stone, Slot::Detail});
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
