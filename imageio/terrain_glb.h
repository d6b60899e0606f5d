#pragma once
// The terrain as a glTF 2.0 binary (.glb) for modelling tools and game
// engines: a grid mesh lifted by the height map, with normals, texture
// coordinates and the colour map embedded as its PNG base-colour texture.
//
// Written here rather than through a glTF library: a terrain is one mesh
// of four fixed arrays and one picture, the container is a 12-byte header
// and two chunks, and the PNG comes from the program's own parallel
// writer; a library would hold a second copy of every array and re-encode
// the picture with its own, slower codec.

#include "workspace/controls.h"
#include "workspace/workspace.h"

#include <string>
#include <vector>

namespace gloamery {

// Larger maps are sampled down to this many points a side.
constexpr int kMaxMeshPoints = 1025;

// The map pixels a side of `pixels` is sampled at: every pixel up to
// kMaxMeshPoints, else kMaxMeshPoints spread evenly, first and last
// included.
std::vector<int> meshSamples(int pixels);

// Ground units: a pixel is groundX across and groundY down, a height level
// (an 8-bit step, 257 deep samples) rises `vertical`.
struct TerrainScale {
    double groundX = 1.0;
    double groundY = 1.0;
    double vertical = 1.0;
};

// Writes the terrain of the workspace's height and colour maps, atomically.
// Refused for a map less than 2 pixels a side, which has no surface.
Refusal exportTerrainGlb(const Workspace& ws, const TerrainScale& scale, const std::string& path);

} // namespace gloamery
