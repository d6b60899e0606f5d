#include "file_kind.h"

#include "height_file_kinds.h"
#include "native_io.h"

#include <string_view>

namespace gloamery {

namespace {

// Every extension that says something, in the order open dialogs list them.
constexpr struct {
    std::string_view extension;
    FileKind kind;
} kNamed[] = {
    {"png", FileKind::Picture},         {"pgm", FileKind::Picture}, // deep pictures keep 16 bits
    {"tif", FileKind::Tiff},            {"tiff", FileKind::Tiff},
    {"r8", FileKind::Raw8},             {"r16", FileKind::Raw16},
    {"raw", FileKind::RawEither},       {"hgt", FileKind::ElevationRaster},
    {"asc", FileKind::ElevationRaster}, {"dem", FileKind::ElevationRaster},
};

} // namespace

FileKind fileKind(const std::string& name, std::span<const unsigned char> head)
{
    const std::string ext = lowerExtension(name);
    FileKind named = FileKind::Picture;
    for (const auto& n : kNamed)
        if (n.extension == ext) named = n.kind;
    if (toldByName(named)) return named;
    return isTiff(head) ? FileKind::Tiff : named;
}

std::vector<std::string> heightFileExtensions()
{
    std::vector<std::string> out;
    for (const auto& n : kNamed) out.emplace_back(n.extension);
    return out;
}

} // namespace gloamery
