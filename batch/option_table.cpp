#include "option_table.h"

#include "inputs/control_schema.h"

#include <string>
#include <vector>

namespace gloamery::batch {

namespace {

// Each entry: its name, its values, its group, its left column, then its
// description on one line, "\n" where --help breaks it. The controls'
// entries come from the control schema (inputs/control_schema.h).
constexpr OptionInfo kOptions[] = {
    {"load", 2, HelpGroup::Pictures, "--load SLOT FILE",
     "put an image (BMP, JPEG, GIF, PNG, PPM, TIFF...) into the slot\nat its top-left, cropped to the map; a note on standard\nerror tells when its size differs from the map's"},
    {"tile", 2, HelpGroup::Pictures, "--tile SLOT FILE",
     "fill the slot with the image repeated from the top-left"},
    {"open", 1, HelpGroup::Pictures, "--open FILE",
     "make the map the height file's size (any picture or\nelevation raster, up to 16384 a side), then load it\nas height"},
    {"save", 2, HelpGroup::Pictures, "--save SLOT FILE",
     "write the slot's picture; FILE ends in .bmp, .png, .tif\nor .tiff (a Cloud Optimized GeoTIFF, through the GDAL\nplugin), or for height .r16 or .raw (16-bit little-\nendian samples, 8-bit maps as samples x 257). A deep\nheight map saves 16-bit grey in PNG and GeoTIFF. Maps\nfrom a georeferenced raster keep its place in GeoTIFF;\nwhere it held no data, colour, texture and shadow maps\nare clear (alpha 0) in PNG and GeoTIFF. The maps a game\nengine imports save as PNG: SLOT normal (RGB), splat\n(RGBA: grass in red, stone in green, after a texture\nrun) or occlusion (grey: the sky-view factor over\n--directions, as far as --radius)"},
    {"export-mesh", 1, HelpGroup::Pictures, "--export-mesh FILE",
     "write the terrain as a glTF 2.0 binary (FILE ends in .glb):\na grid mesh lifted by the heights, with normals, texture\ncoordinates and the colour map as its texture; a map\nover 1025 pixels a side is sampled down to 1025 points\na side. A pixel spans one unit and a height level rises\none, unless ground units are set"},
    {"frames", 1, HelpGroup::Pictures, "--frames DIR",
     "after --period: light the colour map by the real sun at\nevery time of the period (as sun at --when does) and\nsave each as DIR/YYYYMMDDTHHMMZ.png, in UTC"},
    {"heights", 1, HelpGroup::DeepHeights, "--heights LO,HI",
     "the elevations later raster loads map onto 0..65535\n(default: each raster's least and greatest); a note\non standard error tells the range used"},
    {"size", 1, HelpGroup::MapSize, "--size W,H",
     "make every slot W x H, each side 1..16384: the height,\ngrass, stone and detail pictures repeat from the\ntop-left, the shadow, texture and colour maps start afresh"},
    {"fit", 1, HelpGroup::MapSize, "--fit W,H",
     "resample the heights to W x H (cubic, the corners kept\non the corners, as engines sample a heightfield: 513,\n1025, 2049, 4097) into 16-bit heights; every other\nslot becomes W x H as with --size"},
    {"world", 1, HelpGroup::World, "--world W,H",
     "before anything else: the steps work on a W x H world,\neach side 1..65536, whose heights --load height FILE\nreads by window: raw .r8 (bytes), .r16 (16-bit\nlittle-endian), .raw (either, by its length), or any\nelevation raster, tiled GeoTIFF and VRT mosaics\nincluded (these need --heights LO,HI); grass, stone\nand detail repeat (--tile) or lie (--load) from the\nworld's origin"},
    {"vrt-sources", 1, HelpGroup::World, "--vrt-sources DIR",
     "a VRT mosaic's sources may also lie in DIR or below\n(by default only in or below the mosaic's own folder;\na source must be a plain file, never a URL, a device\nor a virtual file)"},
    {"region", 1, HelpGroup::World, "--region X,Y,w,h",
     "compute and save only this region (each side up to\n16384); put side by side, any split's regions are the\nbytes of one run over the whole world. The sun may\nstand up to twice 65536 from the world's origin"},
};

// After the controls, which are the control schema's rows.
constexpr OptionInfo kLaterOptions[] = {
    {"settings", 1, HelpGroup::Settings, "--settings FILE",
     "take every control the file holds, here (later options\nwin); a map size other than the map's acts as --size"},
    {"save-settings", 1, HelpGroup::Settings, "--save-settings FILE",
     "write the controls as they stand here"},
    {"threads", 1, HelpGroup::Running, "--threads N",
     "compute on N threads (default: GLOAMERY_THREADS, else\nevery core), at most 4 x the cores; the results are\nthe same on any number"},
    {"time", 0, HelpGroup::Running, "--time",
     "print each operation's wall time on standard error"},
    {"quiet", 0, HelpGroup::Running, "--quiet",
     "no progress line (on a terminal, operations, reads and\nwrites that take longer than a second show one)"},
    {"help", 0, HelpGroup::Running, "-h, --help",
     "print this help"},
    {"version", 0, HelpGroup::Running, "-v, --version",
     "print the version"},
    {"h", 0, HelpGroup::Hidden, {}, {}},
    {"help-all", 0, HelpGroup::Hidden, {}, {}},
    {"v", 0, HelpGroup::Hidden, {}, {}},
};

} // namespace

std::span<const OptionInfo> batchOptions()
{
    static const std::vector<std::string> shown = [] {
        std::vector<std::string> texts;
        for (const ControlRow& row : controlRows()) texts.push_back(std::string(row.flag) + " " + std::string(row.metavar));
        return texts;
    }();
    static const std::vector<OptionInfo> options = [] {
        std::vector<OptionInfo> all(std::begin(kOptions), std::end(kOptions));
        const auto rows = controlRows();
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const HelpGroup group = rows[i].group == ControlGroup::Sun ? HelpGroup::Sun : HelpGroup::Controls;
            all.push_back({rows[i].flag.substr(2), 1, group, shown[i], rows[i].help});
        }
        all.insert(all.end(), std::begin(kLaterOptions), std::end(kLaterOptions));
        return all;
    }();
    return options;
}

} // namespace gloamery::batch
