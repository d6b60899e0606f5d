#pragma once
// The blend modes: colour map = texture map lit by the shadow plane.
// Each writes every colour-map pixel and runs the progress bar 0..1. The
// texture is read through its slot's rule (a bare picture is itself).

#include "../workspace/controls.h"
#include "../workspace/map_grid.h"
#include "../workspace/picture.h"
#include "../workspace/slot_image.h"
#include "../workspace/reporter.h"

#include <array>
#include <cstdint>
#include <memory>

namespace gloamery {

// "50/50": w = round((s + v) / 2)
void MergeDetNor(const ByteGrid& tmat, const SlotView& texture, Picture& colour, Reporter& report);
// "Multiply": w = round(v x (s / 255 + 0.1))
void MergeDetMul(const ByteGrid& tmat, const SlotView& texture, Picture& colour, Reporter& report);
// "Multiply/2": w = round(v x (s / 512 + 0.5))
void MergeDetDiv(const ByteGrid& tmat, const SlotView& texture, Picture& colour, Reporter& report);
// "Multiply/3": as "Multiply" up to s = 128, w = round(v x s / 128) above
void MergeDetMul3(const ByteGrid& tmat, const SlotView& texture, Picture& colour, Reporter& report);

// The compositing blends, the texture channel b = v / 255 as the backdrop
// and the light s / 255 as the source, w = nearest(255 B):
// "Overlay": B = 2 b s for b <= 1/2, else screen(2 b - 1, s)
// "Soft light": B = b - (1 - 2 s) b (1 - b) for s <= 1/2, else
//   b + (2 s - 1) (D(b) - b), D(b) = ((16 b - 12) b + 4) b up to b = 1/4, sqrt(b) above
// "Screen": B = b + s - b s
// Below full opacity P, w = nearest((1 - P / 100) v + (P / 100) B') with
// B' the mode's unrounded result limited to 0..255 (255 B for these).

// The result channel of a mode for every (light s, channel v), at
// table[s * 256 + v].
using BlendTable = std::array<std::uint8_t, 256 * 256>;
// The table of a mode at an opacity 0..100 (out of range is clamped); the
// table of each mode at full opacity is made once and shared.
std::shared_ptr<const BlendTable> blendTable(BlendMode mode, double opacity = kFullOpacity);

// Merges with a table as the functions above do with theirs.
void mergeByTable(const BlendTable& table, const ByteGrid& tmat, const SlotView& texture, Picture& colour,
                  Reporter& report);

// n pixels of a blend: out[i] is in[i] lit by light[i], as the table gives it.
void blendStretch(const BlendTable& table, const std::uint8_t* light, const Colour* in, Colour* out, int n);
// The same with `mode`'s table at full opacity.
void blendStretch(BlendMode mode, const std::uint8_t* light, const Colour* in, Colour* out, int n);

} // namespace gloamery
