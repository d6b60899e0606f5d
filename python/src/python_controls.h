#pragma once
// The controls of a Python workspace, held as numbers and checked as they
// are set, so a bad value is refused at the assignment that made it.

#include "inputs/controls.h"
#include "shadow/shadow_params.h"

#include <chrono>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <variant>

namespace gloamery::python {

struct PythonControls {
    double sunX = 0.0;
    double sunY = 0.0;
    double decay = 5.0;
    int darkness = 128;
    int contrast = 0;
    bool blur = true;
    BlendMode blend = BlendMode::Multiply;
    SunControls sun;
    NormalControls normal;
    ReliefControls relief;
    double blendOpacity = kFullOpacity;
    std::string colours = "land";
    ColourEntries colourEntries = ColourEntries::Interpolate;
    // The real sun, unset (None) until given.
    std::optional<std::chrono::sys_seconds> when;
    std::optional<SunPlace> place;
    std::optional<SunPeriod> period;

    // The setters throw std::invalid_argument with the reason.
    void setSun(double x, double y);
    void setDecay(double d);
    void setDarkness(long long d);
    void setContrast(long long c);
    void setBlend(const std::string& name);
    void setSunAngle(double azimuth, double altitude);
    void setSunSize(double degrees);
    void setSky(double share);
    void setSkyRays(long long azimuths, long long altitudes);
    void setGround(double x, double y);
    void setVertical(double unit);
    void setNormalConvention(const std::string& name);
    void setNormalDepth(long long bits);
    void setDirections(long long n);
    void setRadius(std::optional<double> r);
    void setRadiusText(const std::string& text); // "none" or a number
    void setBlendOpacity(double p);
    void setColours(const std::string& nameOrPath);
    void setColourEntries(const std::string& name);
    // Read as the batch tool reads --when and --period (a period from its
    // three parts); None (nullopt) unsets.
    // The text forms ("LAT,LON", "FROM,TO,STEP", "none") are read as the
    // batch tool reads them too.
    void setWhen(const std::optional<std::string>& text);
    void setPlace(const std::optional<std::pair<double, double>>& latLon);
    void setPlaceText(const std::string& text);
    void setPeriod(const std::optional<std::tuple<std::string, std::string, long long>>& p);
    void setPeriodText(const std::string& text);
    // As Python reads them back: times in UTC.
    std::optional<std::string> whenText() const;
    std::optional<std::tuple<std::string, std::string, int>> periodParts() const;

    // The batch tool's name of the blend mode ("multiply/2", ...).
    std::string blendName() const;

    // The controls as a settings file keeps them: the numbers written as
    // the shortest text that reads back as the same double.
    Controls forRun() const;

    // What a run of the shadow button takes, or why it cannot run (a sun
    // beyond the map's reach), in the batch tool's words.
    std::variant<ShadowParams, Error> shadowParams(ShadowMode mode) const;
};

// The shortest C-locale text of a finite double ("40", "-0.5", "1e-07").
std::string numberText(double v);

} // namespace gloamery::python
