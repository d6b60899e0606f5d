#pragma once
// The "Sun" button and its fields (azimuth, altitude, sun size, sky share),
// laid in free room of the controls cell without moving any other control.
// The fields are text, as X0, Y0 and "Decay" are; they are read into the
// Sun controls when an operation runs. The ground size of a pixel and the
// elevation of a height level have no field: a raster's own set them.

#include "inputs/controls.h"

#include <QObject>

#include <functional>
#include <variant>

class QLineEdit;
class QPushButton;
class QWidget;

namespace gloamery::panel {

class SunFields final : public QObject {
    Q_OBJECT
public:
    // Builds the fields and the button on `form`; clicked runs "Sun".
    SunFields(QWidget& form, std::function<void()> clicked);

    // The Sun controls as the fields stand, each read and checked against
    // its range in the control schema; refused, naming the field by its
    // caption and quoting its text, when one cannot be used.
    std::variant<SunControls, Error> read(const NumberParser& parse) const;
    // The same for what does not run (a settings file, a live relight's
    // controls): a field that cannot be used gives the value last shown.
    SunControls current(const NumberParser& parse) const;
    // Why the fields' texts cannot be used, naming the field; or nothing.
    Refusal textsRefused(const NumberParser& parse) const;

    // The azimuth that puts the sun in the direction of `pos` seen from
    // the centre of a w x h map: 0 towards the top, 90 towards the right.
    static double azimuthTowards(QPoint pos, int w, int h);
    void setAzimuth(double degrees);

    // Units a loaded raster gives; a map of another kind keeps the last.
    void setUnits(double groundX, double groundY, double vertical);

    // Shows the controls (a settings file's) without telling of a change;
    // those without a field are kept for the next read.
    void show(const SunControls& c);

signals:
    // A field changed: a live relight follows.
    void changed();

private:
    QLineEdit* field(QWidget& form, const char* name, const char* text, QRect geometry);

    QLineEdit* azimuth_ = nullptr;
    QLineEdit* altitude_ = nullptr;
    QLineEdit* size_ = nullptr;
    QLineEdit* sky_ = nullptr;
    SunControls kept_; // lambert, the sky's rays and the units: no field holds them
};

} // namespace gloamery::panel
