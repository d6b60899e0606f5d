#pragma once
// The "Sun" button and its fields (azimuth, altitude, sun size, sky share)
// in the side panel's "Sun" group, and the ground size of a pixel and the
// elevation of a height level in its "Units" group, which a loaded raster
// fills and the user may change. The fields are text, as X0, Y0 and "Decay"
// are; they are read into the Sun controls when an operation runs.

#include "inputs/control_schema.h"
#include "inputs/controls.h"

#include <QObject>

#include <array>
#include <functional>
#include <variant>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

class QFormLayout;

namespace gloamery::panel {

class SidePanel;

// How the units read: "30 m x 30 m a pixel, 9.02 m a height level", the
// numbers to four significant digits; without a unit, the bare numbers.
QString unitsText(double groundX, double groundY, double vertical, const QString& unit);

// The symbol of the ground unit a coordinate system (WKT) counts in: "m"
// for metres and for degrees, which rasters measure in metres, "ft" for
// feet; its own name for another unit, empty without a system.
QString unitSymbol(const std::string& wkt);

class SunFields final : public QObject {
    Q_OBJECT
public:
    // Builds the groups, their fields and the button in `side`; clicked
    // runs "Sun".
    SunFields(SidePanel& side, std::function<void()> clicked);

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

    // Units a loaded raster gives, in the unit its coordinate system names
    // ("m", "ft", or empty when it names none); a map of another kind keeps
    // the last.
    void setUnits(double groundX, double groundY, double vertical, const QString& unit = {});

    // Shows the controls (a settings file's) without telling of a change;
    // those without a field are kept for the next read.
    void show(const SunControls& c);

signals:
    // A field of that control changed: a live relight follows when the run
    // it repeats reads it.
    void changed(gloamery::ControlId id);

private:
    struct Field;
    QLineEdit* field(QFormLayout& form, const Field& f);
    void describeUnits();
    // Each field with the schema's control it holds and which part of it.
    struct FieldOf {
        QLineEdit* field;
        ControlId id;
        int part;
    };
    std::array<FieldOf, 7> fields() const;
    static void setPart(Controls& c, const FieldOf& f, double v);

    QLineEdit* azimuth_ = nullptr;
    QLineEdit* altitude_ = nullptr;
    QLineEdit* size_ = nullptr;
    QLineEdit* sky_ = nullptr;
    QLineEdit* groundX_ = nullptr;
    QLineEdit* groundY_ = nullptr;
    QLineEdit* vertical_ = nullptr;
    QLabel* unitsText_ = nullptr;
    QString unit_;     // the raster's unit, for the description
    SunControls kept_; // lambert and the sky's rays: no field holds them
};

} // namespace gloamery::panel
