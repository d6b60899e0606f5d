#include "height_files.h"

#include "format_checks.h"
#include "imageio/height_file_kinds.h"
#include "imageio/raster_plugin.h"
#include "imageio/slot_sink.h"
#include "picture_io.h"

#include "workspace/numeric.h"

#include <QFile>

#include <algorithm>
#include <cstring>
#include <memory>

namespace gloamery {

namespace {

// ------------------------------------------------------------ 16-bit images

DeepPicture greyPicture(HeightSamples samples)
{
    QImage shown(samples.width(), samples.height(), QImage::Format_Grayscale8);
    for (int y = 0; y < samples.height(); ++y) {
        uchar* line = shown.scanLine(y);
        for (int x = 0; x < samples.width(); ++x) line[x] = shownByte(samples.at(x, y));
    }
    return {std::move(samples), std::move(shown), {}, {}, {}, {}};
}

// Deep rows gathered into samples and their grey picture.
class DeepCollector final : public PngRowSink {
public:
    bool start(int width, int height, PngRowKind) override
    {
        samples_.emplace(width, height, std::uint16_t{0});
        return true;
    }
    void deep(int y, const std::uint16_t* row) override
    {
        std::copy_n(row, samples_->width(), samples_->data() + static_cast<std::size_t>(y) * samples_->width());
    }
    DeepPicture picture() { return greyPicture(std::move(*samples_)); }

private:
    std::optional<HeightSamples> samples_;
};

// ------------------------------------------------------------------- PGM

struct PgmHeader {
    long long width;
    long long height;
    long long maxval;
    qsizetype data; // where the samples begin
};

bool blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// "P5", then width, height and maxval, each after blanks and comments, then
// a single blank. Numbers are capped well above any use, so none overflows.
std::optional<PgmHeader> pgmHeader(const QByteArray& b)
{
    if (!b.startsWith("P5")) return std::nullopt;
    qsizetype i = 2;
    long long v[3];
    for (long long& n : v) {
        while (i < b.size() && (blank(b[i]) || b[i] == '#')) {
            if (b[i] == '#')
                while (i < b.size() && b[i] != '\n' && b[i] != '\r') ++i;
            else ++i;
        }
        if (i >= b.size() || b[i] < '0' || b[i] > '9') return std::nullopt;
        n = 0;
        for (; i < b.size() && b[i] >= '0' && b[i] <= '9'; ++i) n = std::min(n * 10 + (b[i] - '0'), 1LL << 40);
    }
    if (i >= b.size() || !blank(b[i])) return std::nullopt;
    return PgmHeader{v[0], v[1], v[2], i + 1};
}

// nearest(v x 65535 / maxval): the product first, halves to even.
std::uint16_t scaledSample(long long v, long long maxval)
{
    if (maxval == 65535) return static_cast<std::uint16_t>(v);
    return static_cast<std::uint16_t>(nearest(static_cast<double>(v) * 65535.0 / static_cast<double>(maxval)));
}

// The file's bytes as the readers without the toolkit take them.
std::span<const unsigned char> bytesOf(const QByteArray& b)
{
    return {reinterpret_cast<const unsigned char*>(b.constData()), static_cast<std::size_t>(b.size())};
}

// The raster's part the map takes (height_file_kinds.h).
std::variant<DeepPicture, Error> readElevations(const std::string& path, const HeightReadOptions& options)
{
    auto read = readRasterHeights(path, options.mapWidth, options.mapHeight, options.heights);
    if (Error* e = std::get_if<Error>(&read)) return std::move(*e);
    RasterHeights& r = std::get<RasterHeights>(read);
    DeepPicture deep = greyPicture(std::move(r.samples));
    deep.note = std::move(r.note);
    deep.fileWidth = r.fileWidth;
    deep.fileHeight = r.fileHeight;
    deep.origin = std::move(r.origin);
    return deep;
}

AnyPicture toAny(std::variant<DeepPicture, Error> r)
{
    if (Error* e = std::get_if<Error>(&r)) return std::move(*e);
    return std::move(std::get<DeepPicture>(r));
}

} // namespace

std::optional<DeepPicture> deepPictureOf(const QImage& decoded)
{
    QImage image = decoded;
    switch (image.format()) {
    case QImage::Format_Grayscale16: {
        HeightSamples samples(image.width(), image.height(), std::uint16_t{0});
        for (int y = 0; y < image.height(); ++y)
            std::memcpy(samples.data() + static_cast<std::size_t>(y) * image.width(), image.constScanLine(y),
                        static_cast<std::size_t>(image.width()) * 2);
        return greyPicture(std::move(samples));
    }
    case QImage::Format_RGBA64_Premultiplied: image = image.convertToFormat(QImage::Format_RGBA64); break;
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64: break;
    default: return std::nullopt;
    }
    // The red samples are the heights; alpha only counts for other slots.
    const bool opaque = image.format() == QImage::Format_RGBX64;
    HeightSamples samples(image.width(), image.height(), std::uint16_t{0});
    QImage shown(image.width(), image.height(), opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgba64*>(image.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(shown.scanLine(y));
        std::uint16_t* row = samples.data() + static_cast<std::size_t>(y) * image.width();
        for (int x = 0; x < image.width(); ++x) {
            row[x] = in[x].red();
            out[x] = qRgba(shownByte(in[x].red()), shownByte(in[x].green()), shownByte(in[x].blue()),
                           opaque ? 255 : shownByte(in[x].alpha()));
        }
    }
    return DeepPicture{std::move(samples), std::move(shown), {}, {}, {}, {}};
}

namespace {

// A deep PGM's samples handed on a row at a time; nothing when the bytes
// are not such a PGM, else the refusal, if any (rows may have gone before it).
std::optional<Refusal> deepPgmRows(const QByteArray& bytes, PngRowSink& sink)
{
    const std::optional<PgmHeader> h = pgmHeader(bytes);
    if (!h || (h->maxval >= 1 && h->maxval <= 255)) return std::nullopt; // an 8-bit PGM, or not one
    if (h->maxval == 0 || h->maxval > 65535)
        return Error{"The PGM file's maxval is " + std::to_string(h->maxval) + "; it must be 1 to 65535."};
    if (h->width < 1 || h->height < 1)
        return Error{"The PGM file declares a picture of " + std::to_string(h->width) + " x "
                     + std::to_string(h->height) + " pixels, which has nothing to show."};
    if (exceedsLimit(h->width, h->height, kDecodeLimitMiB)) return tooLargeError(h->width, h->height, kDecodeLimitMiB);
    const int w = static_cast<int>(h->width), ht = static_cast<int>(h->height);
    const qsizetype needed = static_cast<qsizetype>(w) * ht * 2;
    if (bytes.size() - h->data < needed)
        return Error{"The PGM file is cut short: " + std::to_string(needed) + " bytes of samples declared, "
                     + std::to_string(bytes.size() - h->data) + " present."};
    sink.start(w, ht, PngRowKind::Deep);
    std::vector<std::uint16_t> row(static_cast<std::size_t>(w));
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.constData() + h->data);
    for (int y = 0; y < ht; ++y, in += 2 * static_cast<std::size_t>(w)) {
        for (int x = 0; x < w; ++x) {
            const long long v = in[2 * x] << 8 | in[2 * x + 1];
            if (v > h->maxval)
                return Error{"The PGM file holds the sample " + std::to_string(v) + " at (" + std::to_string(x) + ", "
                             + std::to_string(y) + "), above its maxval " + std::to_string(h->maxval) + "."};
            row[static_cast<std::size_t>(x)] = scaledSample(v, h->maxval);
        }
        sink.deep(y, row.data());
    }
    return Refusal{};
}

// A decoded image of 16 bits a channel handed on as deep rows (a colour
// one's red samples, the heights); false for one of 8 bits or fewer.
bool deepRowsOf(const QImage& decoded, PngRowSink& sink)
{
    const int w = decoded.width(), h = decoded.height();
    if (decoded.format() == QImage::Format_Grayscale16) {
        sink.start(w, h, PngRowKind::Deep);
        for (int y = 0; y < h; ++y) sink.deep(y, reinterpret_cast<const std::uint16_t*>(decoded.constScanLine(y)));
        return true;
    }
    const QImage::Format f = decoded.format();
    const bool premultiplied = f == QImage::Format_RGBA64_Premultiplied;
    if (!premultiplied && f != QImage::Format_RGBX64 && f != QImage::Format_RGBA64) return false;
    const QImage image = premultiplied ? decoded.convertToFormat(QImage::Format_RGBA64) : decoded;
    sink.start(w, h, PngRowKind::Deep);
    std::vector<std::uint16_t> reds(static_cast<std::size_t>(w));
    for (int y = 0; y < h; ++y) {
        const auto* in = reinterpret_cast<const QRgba64*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) reds[static_cast<std::size_t>(x)] = in[x].red();
        sink.deep(y, reds.data());
    }
    return true;
}

// The height slot filled a row at a time, through the sink the plain PNG
// reader fills it with: a deep file makes no picture to show besides.
std::variant<LoadedFile, Error> loadHeights(Workspace& ws, const std::string& path, const QByteArray& bytes, bool tile,
                                            const std::optional<ElevationRange>& heights)
{
    if (auto placed = loadHeightFile(ws, Slot::Height, path, bytesOf(bytes), tile, heights)) return std::move(*placed);
    SlotSink sink(ws, Slot::Height, tile);
    if (const std::optional<Refusal> pgm = deepPgmRows(bytes, sink)) {
        if (*pgm) return **pgm;
        return sink.finish(ws);
    }
    auto decoded = readPictureData(bytes);
    if (Error* e = std::get_if<Error>(&decoded)) {
        // Samples the toolkit does not read (32-bit floats) may still be elevations.
        if (isTiff(bytesOf(bytes)) && elevationReaderAvailable())
            if (auto raster = loadRasterFile(ws, Slot::Height, path, tile, heights);
                std::holds_alternative<LoadedFile>(raster))
                return raster;
        return std::move(*e);
    }
    const QImage& image = std::get<QImage>(decoded);
    if (deepRowsOf(image, sink)) return sink.finish(ws);
    putImage(ws, Slot::Height, image, tile);
    return LoadedFile{image.width(), image.height(), {}, {}};
}

} // namespace

