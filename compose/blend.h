#pragma once
// The four blend modes: colour map = texture map lit by the shadow plane.
// Each writes every colour-map pixel and runs the progress bar 0..1. The
// texture is read through its slot's rule (a bare picture is itself).

#include "../workspace/controls.h"
#include "../workspace/map_grid.h"
#include "../workspace/picture.h"
#include "../workspace/slot_image.h"
#include "../workspace/reporter.h"

#include <cstdint>

namespace gloamery {

// "50/50": w = round((s + v) / 2)
void MergeDetNor(const ByteGrid& tmat, const SlotView& texture, Picture& colour, Reporter& report);
// "Multiply": w = round(v x (s / 255 + 0.1))
void MergeDetMul(const ByteGrid& tmat, const SlotView& texture, Picture& colour, Reporter& report);
// "Multiply/2": w = round(v x (s / 512 + 0.5))
void MergeDetDiv(const ByteGrid& tmat, const SlotView& texture, Picture& colour, Reporter& report);
// "Multiply/3": as "Multiply" up to s = 128, w = round(v x s / 128) above
void MergeDetMul3(const ByteGrid& tmat, const SlotView& texture, Picture& colour, Reporter& report);

// n pixels of `mode`'s blend: out[i] is in[i] lit by light[i], as the
// functions above give it.
void blendStretch(BlendMode mode, const std::uint8_t* light, const Colour* in, Colour* out, int n);

} // namespace gloamery
