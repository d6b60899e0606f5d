// The computing buttons driven by fuzzed controls and height maps: every
// shadow button, both texture buttons, "Clear", "3D"'s grid builder and the
// merge with every blend mode, in any order, with the text boxes as any
// text at all or as numbers of any size.
//
// Input layout (missing bytes read as 0):
//   flags        bit 0 blur, bit 1 locale parser, bits 2-3 blend mode,
//                bit 4 a small map (two more bytes: width and height, each
//                1..48), bit 5 the parallel sweep even on a small map
//   darkness     16-bit signed (the core limits it to 0..255)
//   contrast     byte, taken modulo 101
//   X0, Y0, Alt  each a text field, see readText()
//   operations   a count byte (modulo 5), then one byte per operation
//   height map   the rest, see readHeights()
//
// Checked after every operation, besides what the sanitizers catch:
//  - a refused shadow run changes no picture and reports nothing;
//  - every picture holds valid colour values, the shadow map only greys;
//  - status texts are the four known ones, progress stays within 0..1,
//    the busy pointer is switched on and off in pairs;
//  - the grids of "3D" hold what the pictures allow.
// parseCNumber gets its own checks on every text field.

#include "compose/merge.h"
#include "compose/texture.h"
#include "imageio/qt/picture_io.h"
#include "inputs/operations.h"
#include "inputs/shadow_inputs.h"
#include "inputs/controls.h"
#include "workspace/parallel.h"
#include "workspace/view_maps.h"
#include "workspace/workspace.h"

#include <QtGlobal>

#include <sanitizer/common_interface_defs.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using namespace gloamery;

namespace {

// Through the sanitizer's report channel, which stays open when the fuzz
// script closes stderr.
[[noreturn]] void fail(const std::string& what)
{
    __sanitizer_report_error_summary(what.c_str());
    std::abort();
}

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : p_(data), n_(size) {}

    std::uint8_t byte()
    {
        if (n_ == 0) return 0;
        --n_;
        return *p_++;
    }
    std::int16_t i16() { return static_cast<std::int16_t>(byte() | (byte() << 8)); }
    std::int32_t i32() { return static_cast<std::int32_t>(static_cast<std::uint32_t>(i16() & 0xFFFF) | (static_cast<std::uint32_t>(i16() & 0xFFFF) << 16)); }

    std::string bytes(std::size_t count)
    {
        const std::size_t k = count < n_ ? count : n_;
        std::string s(reinterpret_cast<const char*>(p_), k);
        p_ += k;
        n_ -= k;
        return s;
    }

    std::string_view rest() const { return {reinterpret_cast<const char*>(p_), n_}; }

private:
    const std::uint8_t* p_;
    std::size_t n_;
};

// parseCNumber: whatever it accepts is finite and blanks around it change
// nothing; the shortest text of a finite double reads back exactly.
void checkParser(const std::string& text, std::optional<double> exact)
{
    const std::optional<double> v = parseCNumber(text);
    if (v && !std::isfinite(*v)) fail("parseCNumber accepted \"" + text + "\" as a non-finite number");
    const std::optional<double> padded = parseCNumber(" \t" + text + " ");
    if (padded.has_value() != v.has_value() || (v && *padded != *v))
        fail("parseCNumber reads \"" + text + "\" differently with blanks around it");
    if (exact && (!v || *v != *exact)) fail("parseCNumber does not read back \"" + text + "\"");
}

// A text box: a first byte below 0xF0 gives that many bytes (modulo 48) of
// raw text; 0xF0 + k gives the shortest decimal text of a 32-bit integer
// divided by 2^k, so numbers of every size and many fractions are near.
std::string readText(Input& in)
{
    const std::uint8_t head = in.byte();
    if (head < 0xF0) {
        std::string s = in.bytes(head % 48);
        checkParser(s, std::nullopt);
        return s;
    }
    const double v = std::ldexp(static_cast<double>(in.i32()), -(head & 15));
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, v);
    std::string s(buf, res.ptr);
    checkParser(s, v);
    return s;
}

// The height map: an even first byte tiles the remaining bytes over the map
// row by row; an odd one reads them as (x, y, height, radius) discs on
// flat ground of height 0.
void readHeights(std::string_view rest, Picture& height)
{
    const std::uint8_t mode = rest.empty() ? 0 : static_cast<std::uint8_t>(rest[0]);
    if (!rest.empty()) rest.remove_prefix(1);
    if (mode % 2 == 0) {
        for (int y = 0; y < height.height(); ++y)
            for (int x = 0; x < height.width(); ++x) {
                const int h = rest.empty() ? 0 : static_cast<std::uint8_t>(rest[(static_cast<std::size_t>(y) * height.width() + x) % rest.size()]);
                height.setPixel(x, y, grey(h));
            }
        return;
    }
    for (int y = 0; y < height.height(); ++y)
        for (int x = 0; x < height.width(); ++x) height.setPixel(x, y, kBlack);
    for (std::size_t i = 0; i + 4 <= rest.size(); i += 4) {
        const int cx = static_cast<std::uint8_t>(rest[i]);
        const int cy = static_cast<std::uint8_t>(rest[i + 1]);
        const int h = static_cast<std::uint8_t>(rest[i + 2]);
        const int r = static_cast<std::uint8_t>(rest[i + 3]) % 16;
        for (int dy = -r; dy <= r; ++dy)
            for (int dx = -r; dx <= r; ++dx)
                if (dx * dx + dy * dy <= r * r) height.setPixel(cx + dx, cy + dy, grey(h));
    }
}

