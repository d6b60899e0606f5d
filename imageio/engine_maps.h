#pragma once
// The maps a game engine imports beside the heights, written as PNG:
// the normal map (8- or 16-bit RGB), the splat map (8-bit RGBA: grass in
// red, stone in green) and grey maps such as the ambient occlusion.

#include "shadow/normal_map.h"
#include "workspace/controls.h"
#include "workspace/rect.h"
#include "workspace/workspace.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace gloamery {

// Row y's channels x w samples into `out`, from any thread.
using RowFill = std::function<void(int y, std::uint16_t* out)>;

// Writes a w x h map of `channels` samples a pixel (1, 3 or 4) of `bits`
// (8 or 16), atomically.
Refusal saveSampleMap(const std::string& path, int w, int h, int channels, int bits, const RowFill& rows);

// The workspace's normal map, at the options' depth.
Refusal saveNormalMap(const Workspace& ws, const NormalOptions& o, const std::string& path);

// The splat map of the texture button that ran last; refused before one
// has run.
Refusal saveSplatMap(const Workspace& ws, const std::string& path);

// A w x h map of grey bytes, row-major (the ambient occlusion).
Refusal saveGreyMap(const std::string& path, int w, int h, const std::vector<std::uint8_t>& grey);

// The rows of part of a larger map, whose rows are `fullWidth` pixels wide.
RowFill croppedRows(RowFill rows, int channels, int fullWidth, const Rect& part);

} // namespace gloamery
