#include "fitted_image.h"

#include "imageio/qt/picture_io.h"
#include "workspace/parallel.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace gloamery::panel {

namespace {

// Each output pixel the rounded mean of the source block it covers, handed
// to put(x, y, r, g, b) row by row. Block edges fall on whole source pixels,
// so every source pixel counts once. Colour values hold their channels in
// the low three bytes. Rows are spread over threads through forEachRow, so
// every thread starts with its vector registers cleared.
template <class Put>
void blockMeans(const PictureRows& p, QSize to, Put put)
{
    const int w = p.width, h = p.height, dw = to.width(), dh = to.height();
    std::vector<int> firstCol(static_cast<std::size_t>(dw) + 1);
    for (int i = 0; i <= dw; ++i) firstCol[static_cast<std::size_t>(i)] = static_cast<int>(static_cast<long long>(i) * w / dw);
    forEachRow(dh, static_cast<std::size_t>(w) * static_cast<std::size_t>(h), [&](int j) {
        const int y0 = static_cast<int>(static_cast<long long>(j) * h / dh);
        const int y1 = static_cast<int>(static_cast<long long>(j + 1) * h / dh);
        // Red and blue summed in the two 32-bit halves of one word, green in
        // another: no block is large enough to carry one half into the next.
        std::vector<std::uint64_t> redBlue(static_cast<std::size_t>(dw), 0), green(static_cast<std::size_t>(dw), 0);
        std::vector<Colour> scratch(static_cast<std::size_t>(w));
        for (int y = y0; y < y1; ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(p.row(y, scratch.data()));
            for (int i = 0; i < dw; ++i) {
                std::uint64_t rb = 0, g = 0;
                for (int x = firstCol[static_cast<std::size_t>(i)]; x < firstCol[static_cast<std::size_t>(i) + 1]; ++x) {
                    const std::uint64_t c = row[x];
                    rb += (c & 0xFFu) | ((c & 0xFF0000u) << 16);
                    g += c & 0xFF00u;
                }
                redBlue[static_cast<std::size_t>(i)] += rb;
                green[static_cast<std::size_t>(i)] += g;
            }
        }
        for (int i = 0; i < dw; ++i) {
            const unsigned n = static_cast<unsigned>(
                (firstCol[static_cast<std::size_t>(i) + 1] - firstCol[static_cast<std::size_t>(i)]) * (y1 - y0));
            const std::uint64_t rb = redBlue[static_cast<std::size_t>(i)], g = green[static_cast<std::size_t>(i)] >> 8;
            const std::uint64_t r = rb & 0xFFFFFFFFu, b = rb >> 32;
            put(i, j, static_cast<int>((r + n / 2) / n), static_cast<int>((g + n / 2) / n), static_cast<int>((b + n / 2) / n));
        }
    });
}

QImage shrink(const PictureRows& p, QSize to)
{
    QImage out(to, QImage::Format_RGB32);
    uchar* bits = out.bits(); // detached here, before the threads write rows
    const qsizetype stride = out.bytesPerLine();
    blockMeans(p, to, [&](int x, int y, int r, int g, int b) {
        reinterpret_cast<QRgb*>(bits + y * stride)[x] = qRgb(r, g, b);
    });
    return out;
}

} // namespace

QRect fittedRect(QSize picture, QSize cell)
{
    if (picture == cell || picture.isEmpty()) return QRect(QPoint(0, 0), cell);
    const double scale = std::min(double(cell.width()) / picture.width(), double(cell.height()) / picture.height());
    const QSize size(std::clamp(static_cast<int>(std::lround(picture.width() * scale)), 1, cell.width()),
                     std::clamp(static_cast<int>(std::lround(picture.height() * scale)), 1, cell.height()));
    return QRect(QPoint((cell.width() - size.width()) / 2, (cell.height() - size.height()) / 2), size);
}

PictureRows rowsOf(const SlotView& view, Colour background)
{
    return {view.width(), view.height(), background,
            [view](int y, Colour* scratch) { return view.span(0, y, view.width(), scratch); }};
}

PictureRows rowsOf(const Picture& picture) { return rowsOf(SlotView(picture), picture.background()); }

PictureRows rowsOf(const SlotImage& image) { return rowsOf(image.view(), image.background()); }

PictureRows rowsOf(const HeightSlot& heights)
{
    return {heights.width(), heights.height(), heights.background(), [&heights](int y, Colour* scratch) {
                heights.pictureRow(y, scratch);
                return static_cast<const Colour*>(scratch);
            }};
}

Picture wholePicture(const PictureRows& p)
{
    Picture out(p.background, p.width, p.height);
    const std::size_t w = static_cast<std::size_t>(p.width);
    for (int y = 0; y < p.height; ++y) {
        Colour* row = out.data() + static_cast<std::size_t>(y) * w;
        const Colour* from = p.row(y, row);
        if (from != row) std::copy_n(from, w, row);
    }
    return out;
}

QImage scaledImage(const PictureRows& picture, QSize to)
{
    const QSize own(picture.width, picture.height);
    if (to.width() <= own.width() && to.height() <= own.height() && to != own) return shrink(picture, to);
    // Pixel for pixel or enlarged: the picture is no larger than its cell.
    if (to == own) return toQImage(wholePicture(picture));
    return toQImage(wholePicture(picture)).scaled(to, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage fittedImage(const PictureRows& picture, QSize cell)
{
    return scaledImage(picture, fittedRect(QSize(picture.width, picture.height), cell).size());
}

Picture meanPicture(const PictureRows& picture, QSize to)
{
    Picture out(picture.background, to.width(), to.height());
    blockMeans(picture, to, [&](int x, int y, int r, int g, int b) { out.at(x, y) = compose(r, g, b); });
    return out;
}

QPoint picturePixelAt(QPointF cellPos, QRect shown, QSize picture)
{
    const double x = (cellPos.x() - shown.x()) * picture.width() / shown.width();
    const double y = (cellPos.y() - shown.y()) * picture.height() / shown.height();
    return QPoint(static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y)));
}

} // namespace gloamery::panel