std::optional<std::variant<DeepPicture, Error>> readDeepPgm(const QByteArray& bytes)
{
    DeepCollector rows;
    const std::optional<Refusal> read = deepPgmRows(bytes, rows);
    if (!read) return std::nullopt;
    if (*read) return **read;
    return rows.picture();
}

AnyPicture readAnyPicture(const QString& path, const HeightReadOptions& options)
{
    const std::string name = QFile::encodeName(path).toStdString();
    if (readsByName(name)) return toAny(readElevations(name, options));
    auto file = readPictureBytes(path);
    if (Error* e = std::get_if<Error>(&file)) return std::move(*e);
    return readAnyPictureBytes(name, std::get<QByteArray>(file), options);
}

AnyPicture readAnyPictureBytes(const std::string& path, const QByteArray& bytes, const HeightReadOptions& options)
{
    switch (heightFileKind(path, bytesOf(bytes), options.mapWidth, options.mapHeight)) {
    case HeightFileKind::Raster: return toAny(readElevations(path, options));
    case HeightFileKind::Raw8: {
        auto raw = readRawBytes(bytesOf(bytes), options.mapWidth, options.mapHeight);
        if (Error* e = std::get_if<Error>(&raw)) return std::move(*e);
        QImage grey(options.mapWidth, options.mapHeight, QImage::Format_Grayscale8);
        for (int y = 0; y < options.mapHeight; ++y)
            std::memcpy(grey.scanLine(y), std::get<std::vector<std::uint8_t>>(raw).data() + static_cast<std::size_t>(y) * options.mapWidth,
                        static_cast<std::size_t>(options.mapWidth));
        return grey;
    }
    case HeightFileKind::Raw16: {
        auto raw = readRawHeights(bytesOf(bytes), options.mapWidth, options.mapHeight);
        if (Error* e = std::get_if<Error>(&raw)) return std::move(*e);
        return greyPicture(std::move(std::get<HeightSamples>(raw)));
    }
    case HeightFileKind::Other: break;
    }
    AnyPicture read = readAnyPictureData(bytes);
    // Samples the toolkit does not read (32-bit floats) may still be
    // elevations.
    if (std::holds_alternative<Error>(read) && isTiff(bytesOf(bytes)) && elevationReaderAvailable())
        if (auto raster = readElevations(path, options); std::holds_alternative<DeepPicture>(raster))
            return std::move(std::get<DeepPicture>(raster));
    return read;
}

