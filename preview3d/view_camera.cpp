#include "view_camera.h"

#include "workspace/numeric.h"

#include <cmath>
#include <limits>

namespace {

// The mesh's outermost point lies 128 model units from its centre.
constexpr double kHalfSpan = 128.0;
// Degrees an auto-rotate tick turns.
constexpr double kTimerTurn = 2.0;

std::int32_t toPixel(double v) { return static_cast<std::int32_t>(gloamery::nearest(v)); }

} // namespace

void ViewCamera::reload()
{
    offsetZ_ = kLoadDistance;
    scale_ = kLoadScale;
}

void ViewCamera::move(Move where, int speed)
{
    const double d = speed / 100.0;
    switch (where) {
    case Move::Left: offsetX_ = static_cast<float>(offsetX_ - d); break;
    case Move::Right: offsetX_ = static_cast<float>(offsetX_ + d); break;
    case Move::Nearer: offsetZ_ = static_cast<float>(offsetZ_ + d); break;
    case Move::Farther: offsetZ_ = static_cast<float>(offsetZ_ - d); break;
    }
}

void ViewCamera::press(double x, double y)
{
    lastMouseX_ = toPixel(x);
    lastMouseY_ = toPixel(y);
}

void ViewCamera::drag(double x, double y, int speed)
{
    const int q = 1001 - speed;
    // The distance runs from the exact pointer to the stored whole pixel.
    angleY_ = static_cast<float>(angleY_ + (x - lastMouseX_) / q);
    angleX_ = static_cast<float>(angleX_ + (y - lastMouseY_) / q);
    press(x, y);
}

void ViewCamera::turnX() { angleX_ = static_cast<float>(angleX_ + kTimerTurn); }
void ViewCamera::turnY() { angleY_ = static_cast<float>(angleY_ + kTimerTurn); }

ViewCamera::Rescale ViewCamera::rescale(double divisor)
{
    if (!std::isfinite(divisor) || divisor == 0.0) return Rescale::NotAScale;
    // The outermost point must fit a 32-bit float, or the mesh would run
    // off to infinity.
    if (!(kHalfSpan / std::fabs(divisor) <= std::numeric_limits<float>::max())) return Rescale::TooLarge;
    scale_ = divisor;
    return Rescale::Done;
}

void ViewCamera::turnTo(float angleX, float angleY)
{
    angleX_ = angleX;
    angleY_ = angleY;
}
