// Writes the tables of curves.h as C++ source, every value as an exact
// hexadecimal literal, to the file named by its argument.

#include "curves.h"

#include <cstdio>

using namespace gloamery;

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT\n", argv[0]);
        return 2;
    }
    std::FILE* out = std::fopen(argv[1], "w");
    if (!out) {
        std::perror(argv[1]);
        return 1;
    }
    std::fprintf(out, "// Written by make_curves while building; see curves.h.\n");
    std::fprintf(out, "const double sines[%d] = {\n", kSinTableLevels);
    // Arguments the compiler cannot see, so that it calls the library rather
    // than work a value out itself.
    volatile std::int32_t arg = 0;
    for (std::int32_t v = 0; v < kSinTableLevels; ++v) {
        arg = v;
        std::fprintf(out, "    %a,\n", sinCurve(arg));
    }
    std::fprintf(out, "};\nconst double cosines[%d] = {\n", kCosTableHi - kCosTableLo + 1);
    for (std::int32_t k = kCosTableLo; k <= kCosTableHi; ++k) {
        arg = k;
        std::fprintf(out, "    %a,\n", cosCurve(arg));
    }
    std::fprintf(out, "};\n");
    return std::fclose(out) == 0 ? 0 : 1;
}
