#pragma once
// The sky-view factor's term of each pixel of a run (see relief.cpp),
// built once for each vector width (see lanes.h).

#include "lanes.h"

#include <cstdint>

namespace gloamery {

// terms[k] = sin(atan(max(sigma, 0))) for the horizon point `back[k]`
// steps of `ground` back, rising top[k] - own[k] deep units of `scale`.
void skyViewTerms(Lanes lanes, double scale, double ground, const std::int32_t* own, const std::int32_t* top,
                  const std::int32_t* back, int count, double* terms);

} // namespace gloamery
