#include "inputs/sun_time.h"

#include "inputs/controls.h"

#include <date/tz.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <optional>

namespace gloamery {

namespace {

using namespace std::chrono;

const char* const kExample = "2026-06-21T09:00Z, 2026-06-21T09:00+02:00 or 2026-06-21T09:00[Europe/Zurich]";

// Reads `count` digits from text at `at` (moving on), or nothing.
std::optional<int> digits(std::string_view text, std::size_t& at, int count)
{
    if (at + static_cast<std::size_t>(count) > text.size()) return std::nullopt;
    int v = 0;
    for (int i = 0; i < count; ++i) {
        const char c = text[at + static_cast<std::size_t>(i)];
        if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
        v = v * 10 + (c - '0');
    }
    at += static_cast<std::size_t>(count);
    return v;
}

bool take(std::string_view text, std::size_t& at, char c)
{
    if (at < text.size() && text[at] == c) {
        ++at;
        return true;
    }
    return false;
}

// The wall-clock date and time at the start of the text (seconds
// optional), with `at` moved past it.
std::optional<local_seconds> wallClock(std::string_view text, std::size_t& at)
{
    const auto y = digits(text, at, 4);
    if (!y || !take(text, at, '-')) return std::nullopt;
    const auto mo = digits(text, at, 2);
    if (!mo || !take(text, at, '-')) return std::nullopt;
    const auto d = digits(text, at, 2);
    if (!d || !(take(text, at, 'T') || take(text, at, 't'))) return std::nullopt;
    const auto hh = digits(text, at, 2);
    if (!hh || !take(text, at, ':')) return std::nullopt;
    const auto mm = digits(text, at, 2);
    if (!mm) return std::nullopt;
    std::optional<int> ss = 0;
    if (take(text, at, ':')) ss = digits(text, at, 2);
    if (!ss) return std::nullopt;
    const year_month_day date{year{*y}, month{static_cast<unsigned>(*mo)}, day{static_cast<unsigned>(*d)}};
    if (!date.ok() || *hh > 23 || *mm > 59 || *ss > 59) return std::nullopt;
    return local_days{date} + hours{*hh} + minutes{*mm} + seconds{*ss};
}

// An offset from UTC: +HH:MM, +HHMM or +HH (or -).
std::optional<seconds> offset(std::string_view text, std::size_t& at)
{
    const int sign = text[at] == '-' ? -1 : 1;
    ++at;
    const auto hh = digits(text, at, 2);
    if (!hh) return std::nullopt;
    std::optional<int> mm = 0;
    if (take(text, at, ':') || at < text.size()) mm = digits(text, at, 2);
    if (!mm || *hh > 23 || *mm > 59 || at != text.size()) return std::nullopt;
    return seconds{sign * (*hh * 3600 + *mm * 60)};
}

using TimeResult = std::variant<sys_seconds, Error>;

TimeResult inZone(std::string_view text, std::string_view name, local_seconds wall)
{
    const date::time_zone* zone = nullptr;
    try {
        zone = date::locate_zone(std::string(name));
    } catch (const std::exception&) {
        return Error{"The time zone '" + std::string(name) + "' of '" + std::string(text) +
                     "' is not in the system's time-zone data."};
    }
    const date::local_seconds local{wall.time_since_epoch()};
    const date::local_info info = zone->get_info(local);
    if (info.result == date::local_info::nonexistent)
        return Error{"The time '" + std::string(text) + "' does not exist: the clocks skip it there."};
    // A time that happens twice (the clocks going back) is taken the first time.
    return sys_seconds{wall.time_since_epoch() - info.first.offset};
}

std::string plain(std::string_view text) { return std::string(text); }

} // namespace

std::variant<sys_seconds, Error> parseSunTime(std::string_view text)
{
    std::size_t at = 0;
    const std::optional<local_seconds> wall = wallClock(text, at);
    if (!wall) return Error{"'" + plain(text) + "' is not a date and time such as " + kExample + "."};
    if (at == text.size())
        return Error{"The time '" + plain(text) + "' has no zone: end it with Z, an offset such as +02:00 or a zone "
                                                  "name such as [Europe/Zurich]."};
    const char c = text[at];
    if ((c == 'Z' || c == 'z') && at + 1 == text.size()) return sys_seconds{wall->time_since_epoch()};
    if (c == '+' || c == '-') {
        const std::optional<seconds> off = offset(text, at);
        if (!off) return Error{"The offset in '" + plain(text) + "' must be +HH:MM or -HH:MM, as in +02:00."};
        return sys_seconds{wall->time_since_epoch() - *off};
    }
    if (c == '[' && text.back() == ']' && text.size() > at + 2)
        return inZone(text, text.substr(at + 1, text.size() - at - 2), *wall);
    return Error{"'" + plain(text) + "' is not a date and time such as " + kExample + "."};
}

std::variant<SunPeriod, Error> parseSunPeriod(std::string_view text)
{
    const std::size_t a = text.find(','), b = a == std::string_view::npos ? a : text.find(',', a + 1);
    if (b == std::string_view::npos || text.find(',', b + 1) != std::string_view::npos)
        return Error{"The period '" + plain(text) + "' must be FROM,TO,STEP: two times and a step in minutes."};
    SunPeriod p;
    for (int i = 0; i < 2; ++i) {
        const std::string_view part = i == 0 ? text.substr(0, a) : text.substr(a + 1, b - a - 1);
        auto t = parseSunTime(part);
        if (const Error* e = std::get_if<Error>(&t)) return *e;
        (i == 0 ? p.from : p.to) = std::get<sys_seconds>(t);
    }
    const std::optional<double> step = parseCNumber(text.substr(b + 1));
    if (!step || *step != std::floor(*step) || *step < 1 || *step > period_range::kStepMax)
        return Error{"The period's step must be a whole number of minutes from 1 to 1440, not '" +
                     plain(text.substr(b + 1)) + "'."};
    p.stepMinutes = static_cast<int>(*step);
    if (Refusal r = sunPeriodRefused(p)) return *r;
    return p;
}

std::variant<SunPlace, Error> parseSunPlace(std::string_view text)
{
    const std::size_t comma = text.find(',');
    const std::optional<double> lat = comma == std::string_view::npos ? std::nullopt : parseCNumber(text.substr(0, comma));
    const std::optional<double> lon = comma == std::string_view::npos ? std::nullopt : parseCNumber(text.substr(comma + 1));
    if (!lat || !lon)
        return Error{"The place '" + plain(text) + "' must be LAT,LON in degrees (north and east positive), as in 46.5,7.9."};
    const SunPlace p{*lat, *lon};
    if (Refusal r = sunPlaceRefused(p)) return *r;
    return p;
}

std::string utcText(sys_seconds t)
{
    return date::format("%Y-%m-%dT%H:%M:%SZ", date::sys_seconds{t.time_since_epoch()});
}

std::string frameStem(sys_seconds t) { return date::format("%Y%m%dT%H%MZ", date::sys_seconds{t.time_since_epoch()}); }

std::string placeText(const SunPlace& p)
{
    char text[80];
    std::snprintf(text, sizeof text, "%.3f %s, %.3f %s", std::fabs(p.latitude), p.latitude < 0 ? "S" : "N",
                  std::fabs(p.longitude), p.longitude < 0 ? "W" : "E");
    return text;
}

std::string sunNote(const MapPlace& where, sys_seconds t, const MapSun& sun)
{
    char figures[200];
    std::snprintf(figures, sizeof figures, "azimuth %.3f true, %.3f on the map (grid north %.3f), altitude %.3f",
                  sun.trueAzimuth, sun.azimuth, where.gridNorth, sun.altitude);
    return "sun at " + placeText(where.place) + ", " + utcText(t) + ": " + figures;
}

} // namespace gloamery
