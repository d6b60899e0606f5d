// Test programs are not installed beside the plugins: they name them, as
// any user may, through the environment variables the programs read.
// Set before main; a variable already set is kept.

#include <cstdlib>

namespace {

const bool named = [] {
#ifdef GLOAMERY_TEST_GDAL_PLUGIN
    ::setenv("GLOAMERY_ELEVATION_PLUGIN", GLOAMERY_TEST_GDAL_PLUGIN, 0);
#endif
#ifdef GLOAMERY_TEST_QTIO_PLUGIN
    ::setenv("GLOAMERY_QTIO_PLUGIN", GLOAMERY_TEST_QTIO_PLUGIN, 0);
#endif
    return true;
}();

} // namespace
