#pragma once
// What a VRT mosaic may name as its sources: plain files in or below its
// own folder, or in or below a folder the user allowed. Anything else (a
// URL, a network or memory source, a device, a file elsewhere reached by
// name or by symbolic link) is refused before GDAL opens the mosaic.

#include <string>
#include <vector>

namespace gloamery::gdal {

// The folders (besides each mosaic's own) a mosaic's sources may lie in.
void allowSourceFolders(std::vector<std::string> folders);

// Checks the file, when it is a VRT, and every VRT among its sources:
// an empty text when they may be opened, else the reason, naming the
// refused source.
std::string checkMosaicSources(const std::string& path);

} // namespace gloamery::gdal
