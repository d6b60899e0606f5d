#pragma once
// What a VRT mosaic may name as its sources: plain files in or below its
// own folder, or in or below a folder the user allowed. Anything else (a
// URL, a network or memory source, a device, GDAL's prefixed names, a file
// elsewhere reached by name or by symbolic link) is refused before GDAL
// opens the mosaic.
//
// GDAL never reads the user's mosaic itself: each source is opened here
// once, checked through that descriptor, and GDAL is handed a copy of the
// mosaic that names the descriptor (and, for a nested mosaic, its checked
// copy), so no name can be swapped between the check and the read.

#include <memory>
#include <string>
#include <vector>

namespace gloamery::gdal {

// The folders (besides each mosaic's own) a mosaic's sources may lie in.
void allowSourceFolders(std::vector<std::string> folders);

// A mosaic checked and rewritten: `name` is what GDAL opens. Keeps the
// sources' descriptors and the rewritten copies for as long as it lives,
// which must be as long as the dataset opened from it.
struct CheckedMosaic {
    std::string name;
    std::vector<int> files;            // descriptors the copies name
    std::vector<std::string> copies;   // GDAL memory files holding them
    std::vector<std::string> links;    // named links to descriptors, each alone in a scratch folder
    CheckedMosaic() = default;
    CheckedMosaic(const CheckedMosaic&) = delete;
    CheckedMosaic& operator=(const CheckedMosaic&) = delete;
    ~CheckedMosaic();
};

// Formats GDAL knows by the file's name (an SRTM tile is told and placed
// by it) or reads with a header beside it (a raw grid's .hdr, which is the
// format itself, not a side file): GDAL opens those by name.
bool readByName(const std::string& name);

// The name GDAL opens a file read by name under: a link of the file's own
// name, in a scratch folder of its own, to the descriptor that was checked,
// so the user's path cannot be swapped between the check and the read.
// Kept in `held`; empty, with the reason in `why`, if it cannot be made.
std::string namedLink(CheckedMosaic& held, int fd, const std::string& path, std::string& why);

// Whether the file GDAL would open as path is a VRT mosaic.
bool isMosaic(const std::string& path);

// Checks the mosaic at path and every mosaic among its sources, each
// distinct file once: the checked copy, or null with the reason in `why`,
// naming the refused source.
std::unique_ptr<CheckedMosaic> checkMosaic(const std::string& path, std::string& why);

} // namespace gloamery::gdal
