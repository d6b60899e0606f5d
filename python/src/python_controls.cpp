#include "python_controls.h"

#include "inputs/sun_time.h"

#include "inputs/shadow_inputs.h"
#include "shadow/sun.h"

#include "errors.h"
#include "settings/settings.h"

#include <array>
#include <charconv>
#include <cmath>
#include <stdexcept>

namespace gloamery::python {

namespace {

[[noreturn]] void refuse(const std::string& message) { throw std::invalid_argument(message); }

bool within(double v, double lo, double hi) { return std::isfinite(v) && v >= lo && v <= hi; }

// Numbers from Python may be NaN or infinite, which numberText cannot
// write; they only ever appear in messages.
std::string shown(double v) { return std::isfinite(v) ? numberText(v) : (std::isnan(v) ? "nan" : (v > 0 ? "inf" : "-inf")); }

} // namespace

std::string numberText(double v)
{
    char text[64];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, v);
    return ec == std::errc() ? std::string(text, end) : std::string("nan");
}

void PythonControls::setSun(double x, double y)
{
    if (!std::isfinite(x) || !std::isfinite(y))
        refuse("sun needs two finite numbers X,Y (as in 40,30.5), not (" + shown(x) + ", " + shown(y) + ")");
    sunX = x;
    sunY = y;
}

void PythonControls::setDecay(double d)
{
    if (!std::isfinite(d)) refuse("decay needs a finite number, not " + shown(d));
    decay = d;
}

void PythonControls::setDarkness(long long d)
{
    if (d < 0 || d > 255) refuse("darkness needs a whole number 0..255, not " + std::to_string(d));
    darkness = static_cast<int>(d);
}

void PythonControls::setContrast(long long c)
{
    if (c < 0 || c > 100) refuse("contrast needs a whole number 0..100, not " + std::to_string(c));
    contrast = static_cast<int>(c);
}

void PythonControls::setBlend(const std::string& name)
{
    if (const auto b = blendFromName(name)) {
        blend = *b;
        return;
    }
    refuse("blend needs 50/50, multiply, multiply/2 or multiply/3, not " + quoted(name));
}

std::string PythonControls::blendName() const
{
    return std::string(gloamery::blendName(blend));
}

void PythonControls::setSunAngle(double azimuth, double altitude)
{
    if (!within(azimuth, -sun_range::kAzimuth, sun_range::kAzimuth) || !within(altitude, 0.0, sun_range::kAltitudeMax))
        refuse("sun_angle needs an azimuth -1e6..1e6 and an altitude 0..90 in degrees, not "
               "(" + shown(azimuth) + ", " + shown(altitude) + ")");
    sun.azimuth = azimuth;
    sun.altitude = altitude;
}

void PythonControls::setSunSize(double degrees)
{
    if (!within(degrees, 0.0, sun_range::kSizeMax)) refuse("sun_size needs degrees 0..10, not " + shown(degrees));
    sun.size = degrees;
}

void PythonControls::setSky(double share)
{
    if (!within(share, 0.0, 1.0)) refuse("sky needs a share of the light 0..1, not " + shown(share));
    sun.sky = share;
}

void PythonControls::setSkyRays(long long azimuths, long long altitudes)
{
    if (azimuths < 1 || azimuths > sun_range::kSkyAzimuthsMax || altitudes < 1 || altitudes > sun_range::kSkyAltitudesMax)
        refuse("sky_rays needs whole numbers N,M with N 1..256 and M 1..16, not (" + std::to_string(azimuths) + ", "
               + std::to_string(altitudes) + ")");
    sun.skyAzimuths = static_cast<int>(azimuths);
    sun.skyAltitudes = static_cast<int>(altitudes);
}

void PythonControls::setGround(double x, double y)
{
    if (!within(x, sun_range::kUnitMin, sun_range::kUnitMax) || !within(y, sun_range::kUnitMin, sun_range::kUnitMax))
        refuse("ground needs two sizes GX,GY within 1e-9..1e9, not (" + shown(x) + ", " + shown(y) + ")");
    sun.groundX = x;
    sun.groundY = y;
}

void PythonControls::setVertical(double unit)
{
    if (!within(unit, sun_range::kUnitMin, sun_range::kUnitMax))
        refuse("vertical needs a unit within 1e-9..1e9, not " + shown(unit));
    sun.vertical = unit;
}

void PythonControls::setWhen(const std::string& text)
{
    auto t = parseSunTime(text);
    if (const Error* e = std::get_if<Error>(&t)) throw std::invalid_argument("when: " + e->message);
    when = std::get<std::chrono::sys_seconds>(t);
}

void PythonControls::setPlace(double latitude, double longitude)
{
    const SunPlace p{latitude, longitude};
    if (Refusal r = sunPlaceRefused(p)) throw std::invalid_argument("place: " + r->message);
    place = p;
}

void PythonControls::setPeriod(const std::string& text)
{
    auto p = parseSunPeriod(text);
    if (const Error* e = std::get_if<Error>(&p)) throw std::invalid_argument("period: " + e->message);
    period = std::get<SunPeriod>(p);
}

Controls PythonControls::forRun() const
{
    Controls c;
    c.x0 = numberText(sunX);
    c.y0 = numberText(sunY);
    c.alt = numberText(decay);
    c.darkness = darkness;
    c.contrast = contrast;
    c.blur = blur;
    c.blend = blend;
    c.sun = sun;
    c.when = when;
    c.place = place;
    c.period = period;
    return c;
}

std::variant<ShadowParams, Error> PythonControls::shadowParams(ShadowMode mode) const
{
    ShadowParams p;
    p.sun = sun;
    p.darkness = darkness;
    if (mode == ShadowMode::Sun) {
        if (Refusal refused = sunControlsRefused(sun)) return *refused;
        return p;
    }
    if (usesSunPosition(mode)) {
        if (Refusal r = coordinateRefused("X0", sunX, numberText(sunX), kMapSunReach)) return *r;
        if (Refusal r = coordinateRefused("Y0", sunY, numberText(sunY), kMapSunReach)) return *r;
        p.x0 = sunX;
        p.y0 = sunY;
    }
    p.decay = decay;
    return p;
}

} // namespace gloamery::python
