#include "solar_position.h"

#include "../workspace/numeric.h"

#include <algorithm>
#include <cmath>

namespace gloamery {

namespace {

double radians(double degrees) { return degrees * kPi / 180.0; }
double degrees(double radians) { return radians * 180.0 / kPi; }
// The remainder in 0 .. m, as a spreadsheet's MOD gives it.
double modulo(double v, double m) { return v - m * std::floor(v / m); }

// The sun's declination (degrees) and the equation of time (minutes) at
// Julian century `jc` from 2000.
struct SunInOrbit {
    double declination;
    double equationOfTime;
};

SunInOrbit sunInOrbit(double jc)
{
    const double meanLong = modulo(280.46646 + jc * (36000.76983 + jc * 0.0003032), 360.0);
    const double meanAnom = 357.52911 + jc * (35999.05029 - 0.0001537 * jc);
    const double eccent = 0.016708634 - jc * (0.000042037 + 0.0000001267 * jc);
    const double centre = std::sin(radians(meanAnom)) * (1.914602 - jc * (0.004817 + 0.000014 * jc)) +
        std::sin(radians(2 * meanAnom)) * (0.019993 - 0.000101 * jc) + std::sin(radians(3 * meanAnom)) * 0.000289;
    const double trueLong = meanLong + centre;
    const double omega = 125.04 - 1934.136 * jc;
    const double appLong = trueLong - 0.00569 - 0.00478 * std::sin(radians(omega));
    const double meanObliq = 23 + (26 + ((21.448 - jc * (46.815 + jc * (0.00059 - jc * 0.001813)))) / 60) / 60;
    const double obliq = meanObliq + 0.00256 * std::cos(radians(omega));
    const double declination = degrees(std::asin(std::sin(radians(obliq)) * std::sin(radians(appLong))));
    const double y = std::tan(radians(obliq / 2)) * std::tan(radians(obliq / 2));
    const double l2 = 2 * radians(meanLong), m = radians(meanAnom);
    const double eot = 4 *
        degrees(y * std::sin(l2) - 2 * eccent * std::sin(m) + 4 * eccent * y * std::sin(m) * std::cos(l2) -
                0.5 * y * y * std::sin(2 * l2) - 1.25 * eccent * eccent * std::sin(2 * m));
    return {declination, eot};
}

} // namespace

double refraction(double altitude)
{
    if (altitude > 85) return 0.0;
    const double te = std::tan(radians(altitude));
    double seconds;
    if (altitude > 5)
        seconds = 58.1 / te - 0.07 / (te * te * te) + 0.000086 / (te * te * te * te * te);
    else if (altitude > -0.575)
        seconds = 1735 + altitude * (-518.2 + altitude * (103.4 + altitude * (-12.79 + altitude * 0.711)));
    else
        seconds = -20.772 / te;
    return seconds / 3600;
}

SolarPosition solarPosition(double latitude, double longitude, std::chrono::sys_seconds when)
{
    const std::int64_t s = when.time_since_epoch().count();
    const std::int64_t day = s >= 0 ? s / 86400 : -((-s + 86399) / 86400);
    const double secondsOfDay = static_cast<double>(s - day * 86400);
    // Julian day: 1970-01-01T00:00Z is 2440587.5.
    const double jd = (2440587.5 + static_cast<double>(day)) + secondsOfDay / 86400;
    const double jc = (jd - 2451545) / 36525;
    const SunInOrbit sun = sunInOrbit(jc);

    const double trueSolarTime = modulo(secondsOfDay / 60 + sun.equationOfTime + 4 * longitude, 1440.0);
    const double hourAngle = trueSolarTime / 4 < 0 ? trueSolarTime / 4 + 180 : trueSolarTime / 4 - 180;
    const double phi = radians(latitude), delta = radians(sun.declination);
    const double cosZenith =
        std::sin(phi) * std::sin(delta) + std::cos(phi) * std::cos(delta) * std::cos(radians(hourAngle));
    const double zenith = degrees(std::acos(std::clamp(cosZenith, -1.0, 1.0)));
    const double altitude = 90 - zenith;

    // Straight overhead, or at a pole, the formula has no azimuth of its
    // own: the sun's hour angle still gives the one it is heading for.
    const double across = std::cos(phi) * std::sin(radians(zenith));
    const double ratio = across == 0.0 ? (latitude > 0 ? -1.0 : 1.0)
                                       : ((std::sin(phi) * std::cos(radians(zenith))) - std::sin(delta)) / across;
    const double turn = degrees(std::acos(std::clamp(ratio, -1.0, 1.0)));
    const double azimuth = hourAngle > 0 ? modulo(turn + 180, 360.0) : modulo(540 - turn, 360.0);
    return {azimuth, altitude + refraction(altitude), altitude};
}

} // namespace gloamery
