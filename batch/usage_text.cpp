// The batch tool's --help: every option, grouped as a user looks for them.
// The manual page is written from it while building.

#include "batch_plan.h"

#include "shadow/shadow_modes.h"

#include <algorithm>
#include <string>

namespace gloamery::batch {

namespace {

// The sweeps' names as every front end reads them, so that a new shading
// rule shows here without an edit; padded to the column of the others'
// descriptions.
std::string sweepNames()
{
    std::string names = "  ";
    for (const ShadowModeInfo& m : kShadowModes)
        if (m.mode != ShadowMode::Sun) names.append(names.size() > 2 ? ", " : "").append(m.name);
    names.resize(std::max<std::size_t>(names.size() + 1, 43), ' ');
    return names;
}

} // namespace

std::string usageText()
{
    return std::string(
        "Usage: gloamery-batch [ARGUMENT]...\n"
        "Lights a terrain the way the control panel does, one argument at a time,\n"
        "strictly left to right. Starts from the control panel's default pictures.\n"
        "\n"
        "Pictures (SLOT: height, shadow, colour, grass, stone, texture, detail):\n"
        "  --load SLOT FILE     put an image (BMP, JPEG, GIF, PNG, PPM, TIFF...) into the slot\n"
        "                       at its top-left, cropped to the map; a note on standard\n"
        "                       error tells when its size differs from the map's\n"
        "  --tile SLOT FILE     fill the slot with the image repeated from the top-left\n"
        "  --open FILE          make the map the height file's size (any picture or\n"
        "                       elevation raster, up to 16384 a side), then load it\n"
        "                       as height\n"
        "  --save SLOT FILE     write the slot's picture; FILE ends in .bmp, .png, .tif\n"
        "                       or .tiff (a Cloud Optimized GeoTIFF, through the GDAL\n"
        "                       plugin), or for height .r16 or .raw (16-bit little-\n"
        "                       endian samples, 8-bit maps as samples x 257). A deep\n"
        "                       height map saves 16-bit grey in PNG and GeoTIFF. Maps\n"
        "                       from a georeferenced raster keep its place in GeoTIFF;\n"
        "                       where it held no data, colour, texture and shadow maps\n"
        "                       are clear (alpha 0) in PNG and GeoTIFF\n"
        "  --export-mesh FILE   write the terrain as a glTF 2.0 binary (FILE ends in .glb):\n"
        "                       a grid mesh lifted by the heights, with normals, texture\n"
        "                       coordinates and the colour map as its texture; a map\n"
        "                       over 1025 pixels a side is sampled down to 1025 points\n"
        "                       a side. A pixel spans one unit and a height level rises\n"
        "                       one, unless ground units are set\n"
        "\n"
        "Deep heights: 16-bit PNG and TIFF, PGM with a maxval above 255, raw 16-bit\n"
        "little-endian .r16/.raw files of the map's size, and elevation rasters\n"
        "(GeoTIFF, SRTM .hgt, ESRI ASCII .asc) load as height at full precision.\n"
        "  --heights LO,HI      the elevations later raster loads map onto 0..65535\n"
        "                       (default: each raster's least and greatest); a note\n"
        "                       on standard error tells the range used\n"
        "\n"
        "Map size (256,256 at start):\n"
        "  --size W,H           make every slot W x H, each side 1..16384: the height,\n"
        "                       grass, stone and detail pictures repeat from the\n"
        "                       top-left, the shadow, texture and colour maps start afresh\n"
        "\n"
        "Worlds larger than a map, lit a region at a time (see light-world.sh):\n"
        "  --world W,H          before anything else: the steps work on a W x H world,\n"
        "                       each side 1..65536, whose heights --load height FILE\n"
        "                       reads by window: raw .r8 (bytes), .r16 (16-bit\n"
        "                       little-endian), .raw (either, by its length), or any\n"
        "                       elevation raster, tiled GeoTIFF and VRT mosaics\n"
        "                       included (these need --heights LO,HI); grass, stone\n"
        "                       and detail repeat (--tile) or lie (--load) from the\n"
        "                       world's origin\n"
        "  --vrt-sources DIR    a VRT mosaic's sources may also lie in DIR or below\n"
        "                       (by default only in or below the mosaic's own folder;\n"
        "                       a source must be a plain file, never a URL, a device\n"
        "                       or a virtual file)\n"
        "  --region X,Y,w,h     compute and save only this region (each side up to\n"
        "                       16384); put side by side, any split's regions are the\n"
        "                       bytes of one run over the whole world. The sun may\n"
        "                       stand up to twice 65536 from the world's origin\n"
        "\n"
        "Controls (numbers in the C locale, as in 10.5):\n"
        "  --sun X,Y            sun position X0,Y0 (default 0,0)\n"
        "  --decay NUMBER       decay (default 5)\n"
        "  --darkness N         darkness 0..255 (default 128)\n"
        "  --contrast N         texture contrast 0..100 (default 0)\n"
        "  --blur on|off        smooth the shadow map when merging (default on)\n"
        "  --blend MODE         50/50, multiply, multiply/2 or multiply/3 (default multiply)\n"
        "\n"
        "Sun controls (the sun operation):\n"
        "  --sun-angle A,E      azimuth A, degrees clockwise from the top of the map\n"
        "                       (-1e6..1e6), and altitude E, 0..90 (default 315,45)\n"
        "  --sun-size S         the sun's disc, 0..10 degrees; above 0 casts soft\n"
        "                       shadows from sixteen altitudes across it (default 0)\n"
        "  --lambert on|off     shade slopes by how squarely they face the sun (default on)\n"
        "  --sky F              share of the light from the whole sky, 0..1 (default 0)\n"
        "  --sky-rays N,M       the sky's directions: N azimuths (1..256) by M\n"
        "                       altitudes (1..16) (default 16,4)\n"
        "  --ground GX[,GY]     a pixel's size on the ground, across and down, in the\n"
        "                       units of the elevations, 1e-9..1e9 (default 1,1)\n"
        "  --vertical V         the elevation of one 8-bit height level, 1e-9..1e9\n"
        "                       (default 1; a deep sample is 1/257 of a level); an\n"
        "                       elevation raster sets --ground and --vertical from its\n"
        "                       own pixel size and elevation range, with a note\n"
        "\n"
        "Settings files (JSON, as the control panel saves them):\n"
        "  --settings FILE      take every control the file holds, here (later options\n"
        "                       win); a map size other than the map's acts as --size\n"
        "  --save-settings FILE  write the controls as they stand here\n"
        "\n"
        "Operations, run when reached:\n"
        + sweepNames() + "a shadow run, then the merge\n"
        "  sun                                      light from the sun and sky, then the merge\n"
        "  shadow                                   the shadow operation last run or named\n"
        "                                           by a settings file (linear at start)\n"
        "  make-texture, make-texture2              texture synthesis\n"
        "  clear                                    empty the shadow map\n"
        "\n"
        "  --threads N          compute on N threads (default: GLOAMERY_THREADS, else\n"
        "                       every core), at most 4 x the cores; the results are\n"
        "                       the same on any number\n"
        "  --time               print each operation's wall time on standard error\n"
        "  --quiet              no progress line (on a terminal, operations, reads and\n"
        "                       writes that take longer than a second show one)\n"
        "  -h, --help           print this help\n"
        "  -v, --version        print the version\n"
        "\n"
        "An option's value may also follow an equals sign, as in --decay=-3. The\n"
        "argument after --load, --tile or --save SLOT is always a file name, even\n"
        "one that starts with a dash; after --, only operations follow.\n"
        "\n"
        "Exit status: 0 done, 1 a file could not be read or written (the run stops\n"
        "there), 2 a bad argument (nothing runs).\n"
        "\n"
        "Examples:\n"
        "  gloamery-batch --load height hills.png --sun 40,30 --decay 3 linear \\\n"
        "                 --save colour lit.png\n"
        "  gloamery-batch --size 1024,1024 --load height hills1k.png make-texture \\\n"
        "                 --sun 500,-200 linear --save colour hills1k-lit.png\n");
}

} // namespace gloamery::batch
