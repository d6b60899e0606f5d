#pragma once
// Dates, times, places and periods as typed, read once into the values the
// sun's computations take: ISO 8601 times that say their zone (Z, an
// offset such as +02:00, or a zone name in brackets such as
// [Europe/Zurich], from the system's time-zone data).

#include "shadow/sun_period.h"
#include "shadow/sun_sums.h"

#include <chrono>
#include <string>
#include <string_view>
#include <variant>

namespace gloamery {

// "2026-06-21T07:00Z", "2026-06-21T09:00:30+02:00",
// "2026-06-21T09:00[Europe/Zurich]": the instant, or why the text is none
// (a time without a zone is refused, naming what is missing).
std::variant<std::chrono::sys_seconds, Error> parseSunTime(std::string_view text);

// "FROM,TO,STEP": two times as above and a step in whole minutes.
std::variant<SunPeriod, Error> parseSunPeriod(std::string_view text);

// "LAT,LON" in degrees, north and east positive.
std::variant<SunPlace, Error> parseSunPlace(std::string_view text);

// The instant as 2026-06-21T07:00:00Z, and as the name of a film's frame,
// 20260621T0700Z.
std::string utcText(std::chrono::sys_seconds t);
std::string frameStem(std::chrono::sys_seconds t);

// The place as "46.500 N, 7.900 E".
std::string placeText(const SunPlace& p);

// What a run says of its sun: "sun at 46.500 N, 7.900 E,
// 2026-06-21T07:00:00Z: azimuth 89.123 true, 88.456 on the map (grid
// north 0.667), altitude 38.210".
std::string sunNote(const MapPlace& where, std::chrono::sys_seconds t, const MapSun& sun);

} // namespace gloamery