AnyPicture readAnyPictureData(const QByteArray& bytes)
{
    if (auto pgm = readDeepPgm(bytes)) return toAny(std::move(*pgm));
    auto decoded = readPictureData(bytes);
    if (Error* e = std::get_if<Error>(&decoded)) return std::move(*e);
    QImage& image = std::get<QImage>(decoded);
    if (auto deep = deepPictureOf(image)) return std::move(*deep);
    return std::move(image);
}

namespace {

std::variant<LoadedFile, Error> placeAny(Workspace& ws, Slot slot, AnyPicture read, bool tile)
{
    if (Error* e = std::get_if<Error>(&read)) return std::move(*e);
    if (const auto* deep = std::get_if<DeepPicture>(&read)) {
        if (slot == Slot::Height) ws.setDeepHeights(deep->samples, tile);
        else putImage(ws, slot, deep->shown, tile);
        const bool window = deep->fileWidth > 0;
        return LoadedFile{window ? deep->fileWidth : deep->shown.width(), window ? deep->fileHeight : deep->shown.height(),
                          deep->note, deep->origin};
    }
    const QImage& image = std::get<QImage>(read);
    putImage(ws, slot, image, tile);
    return LoadedFile{image.width(), image.height(), {}, {}};
}

} // namespace

std::variant<LoadedFile, Error> loadSlotFile(Workspace& ws, Slot slot, const QString& path, bool tile,
                                             const std::optional<ElevationRange>& heights)
{
    if (slot != Slot::Height)
        return placeAny(ws, slot, readAnyPicture(path, HeightReadOptions{ws.width(), ws.height(), heights}), tile);
    const std::string name = QFile::encodeName(path).toStdString();
    if (readsByName(name)) return loadHeights(ws, name, QByteArray(), tile, heights);
    auto file = readPictureBytes(path);
    if (Error* e = std::get_if<Error>(&file)) return std::move(*e);
    return loadHeights(ws, name, std::get<QByteArray>(file), tile, heights);
}

std::variant<LoadedFile, Error> loadSlotBytes(Workspace& ws, Slot slot, const std::string& path, const QByteArray& bytes,
                                              bool tile, const std::optional<ElevationRange>& heights)
{
    if (slot == Slot::Height) return loadHeights(ws, path, bytes, tile, heights);
    return placeAny(ws, slot, readAnyPictureBytes(path, bytes, HeightReadOptions{ws.width(), ws.height(), heights}), tile);
}

Refusal saveDeepHeights(const HeightSamples& samples, const QString& path)
{
    return saveDeepHeightsFile(samples, QFile::encodeName(path).toStdString());
}

bool elevationReaderAvailable() { return rasterPlugin().loaded(); }

} // namespace gloamery
