#pragma once
// Where the sun stands in the sky at a place and an instant: NOAA's solar
// calculator equations (after Meeus), good to about a hundredth of a
// degree between 1900 and 2100.

#include <chrono>

namespace gloamery {

struct SolarPosition {
    double azimuth; // degrees clockwise from true north, 0 .. 360
    double altitude; // apparent: above the horizon as seen through the air, degrees
    double trueAltitude; // without the bending of the light by the air
};

// The sun at latitude `latitude` (degrees, north positive), longitude
// `longitude` (degrees, east positive) and the instant `when` (UTC).
SolarPosition solarPosition(double latitude, double longitude, std::chrono::sys_seconds when);

// How far the air lifts the sun seen at true altitude `altitude`, degrees.
double refraction(double altitude);

} // namespace gloamery
