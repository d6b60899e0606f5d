#include "slot_arrays.h"

#include "errors.h"

#include "workspace/parallel.h"

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
        return "an array of shape (" + hw + ") of uint8 or uint16, or (" + hw + ", 3) of uint8";
    return "an array of shape (" + hw + ", 3) of uint8";
}

std::size_t pixelsOf(int w, int h) { return static_cast<std::size_t>(w) * static_cast<std::size_t>(h); }

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
    const bool bytes = a.dtype().is(py::dtype::of<std::uint8_t>());
    const bool words = a.dtype().is(py::dtype::of<std::uint16_t>());
    const bool flat = a.ndim() == 2;
    const bool rgb = a.ndim() == 3 && a.shape(2) == 3;
    const bool shapeFits = (flat || rgb) && a.shape(0) == mapHeight && a.shape(1) == mapWidth;
    const bool kindFits = slot == Slot::Height ? ((flat && (bytes || words)) || (rgb && bytes)) : (rgb && bytes);
    if (!shapeFits || !kindFits)
        throw std::invalid_argument(name + " needs " + expected(slot, mapWidth, mapHeight) + ", not shape "
                                    + shapeText(a) + " of " + std::string(py::str(a.dtype())));
    if (!(a.flags() & py::array::c_style))
        throw std::invalid_argument(name + " needs a C-contiguous array (numpy.ascontiguousarray makes one)");
    return SlotArray{a.data(), mapWidth, mapHeight, flat ? 1 : 3, words};
}

void putPixels(Picture& p, const std::uint8_t* data, int channels)
{
    const std::size_t w = static_cast<std::size_t>(p.width());
    forEachRow(p.height(), pixelsOf(p.width(), p.height()), [&](int y) {
        const std::uint8_t* in = data + static_cast<std::size_t>(y) * w * static_cast<std::size_t>(channels);
        Colour* out = p.data() + static_cast<std::size_t>(y) * w;
        if (channels == 1)
            for (std::size_t x = 0; x < w; ++x) out[x] = grey(in[x]);
        else
            for (std::size_t x = 0; x < w; ++x) out[x] = compose(in[3 * x], in[3 * x + 1], in[3 * x + 2]);
    });
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

void putSlotArray(Workspace& ws, Slot slot, const SlotArray& a)
{
    if (a.deep) {
        ws.setDeepHeights(HeightSamples(a.width, a.height, static_cast<const std::uint16_t*>(a.data)));
        return;
    }
    if (slot != Slot::Height) return putPixels(ws.picture(slot), static_cast<const std::uint8_t*>(a.data), a.channels);
    Picture p(slotBackground(slot), a.width, a.height);
    putPixels(p, static_cast<const std::uint8_t*>(a.data), a.channels);
    ws.setHeightPicture(p);
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
