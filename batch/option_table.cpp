#include "option_table.h"

namespace gloamery::batch {

namespace {

// Each entry: its name, its values, its group, its left column, then its
// description on one line, "\n" where --help breaks it.
constexpr OptionInfo kOptions[] = {
    {"load", 2, HelpGroup::Pictures, "--load SLOT FILE",
     "put an image (BMP, JPEG, GIF, PNG, PPM, TIFF...) into the slot\nat its top-left, cropped to the map; a note on standard\nerror tells when its size differs from the map's"},
    {"tile", 2, HelpGroup::Pictures, "--tile SLOT FILE",
     "fill the slot with the image repeated from the top-left"},
    {"open", 1, HelpGroup::Pictures, "--open FILE",
     "make the map the height file's size (any picture or\nelevation raster, up to 16384 a side), then load it\nas height"},
    {"save", 2, HelpGroup::Pictures, "--save SLOT FILE",
     "write the slot's picture; FILE ends in .bmp, .png, .tif\nor .tiff (a Cloud Optimized GeoTIFF, through the GDAL\nplugin), or for height .r16 or .raw (16-bit little-\nendian samples, 8-bit maps as samples x 257). A deep\nheight map saves 16-bit grey in PNG and GeoTIFF. Maps\nfrom a georeferenced raster keep its place in GeoTIFF;\nwhere it held no data, colour, texture and shadow maps\nare clear (alpha 0) in PNG and GeoTIFF"},
    {"export-mesh", 1, HelpGroup::Pictures, "--export-mesh FILE",
     "write the terrain as a glTF 2.0 binary (FILE ends in .glb):\na grid mesh lifted by the heights, with normals, texture\ncoordinates and the colour map as its texture; a map\nover 1025 pixels a side is sampled down to 1025 points\na side. A pixel spans one unit and a height level rises\none, unless ground units are set"},
    {"heights", 1, HelpGroup::DeepHeights, "--heights LO,HI",
     "the elevations later raster loads map onto 0..65535\n(default: each raster's least and greatest); a note\non standard error tells the range used"},
    {"size", 1, HelpGroup::MapSize, "--size W,H",
     "make every slot W x H, each side 1..16384: the height,\ngrass, stone and detail pictures repeat from the\ntop-left, the shadow, texture and colour maps start afresh"},
    {"world", 1, HelpGroup::World, "--world W,H",
     "before anything else: the steps work on a W x H world,\neach side 1..65536, whose heights --load height FILE\nreads by window: raw .r8 (bytes), .r16 (16-bit\nlittle-endian), .raw (either, by its length), or any\nelevation raster, tiled GeoTIFF and VRT mosaics\nincluded (these need --heights LO,HI); grass, stone\nand detail repeat (--tile) or lie (--load) from the\nworld's origin"},
    {"vrt-sources", 1, HelpGroup::World, "--vrt-sources DIR",
     "a VRT mosaic's sources may also lie in DIR or below\n(by default only in or below the mosaic's own folder;\na source must be a plain file, never a URL, a device\nor a virtual file)"},
    {"region", 1, HelpGroup::World, "--region X,Y,w,h",
     "compute and save only this region (each side up to\n16384); put side by side, any split's regions are the\nbytes of one run over the whole world. The sun may\nstand up to twice 65536 from the world's origin"},
    {"sun", 1, HelpGroup::Controls, "--sun X,Y",
     "sun position X0,Y0 (default 0,0)"},
    {"decay", 1, HelpGroup::Controls, "--decay NUMBER",
     "decay (default 5)"},
    {"darkness", 1, HelpGroup::Controls, "--darkness N",
     "darkness 0..255 (default 128)"},
    {"contrast", 1, HelpGroup::Controls, "--contrast N",
     "texture contrast 0..100 (default 0)"},
    {"blur", 1, HelpGroup::Controls, "--blur on|off",
     "smooth the shadow map when merging (default on)"},
    {"blend", 1, HelpGroup::Controls, "--blend MODE",
     "50/50, multiply, multiply/2 or multiply/3 (default multiply)"},
    {"sun-angle", 1, HelpGroup::Sun, "--sun-angle A,E",
     "azimuth A, degrees clockwise from the top of the map\n(-1e6..1e6), and altitude E, 0..90 (default 315,45)"},
    {"sun-size", 1, HelpGroup::Sun, "--sun-size S",
     "the sun's disc, 0..10 degrees; above 0 casts soft\nshadows from sixteen altitudes across it (default 0)"},
    {"lambert", 1, HelpGroup::Sun, "--lambert on|off",
     "shade slopes by how squarely they face the sun (default on)"},
    {"sky", 1, HelpGroup::Sun, "--sky F",
     "share of the light from the whole sky, 0..1 (default 0)"},
    {"sky-rays", 1, HelpGroup::Sun, "--sky-rays N,M",
     "the sky's directions: N azimuths (1..256) by M\naltitudes (1..16) (default 16,4)"},
    {"ground", 1, HelpGroup::Sun, "--ground GX[,GY]",
     "a pixel's size on the ground, across and down, in the\nunits of the elevations, 1e-9..1e9 (default 1,1)"},
    {"vertical", 1, HelpGroup::Sun, "--vertical V",
     "the elevation of one 8-bit height level, 1e-9..1e9\n(default 1; a deep sample is 1/257 of a level); an\nelevation raster sets --ground and --vertical from its\nown pixel size and elevation range, with a note"},
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

std::span<const OptionInfo> batchOptions() { return kOptions; }

} // namespace gloamery::batch
