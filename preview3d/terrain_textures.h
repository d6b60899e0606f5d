#pragma once
// The two pictures the terrain's mesh wears, made into textures of the GL
// context current now (which owns them from then on).

#include "workspace/slot_image.h"

namespace gloamery {

// The colour map once across the mesh, at full resolution up to what the
// driver can hold (sampled down once beyond it), mipmapped, replacing the
// fragment's colour on the bound texture unit. Read through the slot's
// rule: a whole picture is uploaded as it is, a slot never filled (one
// colour) as a single texel, which looks the same.
unsigned loadColourTexture(const SlotImage& colour);

// The detail map, tiled and transposed: texture row r holds picture column
// r, texel n of it picture row n (as the view always laid it). At most
// 1024 texels a side, mipmapped, modulating the colour under it.
unsigned loadDetailTexture(const SlotView& detail);

} // namespace gloamery
