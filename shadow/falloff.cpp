#include "rays.h"

namespace gloamery {

// Placeholder bodies until the falloff rules land.
void f5(double, double, const ByteGrid&, const ShadowParams&, Picture&) {}
void f6(double, double, const ByteGrid&, const ShadowParams&, Picture&) {}
void f7(double, double, const ByteGrid&, const ShadowParams&, Picture&) {}

} // namespace gloamery
