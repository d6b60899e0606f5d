#include "height_files.h"

#include "format_checks.h"
#include "gdal_plugin.h"
#include "picture_io.h"
#include "plugins.h"

#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>

#include "workspace/numeric.h"

#include <QFile>

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
    return {std::move(samples), std::move(shown), {}};
}

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

// ------------------------------------------------------------------ TIFF

bool isTiff(const QByteArray& b) { return b.startsWith("II*\0") || b.startsWith(QByteArray("MM\0*", 4)); }

// Whether the first directory of a TIFF carries the tags that place it on
// the Earth: such a file holds elevations, not a picture's grey levels.
bool hasGeoTags(const QByteArray& b)
{
    if (b.size() < 8) return false;
    const bool little = b[0] == 'I';
    auto u = [&](qsizetype at, int bytes) -> long long {
        if (at < 0 || at + bytes > b.size()) return -1;
        long long v = 0;
        for (int k = 0; k < bytes; ++k) {
            const auto byte = static_cast<unsigned char>(b[at + (little ? bytes - 1 - k : k)]);
            v = v << 8 | byte;
        }
        return v;
    };
    const long long ifd = u(4, 4);
    const long long count = u(ifd, 2);
    for (long long k = 0; k < count; ++k) {
        const long long tag = u(ifd + 2 + 12 * k, 2);
        if (tag < 0) return false;
        if (tag == 33550 || tag == 33922 || tag == 34264 || tag == 34735) return true;
    }
    return false;
}

// -------------------------------------------------- the elevation plugin

struct ElevationPlugin {
    GloameryReadElevations read = nullptr;
    GloameryFreeElevations release = nullptr;
};

// Loaded the first time a raster is read, never before.
const ElevationPlugin& elevationPlugin()
{
    static const ElevationPlugin plugin = [] {
        void* library = openPlugin("libgloamery-gdal.so", "GLOAMERY_ELEVATION_PLUGIN");
        auto read = reinterpret_cast<GloameryReadElevations>(pluginSymbol(library, "gloamery_read_elevations"));
        auto release = reinterpret_cast<GloameryFreeElevations>(pluginSymbol(library, "gloamery_free_elevations"));
        return read && release ? ElevationPlugin{read, release} : ElevationPlugin{};
    }();
    return plugin;
}

std::variant<DeepPicture, Error> readElevations(const QString& path, const std::optional<ElevationRange>& heights)
{
    const ElevationPlugin& plugin = elevationPlugin();
    if (!plugin.read)
        return Error{"Elevation rasters are read by the gloamery-gdal plugin, which is not installed."};
    GloameryElevations raw{};
    char message[512] = {};
    if (plugin.read(QFile::encodeName(path).constData(), kMaxMapSize, &raw, message, sizeof message) != 0)
        return Error{message};
    const std::unique_ptr<GloameryElevations, GloameryFreeElevations> owned(&raw, plugin.release);
    auto mapped = mapElevations(ElevationGrid{raw.width, raw.height, raw.values, raw.valid}, heights);
    if (const Error* e = std::get_if<Error>(&mapped)) return *e;
    auto& m = std::get<MappedElevations>(mapped);
    DeepPicture deep = greyPicture(std::move(m.samples));
    deep.note = rangeNote(m.range);
    return deep;
}

bool namesElevationRaster(const QString& suffix)
{
    static const QStringList kSuffixes = {QStringLiteral("hgt"), QStringLiteral("asc"), QStringLiteral("dem")};
    return kSuffixes.contains(suffix);
}

AnyPicture toAny(std::variant<DeepPicture, Error> r)
{
    if (Error* e = std::get_if<Error>(&r)) return std::move(*e);
    return std::move(std::get<DeepPicture>(r));
}

void put(Picture& picture, const QImage& image, bool tile)
{
    if (tile) tileImage(picture, image);
    else placeImage(picture, image);
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
    return DeepPicture{std::move(samples), std::move(shown), {}};
}

std::optional<std::variant<DeepPicture, Error>> readDeepPgm(const QByteArray& bytes)
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
    HeightSamples samples(w, ht, std::uint16_t{0});
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.constData() + h->data);
    for (std::size_t i = 0; i < static_cast<std::size_t>(w) * ht; ++i) {
        const long long v = in[2 * i] << 8 | in[2 * i + 1];
        if (v > h->maxval)
            return Error{"The PGM file holds the sample " + std::to_string(v) + " at (" + std::to_string(i % w) + ", "
                         + std::to_string(i / w) + "), above its maxval " + std::to_string(h->maxval) + "."};
        samples.data()[i] = scaledSample(v, h->maxval);
    }
    return greyPicture(std::move(samples));
}

