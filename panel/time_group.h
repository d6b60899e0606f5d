#pragma once
// What the "Date and time" group adds to its fields: the place filled in
// from a height raster that lies somewhere known, where the real sun is
// seen from for a run (the raster's grid north with the place given), and,
// with "Live" ticked, a slider over the minutes of the day set that moves
// the time as it is dragged.

#include "imageio/geo_place.h"
#include "inputs/controls.h"

#include <QObject>
#include <QString>

#include <optional>

class QAbstractButton;
class QLineEdit;
class QSlider;

namespace gloamery::panel {

class SchemaGroup;

// The minute of the day a time's text shows ("2026-06-21T09:30[Europe/Zurich]"
// is 570), and the text at another minute of that day in the same zone;
// nothing for a text that is no date and time.
std::optional<int> minuteOfDay(const QString& text);
std::optional<QString> atMinute(const QString& text, int minute);

// Where the real sun of a map with this origin is seen from: the place
// given (or else the raster's centre) with the raster's grid north; nothing
// when the raster lies nowhere known, so the place given is taken with
// grid north 0.
std::optional<MapPlace> realSunWhere(const Controls& c, const MapOrigin& origin);

class TimeGroup final : public QObject {
    Q_OBJECT
public:
    // group: the "Date and time" group, to which the slider is added;
    // shown while `live` is ticked.
    TimeGroup(SchemaGroup& group, QAbstractButton& live);

    // A height map was opened: its raster's centre, when it has one, fills
    // in the place.
    void heightOpened(const MapOrigin& origin);

    QSlider& slider() { return *slider_; }

signals:
    // The slider is about to move the time (the live relight follows the
    // field's change).
    void sliding();
    // The slider was let go.
    void released();

private:
    void showMinute();

    QLineEdit* when_;
    QLineEdit* place_;
    QSlider* slider_;
};

} // namespace gloamery::panel
