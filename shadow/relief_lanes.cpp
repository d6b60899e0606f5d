#include "relief_lanes.h"

#include <cmath>

namespace gloamery {

namespace {

// sin(atan(t)) = t / sqrt(1 + t t) = rise / sqrt(run run + rise rise): two
// calls of the maths library less. The quotient is taken at every pixel
// and then kept or not, so that the loop has no branch to stop the
// compiler taking several pixels at a time; it keeps exactly the positive
// ones, as rise > 0 would (the root is positive, and 0 / 0 is no number,
// which the comparison drops too).
[[gnu::always_inline]] inline void skyViewBody(double scale, double ground, const std::int32_t* __restrict own,
                                               const std::int32_t* __restrict top,
                                               const std::int32_t* __restrict back, int count,
                                               double* __restrict terms)
{
    for (int k = 0; k < count; ++k) {
        const double rise = scale * (top[k] - own[k]), run = back[k] * ground;
        const double t = rise / std::sqrt(run * run + rise * rise);
        terms[k] = 0.0 < t ? t : 0.0;
    }
}

using TermsRow = void (*)(double, double, const std::int32_t*, const std::int32_t*, const std::int32_t*, int,
                          double*);

void skyViewTwo(double s, double g, const std::int32_t* o, const std::int32_t* t, const std::int32_t* b, int n,
                double* out)
{
    skyViewBody(s, g, o, t, b, n, out);
}

GLOAMERY_FOUR_LANES void skyViewFour(double s, double g, const std::int32_t* o, const std::int32_t* t,
                                     const std::int32_t* b, int n, double* out)
{
    skyViewBody(s, g, o, t, b, n, out);
}
GLOAMERY_EIGHT_LANES void skyViewEight(double s, double g, const std::int32_t* o, const std::int32_t* t,
                                       const std::int32_t* b, int n, double* out)
{
    skyViewBody(s, g, o, t, b, n, out);
}

} // namespace

void skyViewTerms(Lanes lanes, double scale, double ground, const std::int32_t* own, const std::int32_t* top,
                  const std::int32_t* back, int count, double* terms)
{
    builtFor<TermsRow>(lanes, skyViewTwo, skyViewFour, skyViewEight)(scale, ground, own, top, back, count, terms);
}

} // namespace gloamery