std::variant<DeepPicture, Error> readRawHeights(const QByteArray& bytes, int w, int h)
{
    const qsizetype needed = static_cast<qsizetype>(w) * h * 2;
    if (bytes.size() != needed)
        return Error{"The raw file holds " + std::to_string(bytes.size()) + " bytes; a " + std::to_string(w) + " x "
                     + std::to_string(h) + " map of 16-bit samples takes " + std::to_string(needed) + "."};
    HeightSamples samples(w, h, std::uint16_t{0});
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.constData());
    for (std::size_t i = 0; i < static_cast<std::size_t>(w) * h; ++i)
        samples.data()[i] = static_cast<std::uint16_t>(in[2 * i] | in[2 * i + 1] << 8);
    return greyPicture(std::move(samples));
}

AnyPicture readAnyPicture(const QString& path, const HeightReadOptions& options)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (namesElevationRaster(suffix)) return toAny(readElevations(path, options.heights));
    auto file = readPictureBytes(path);
    if (Error* e = std::get_if<Error>(&file)) return std::move(*e);
    const QByteArray& bytes = std::get<QByteArray>(file);
    // Raw samples: .r8 bytes, .r16 16-bit, .raw either, told by its length.
    const qsizetype cells = static_cast<qsizetype>(options.mapWidth) * options.mapHeight;
    if (suffix == QLatin1String("r8") || (suffix == QLatin1String("raw") && bytes.size() == cells)) {
        if (bytes.size() != cells)
            return Error{"The raw file holds " + std::to_string(bytes.size()) + " bytes; a " + std::to_string(options.mapWidth)
                         + " x " + std::to_string(options.mapHeight) + " map of 8-bit samples takes " + std::to_string(cells) + "."};
        QImage grey(options.mapWidth, options.mapHeight, QImage::Format_Grayscale8);
        for (int y = 0; y < options.mapHeight; ++y)
            std::memcpy(grey.scanLine(y), bytes.constData() + static_cast<qsizetype>(y) * options.mapWidth,
                        static_cast<std::size_t>(options.mapWidth));
        return grey;
    }
    if (suffix == QLatin1String("r16") || suffix == QLatin1String("raw"))
        return toAny(readRawHeights(bytes, options.mapWidth, options.mapHeight));
    if (isTiff(bytes) && hasGeoTags(bytes)) return toAny(readElevations(path, options.heights));
    AnyPicture read = readAnyPictureData(bytes);
    // Samples the toolkit does not read (32-bit floats) may still be
    // elevations.
    if (std::holds_alternative<Error>(read) && isTiff(bytes) && elevationReaderAvailable())
        if (auto raster = readElevations(path, options.heights); std::holds_alternative<DeepPicture>(raster))
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

std::variant<LoadedFile, Error> loadSlotFile(Workspace& ws, Slot slot, const QString& path, bool tile,
                                             const std::optional<ElevationRange>& heights)
{
    AnyPicture read = readAnyPicture(path, HeightReadOptions{ws.width(), ws.height(), heights});
    if (Error* e = std::get_if<Error>(&read)) return std::move(*e);
    if (const auto* deep = std::get_if<DeepPicture>(&read)) {
        if (slot == Slot::Height) ws.setDeepHeights(deep->samples, tile);
        else put(ws.picture(slot), deep->shown, tile);
        return LoadedFile{deep->shown.width(), deep->shown.height(), deep->note};
    }
    const QImage& image = std::get<QImage>(read);
    put(ws.picture(slot), image, tile);
    if (slot == Slot::Height) ws.clearDeepHeights();
    return LoadedFile{image.width(), image.height(), {}};
}

Refusal saveDeepHeights(const HeightSamples& samples, const QString& path)
{
    QImage image(samples.width(), samples.height(), QImage::Format_Grayscale16);
    for (int y = 0; y < samples.height(); ++y)
        std::memcpy(image.scanLine(y), samples.data() + static_cast<std::size_t>(y) * samples.width(),
                    static_cast<std::size_t>(samples.width()) * 2);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return Error{file.errorString().toStdString()};
    QImageWriter writer(&file, "png");
    writer.setQuality(85); // deflate level 1, as for every PNG saved
    if (!writer.write(image)) {
        file.cancelWriting();
        return Error{writer.errorString().toStdString()};
    }
    if (!file.commit()) return Error{file.errorString().toStdString()};
    return std::nullopt;
}

bool elevationReaderAvailable() { return elevationPlugin().read != nullptr; }

} // namespace gloamery
