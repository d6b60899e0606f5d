#pragma once
// Picture files in and out of the workspace without the toolkit: what the
// batch tool does on every run (plain PNG in; PNG and BMP out; the default
// pictures), so that a run maps no GUI library. Loads that need more (other
// formats, transparency, damage to report, elevation rasters) are declined
// and go to the toolkit's readers, whose results these match exactly.

#include "elevation.h"
#include "geo_place.h"
#include "png_writer.h"
#include "workspace/controls.h"
#include "workspace/workspace.h"

#include <functional>
#include <optional>
#include <string_view>
#include <string>
#include <variant>
#include <vector>

namespace gloamery {

// What a load put into a slot: the file's picture size, and what the user
// should be told (the range of a raster's elevations; usually nothing).
struct LoadedFile {
    int width;
    int height;
    std::string note;
    MapOrigin origin; // a raster's place and no-data cells, at the file's size
};

// The part of the file's name after its last dot, in lower case ("" for
// none): how files the reader cannot recognise by their bytes are told.
std::string lowerExtension(const std::string& path);

// Writes the bytes to a new file in the same directory and renames it over
// path, so a failed save never damages an existing file. A symbolic link
// stays and its target is saved so; a pipe or a device (which cannot be
// replaced) is written straight to, and a folder refused. The temporary
// name, "." + the name (its first 247 bytes) + ".part", is the same on
// every save of the file, so one killed half-way leaves at most that file,
// which the next save takes over (a fresh name is taken while another
// process writes it).
Refusal writeFileAtomically(const std::string& path, const std::vector<unsigned char>& bytes);
// The same for bytes made as they are written: `produce` hands them to the
// sink in order and returns false to give up (the sink returns false when
// a write failed).
using ByteSink = std::function<bool(std::string_view)>;
Refusal writeFileAtomically(const std::string& path, const std::function<bool(const ByteSink&)>& produce);

// The same for a writer that can only write to a name (GDAL): `write` is
// given the temporary file's name to write over, and the file named by
// that name and `scratch` (the writer's scratch beside it) is removed once
// it returns. Pipes and devices are refused, as such a writer moves back
// and forth in its file.
using NamedWriter = std::function<Refusal(const std::string& temp)>;
Refusal writeNamedFileAtomically(const std::string& path, const NamedWriter& write, const std::string& scratch);

// A 24-bit bottom-up BMP of the colour values, as the toolkit writes an
// opaque picture.
std::vector<unsigned char> encodeBmp(const Colour* pixels, int width, int height);
// The same file written atomically from rows, the map never held whole.
Refusal saveBmpRows(const std::string& path, int width, int height, const ColourRows& rows);

// Puts a plain PNG file into the slot as loadSlotFile does; nothing (and
// the workspace untouched) when the file is anything else. The second
// takes the file's bytes, already read; path tells only its name.
std::optional<LoadedFile> loadPlainFile(Workspace& ws, Slot slot, const std::string& path, bool tile);
std::optional<LoadedFile> loadPlainBytes(Workspace& ws, Slot slot, const std::string& path,
                                         const std::vector<unsigned char>& bytes, bool tile);

// Puts the samples of a w x h file into the slot as a 16-bit (deep) or
// 8-bit grey file of them loads.
void placeDeepSamples(Workspace& ws, Slot slot, const HeightSamples& samples, bool tile);
void placeGreySamples(Workspace& ws, Slot slot, const std::uint8_t* samples, int w, int h, bool tile);

// Whether the name says an elevation raster, or raw samples or such a
// raster: kinds the bytes alone do not tell (fileKind).
bool namesElevationRaster(const std::string& path);
bool namesRawOrRaster(const std::string& path);

// Writes a PNG file atomically from what `write` hands on.
Refusal savePngFile(const std::string& path, const std::function<PngResult(const PngSink&)>& write);
// Writes the picture as BMP or PNG by format ("bmp" or "png"), atomically.
Refusal savePictureFile(const Picture& picture, const std::string& path, const std::string& format);
// Writes deep heights as a 16-bit grey PNG, atomically.
Refusal saveDeepHeightsFile(const HeightSamples& samples, const std::string& path);

// The default pictures of these slots, built into the program.
void loadBuiltInDefaults(Workspace& ws, const std::vector<Slot>& wanted);

} // namespace gloamery
