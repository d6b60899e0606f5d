// Reads lines "LATITUDE LONGITUDE SECONDS" (seconds since 1970-01-01T00:00Z)
// and prints the sun's true azimuth and apparent altitude at each, for the
// comparison with an independent ephemeris.

#include "shadow/solar_position.h"

#include <cstdio>
#include <iostream>

int main()
{
    double lat = 0, lon = 0;
    long long seconds = 0;
    while (std::cin >> lat >> lon >> seconds) {
        const gloamery::SolarPosition p =
            gloamery::solarPosition(lat, lon, std::chrono::sys_seconds{std::chrono::seconds{seconds}});
        std::printf("%.9f %.9f\n", p.azimuth, p.altitude);
    }
    return 0;
}
