#include "slot_arrays.h"

#include "errors.h"

#include "workspace/parallel.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace py = pybind11;

namespace gloamery::python {

namespace {

std::string shapeText(const py::array& a)
{
    std::string s = "(";
    for (py::ssize_t i = 0; i < a.ndim(); ++i) s += (i ? ", " : "") + std::to_string(a.shape(i));
    return s + (a.ndim() == 1 ? ",)" : ")");
}

std::string expected(Slot slot, int w, int h)
{
    const std::string hw = std::to_string(h) + ", " + std::to_string(w);
    if (slot == Slot::Height)
        return "an array of shape (" + hw + ") of uint8, uint16, float32 or float64, or (" + hw + ", 3) of uint8";
    return "an array of shape (" + hw + ", 3) of uint8";
}

std::size_t pixelsOf(int w, int h) { return static_cast<std::size_t>(w) * static_cast<std::size_t>(h); }

// Equal dtypes, as NumPy's == tells them: the same kind, size and byte
// order, whichever object stands for it.
template <class T>
bool holds(const py::array& a)
{
    return py::detail::npy_api::get().PyArray_EquivTypes_(a.dtype().ptr(), py::dtype::of<T>().ptr());
}

std::optional<SampleKind> kindOf(const py::array& a)
{
    if (holds<std::uint8_t>(a)) return SampleKind::Bytes;
    if (holds<std::uint16_t>(a)) return SampleKind::Words;
    if (holds<float>(a)) return SampleKind::Float32;
    if (holds<double>(a)) return SampleKind::Float64;
    return std::nullopt;
}

const unsigned char* cellOf(const SlotArray& a, int y, int x)
{
    return a.data + static_cast<std::ptrdiff_t>(y) * a.rowStep + static_cast<std::ptrdiff_t>(x) * a.columnStep;
}

// A sample wherever it lies: an array's data need not be aligned.
template <class T>
T valueAt(const unsigned char* p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

double elevationAt(const SlotArray& a, int y, int x)
{
    const unsigned char* p = cellOf(a, y, x);
    return a.kind == SampleKind::Float32 ? static_cast<double>(valueAt<float>(p)) : valueAt<double>(p);
}

// Visits every cell (y, x): row by row when an array's rows lie together
// (C order), else in bands of rows a column at a time, so that an array
// kept by columns (Fortran order) is read along its memory too. Bands go
// to the threads; `band` is told which band a visit belongs to.
template <class Visit>
void forEachCell(const SlotArray& a, Visit visit)
{
    const bool byRows = std::abs(a.columnStep) <= std::abs(a.rowStep);
    const int band = byRows ? 1 : 64;
    const int bands = (a.height + band - 1) / band;
    forEachRow(bands, pixelsOf(a.width, a.height), [&](int b) {
        if (byRows) {
            for (int x = 0; x < a.width; ++x) visit(b, b, x);
            return;
        }
        const int y0 = b * band, y1 = std::min(a.height, y0 + band);
        for (int x = 0; x < a.width; ++x)
            for (int y = y0; y < y1; ++y) visit(b, y, x);
    });
}

int bandsOf(const SlotArray& a)
{
    const int band = std::abs(a.columnStep) <= std::abs(a.rowStep) ? 1 : 64;
    return (a.height + band - 1) / band;
}

void putPixels(Picture& p, const SlotArray& a)
{
    const std::size_t w = static_cast<std::size_t>(p.width());
    const std::ptrdiff_t c = a.channelStep;
    Colour* out = p.data();
    auto at = [w](int y, int x) { return static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x); };
    if (a.channels == 1)
        forEachCell(a, [&](int, int y, int x) { out[at(y, x)] = grey(cellOf(a, y, x)[0]); });
    else
        forEachCell(a, [&](int, int y, int x) {
            const unsigned char* in = cellOf(a, y, x);
            out[at(y, x)] = compose(in[0], in[c], in[2 * c]);
        });
}

HeightSamples wordSamples(const SlotArray& a)
{
    HeightSamples s(a.width, a.height, std::uint16_t{0});
    const std::size_t w = static_cast<std::size_t>(a.width);
    forEachCell(a, [&](int, int y, int x) {
        const std::size_t i = static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x);
        s.data()[i] = valueAt<std::uint16_t>(cellOf(a, y, x));
    });
    return s;
}

bool holdsData(double v) { return std::isfinite(v); }

// The least and greatest elevations: the least of the bands' least and the
// greatest of their greatest, which is the least and greatest value
// whichever order they are taken in.
std::optional<ElevationRange> extent(const SlotArray& a)
{
    std::vector<std::optional<ElevationRange>> bands(static_cast<std::size_t>(bandsOf(a)));
    forEachCell(a, [&](int b, int y, int x) {
        const double v = elevationAt(a, y, x);
        if (!holdsData(v)) return;
        std::optional<ElevationRange>& r = bands[static_cast<std::size_t>(b)];
        if (!r) r = ElevationRange{v, v};
        else r = ElevationRange{std::fmin(r->low, v), std::fmax(r->high, v)};
    });
    std::optional<ElevationRange> r;
    for (const auto& band : bands) {
        if (!band) continue;
        if (!r) r = band;
        else r = ElevationRange{std::fmin(r->low, band->low), std::fmax(r->high, band->high)};
    }
    return r;
}

} // namespace