class CheckingReporter final : public Reporter {
public:
    void status(std::string_view text) override
    {
        ++calls;
        if (text != status::kCalculating && text != status::kBuffering && text != status::kMerging
            && text != status::kDone)
            fail("unknown status text \"" + std::string(text) + "\"");
    }
    void progress(double fraction) override
    {
        ++calls;
        if (!(fraction >= 0.0 && fraction <= 1.0)) fail("progress fraction " + std::to_string(fraction));
    }
    void busy(bool on) override
    {
        ++calls;
        if (on == busy_) fail(on ? "busy pointer switched on twice" : "busy pointer switched off twice");
        busy_ = on;
    }
    void endOfOperation(const char* what) const
    {
        if (busy_) fail(std::string(what) + " left the busy pointer on");
    }

    int calls = 0;

private:
    bool busy_ = false;
};

const char* const kSlotNames[] = {"height", "work", "shadow", "colour", "grass", "stone", "texture", "detail"};

void checkPictures(const Workspace& ws, const char* after)
{
    for (int s = 0; s < kSlotCount; ++s) {
        const Picture p = slotPicture(ws, static_cast<Slot>(s));
        for (int y = 0; y < p.height(); ++y)
            for (int x = 0; x < p.width(); ++x) {
                const Colour c = p.at(x, y);
                if (c < 0 || c > 0xFFFFFF)
                    fail(std::string(after) + ": invalid colour in " + kSlotNames[s] + " at " + std::to_string(x) + ","
                         + std::to_string(y));
                if (static_cast<Slot>(s) == Slot::Shadow) {
                    const Channels ch = split(c);
                    if (ch.r != ch.g || ch.g != ch.b)
                        fail(std::string(after) + ": shadow map not grey at " + std::to_string(x) + "," + std::to_string(y));
                }
            }
    }
}

void checkGrids(const ViewGrids& ws)
{
    // Every sample of the grids, which a large map has at a step.
    for (int x = 0; x <= ws.height.mapWidth(); ++x)
        for (int y = 0; y <= ws.height.mapHeight(); ++y) {
            const float h = ws.HeightMap(x, y);
            if (!(h >= -2.0f && h <= 1.984375f)) fail("HeightMap out of range at " + std::to_string(x) + "," + std::to_string(y));
            for (float c : {ws.ColorMapR(x, y), ws.ColorMapG(x, y), ws.ColorMapB(x, y)})
                if (!(c >= 0.0f && c <= 1.0f)) fail("ColorMap out of range at " + std::to_string(x) + "," + std::to_string(y));
        }
}

bool samePictures(const Workspace& a, const Workspace& b)
{
    for (int s = 0; s < kSlotCount; ++s)
        if (static_cast<Slot>(s) != Slot::Height && a.picture(static_cast<Slot>(s)) != b.picture(static_cast<Slot>(s)))
            return false;
    return a.heights() == b.heights();
}

void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qInstallMessageHandler(quiet);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The start state of the control panel, built once.
    static const Workspace start = [] {
        Workspace ws;
        loadDefaultPictures(ws);
        return ws;
    }();
    static const NumberParser localeParser = localeNumberParser();
    static const NumberParser cParser = parseCNumber;

    Input in(data, size);
    Controls c;
    const std::uint8_t flags = in.byte();
    c.blur = flags & 1;
    const NumberParser& parse = flags & 2 ? localeParser : cParser;
    c.blend = static_cast<BlendMode>((flags >> 2) & 3);
    c.darkness = in.i16();
    c.contrast = in.byte() % 101;
    c.x0 = readText(in);
    c.y0 = readText(in);
    c.alt = readText(in);
    int ops[4];
    const int count = in.byte() % 5;
    for (int i = 0; i < count; ++i) ops[i] = in.byte();

    Workspace ws = start;
    if (flags & 16) {
        const int w = 1 + in.byte() % 48;
        ws.resize(w, 1 + in.byte() % 48);
    }
    // The stamped, layered sweep that large maps take, on any map.
    setThreadCount(flags & 32 ? 2 : 1);
    setParallelGrain(flags & 32 ? 1 : static_cast<std::size_t>(-1));
    ws.editHeightPicture([&](Picture& p) { readHeights(in.rest(), p); });

    // The operation table's sweeps, then the texture buttons, Clear, 3D and Merge.
    static const std::vector<const OperationRow*> kSweeps = sweepRows();
    static const std::vector<std::string> kOpNames = [] {
        std::vector<std::string> names;
        for (const OperationRow* row : kSweeps) names.emplace_back(row->caption);
        for (const char* other : {"Make Texture", "Make Texture2", "Clear", "3D", "Merge"}) names.emplace_back(other);
        return names;
    }();
    const int sweeps = static_cast<int>(kSweeps.size());
    for (int i = 0; i < count; ++i) {
        CheckingReporter report;
        const int op = ops[i] % static_cast<int>(kOpNames.size());
        const std::string& name = kOpNames[static_cast<std::size_t>(op)];
        if (op < sweeps) {
            const Workspace before = ws;
            if (const Refusal r = runShadowButton(ws, *kSweeps[static_cast<std::size_t>(op)]->shadow, c, parse, report)) {
                if (r->message.empty()) fail(name + " refused without a reason");
                if (!samePictures(ws, before)) fail(name + " refused but changed a picture");
                if (report.calls != 0) fail(name + " refused but reported progress");
            }
        } else if (op == sweeps) {
            makeTexture(ws, c.contrast, report);
        } else if (op == sweeps + 1) {
            makeTexture2(ws, c.contrast, report);
        } else if (op == sweeps + 2) {
            clearShadow(ws);
        } else if (op == sweeps + 3) {
            checkGrids(CalculateMaps(ws, report));
        } else {
            Merge(ws, c.blur, c.blend, report);
        }
        report.endOfOperation(name.c_str());
        checkPictures(ws, name.c_str());
    }
    return 0;
}