Slot slotNamed(const std::string& name)
{
    const auto s = slotFromName(name);
    if (!s) throw std::invalid_argument("unknown slot " + quoted(name) + ": use height, shadow, colour, grass, stone, texture or detail");
    return *s;
}

SlotArray checkedSlotArray(const py::array& a, Slot slot, int mapWidth, int mapHeight)
{
    const std::string name(slotName(slot));
    const std::optional<SampleKind> kind = kindOf(a);
    const bool bytes = kind == SampleKind::Bytes;
    const bool flat = a.ndim() == 2;
    const bool rgb = a.ndim() == 3 && a.shape(2) == 3;
    const bool shapeFits = (flat || rgb) && a.shape(0) == mapHeight && a.shape(1) == mapWidth;
    const bool kindFits = slot == Slot::Height ? ((flat && kind) || (rgb && bytes)) : (rgb && bytes);
    if (!shapeFits || !kindFits)
        throw std::invalid_argument(name + " needs " + expected(slot, mapWidth, mapHeight) + ", not shape "
                                    + shapeText(a) + " of " + std::string(py::str(a.dtype())));
    return SlotArray{static_cast<const unsigned char*>(a.data()), mapWidth, mapHeight, flat ? 1 : 3, *kind,
                     a.strides(0), a.strides(1), rgb ? a.strides(2) : 0};
}

void putSlotArray(Workspace& ws, Slot slot, const SlotArray& a)
{
    if (a.kind == SampleKind::Words) return ws.setDeepHeights(wordSamples(a));
    if (slot != Slot::Height) return putPixels(ws.picture(slot), a);
    Picture p(slotBackground(slot), a.width, a.height);
    putPixels(p, a);
    ws.setHeightPicture(p);
}

MappedArray mappedElevations(const SlotArray& a, const std::optional<ElevationRange>& pinned)
{
    const std::optional<ElevationRange> found = extent(a);
    if (!found) throw std::invalid_argument("height: every cell is NaN or infinite: there are no heights to read");
    MappedArray m{HeightSamples(a.width, a.height, std::uint16_t{0}), pinned ? *pinned : *found, {}};
    m.noData.assign(pixelsOf(a.width, a.height), 0);
    const std::size_t w = static_cast<std::size_t>(a.width);
    forEachCell(a, [&](int, int y, int x) {
        const std::size_t i = static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x);
        const double v = elevationAt(a, y, x);
        if (holdsData(v)) m.samples.data()[i] = elevationSample(v, m.range);
        else m.noData[i] = 1;
    });
    const bool any = std::find(m.noData.begin(), m.noData.end(), 1) != m.noData.end();
    if (!any) m.noData.clear();
    return m;
}

void picturePixels(const Picture& p, std::uint8_t* rgb)
{
    const std::size_t w = static_cast<std::size_t>(p.width());
    forEachRow(p.height(), pixelsOf(p.width(), p.height()), [&](int y) {
        const Colour* in = p.data() + static_cast<std::size_t>(y) * w;
        std::uint8_t* out = rgb + static_cast<std::size_t>(y) * w * 3;
        for (std::size_t x = 0; x < w; ++x) {
            const Channels c = split(in[x]);
            out[3 * x] = static_cast<std::uint8_t>(c.r);
            out[3 * x + 1] = static_cast<std::uint8_t>(c.g);
            out[3 * x + 2] = static_cast<std::uint8_t>(c.b);
        }
    });
}

py::array slotArray(const Workspace& ws, Slot slot)
{
    const int w = ws.width(), h = ws.height();
    if (slot != Slot::Height) {
        py::array_t<std::uint8_t> out({h, w, 3});
        std::uint8_t* rgb = out.mutable_data();
        py::gil_scoped_release unlocked;
        picturePixels(ws.picture(slot), rgb);
        return out;
    }
    // The samples as the runs read them, at their depth.
    return ws.heights().grid().visit([&](const auto& g) -> py::array {
        using Sample = typename std::decay_t<decltype(g)>::value_type;
        py::array_t<Sample> out({h, w});
        Sample* samples = out.mutable_data();
        py::gil_scoped_release unlocked;
        forEachRow(h, pixelsOf(w, h), [&](int y) {
            std::copy_n(g.row(y), w, samples + static_cast<std::size_t>(y) * static_cast<std::size_t>(w));
        });
        return out;
    });
}

} // namespace gloamery::python
