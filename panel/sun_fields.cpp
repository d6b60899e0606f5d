#include "sun_fields.h"

#include "imageio/raster_units.h"
#include "inputs/control_values.h"
#include "side_panel.h"
#include "workspace/numeric.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QSignalBlocker>
#include <QPushButton>
#include <QWidget>

#include <cmath>

namespace gloamery::panel {

// A field: its object name ("Label" + name its caption's), the schema's
// control and part it holds, which give its caption, and its tooltip.
struct SunFields::Field {
    const char* name;
    ControlId id;
    int part;
    const char* tip;
};

namespace {

QString captionOf(ControlId id, int part)
{
    const std::string_view c = controlRow(id).captions[static_cast<std::size_t>(part)];
    return QString::fromLatin1(c.data(), static_cast<qsizetype>(c.size()));
}

} // namespace

QString unitsText(double groundX, double groundY, double vertical, const QString& unit)
{
    const QLocale locale;
    const auto n = [&](double v) {
        const QString number = locale.toString(v, 'g', 4);
        return unit.isEmpty() ? number : number + QLatin1Char(' ') + unit;
    };
    return QObject::tr("%1 \u00d7 %2 a pixel, %3 a height level").arg(n(groundX), n(groundY), n(vertical));
}

QString unitSymbol(const std::string& wkt)
{
    if (wkt.empty()) return {};
    if (isGeographic(wkt)) return QStringLiteral("m");
    // The first unit that is no angle: a projected system's own, which
    // comes before any vertical system's.
    const QString text = QString::fromStdString(wkt);
    for (qsizetype at = text.indexOf(QLatin1String("UNIT[\"")); at >= 0; at = text.indexOf(QLatin1String("UNIT[\""), at + 1)) {
        const qsizetype start = at + 6, end = text.indexOf(QLatin1Char('"'), start);
        if (end < 0) break;
        const QString name = text.mid(start, end - start).toLower();
        if (name.contains(QLatin1String("degree")) || name.contains(QLatin1String("radian"))) continue;
        if (name == QLatin1String("metre") || name == QLatin1String("meter") || name == QLatin1String("m"))
            return QStringLiteral("m");
        if (name.contains(QLatin1String("foot")) || name.contains(QLatin1String("feet")) || name == QLatin1String("ft"))
            return QStringLiteral("ft");
        return text.mid(start, end - start);
    }
    return {};
}

SunFields::SunFields(SidePanel& side, std::function<void()> clicked) : QObject(&side)
{
    QFormLayout& sun = side.addGroup(tr("Sun"), "SunGroup");
    const Field sunFields[] = {
        {"Azimuth", ControlId::SunAngle, 0, "Degrees clockwise from the top of the map"},
        {"Altitude", ControlId::SunAngle, 1, "Degrees above the horizon, 0 to 90"},
        {"SunSize", ControlId::SunSize, 0, "The sun's disc in degrees, 0 to 10; above 0 the shadows are soft"},
        {"Sky", ControlId::Sky, 0, "The share of the light that comes from the whole sky, 0 to 1"},
    };
    QLineEdit** edits[] = {&azimuth_, &altitude_, &size_, &sky_};
    for (int i = 0; i < 4; ++i) *edits[i] = field(sun, sunFields[i]);
    auto* button = new QPushButton(tr("Sun"));
    button->setObjectName(QStringLiteral("Command12"));
    button->setToolTip(tr("Lights the terrain from a sun in the sky at this azimuth and altitude"));
    connect(button, &QPushButton::clicked, this, std::move(clicked));
    sun.addRow(button);

    QFormLayout& units = side.addGroup(tr("Units"), "UnitsGroup");
    const Field unitFields[] = {
        {"GroundX", ControlId::Ground, 0, "The ground size of a pixel across, in the units of the elevations"},
        {"GroundY", ControlId::Ground, 1, "The ground size of a pixel down, in the units of the elevations"},
        {"Vertical", ControlId::Vertical, 0, "The elevation of one 8-bit height level"},
    };
    QLineEdit** unitEdits[] = {&groundX_, &groundY_, &vertical_};
    for (int i = 0; i < 3; ++i) *unitEdits[i] = field(units, unitFields[i]);
    unitsText_ = new QLabel;
    unitsText_->setObjectName(QStringLiteral("UnitsText"));
    unitsText_->setWordWrap(true);
    units.addRow(unitsText_);
    show(kept_);
}

QLineEdit* SunFields::field(QFormLayout& form, const Field& f)
{
    auto* label = new QLabel(captionOf(f.id, f.part));
    label->setObjectName(QStringLiteral("Label") + QString::fromLatin1(f.name));
    auto* edit = new QLineEdit;
    edit->setObjectName(QString::fromLatin1(f.name));
    edit->setToolTip(tr(f.tip));
    label->setBuddy(edit);
    form.addRow(label, edit);
    connect(edit, &QLineEdit::textChanged, this, [this, id = f.id] { emit changed(id); });
    connect(edit, &QLineEdit::textChanged, this, &SunFields::describeUnits);
    return edit;
}

std::array<SunFields::FieldOf, 7> SunFields::fields() const
{
    return {{{azimuth_, ControlId::SunAngle, 0},
             {altitude_, ControlId::SunAngle, 1},
             {size_, ControlId::SunSize, 0},
             {sky_, ControlId::Sky, 0},
             {groundX_, ControlId::Ground, 0},
             {groundY_, ControlId::Ground, 1},
             {vertical_, ControlId::Vertical, 0}}};
}

// The field's part of its control set to v.
void SunFields::setPart(Controls& c, const FieldOf& f, double v)
{
    ControlValue value = controlValue(c, f.id);
    value.numbers[static_cast<std::size_t>(f.part)] = v;
    setControlValue(c, f.id, value);
}

std::variant<SunControls, Error> SunFields::read(const NumberParser& parse) const
{
    Controls c;
    c.sun = kept_;
    for (const FieldOf& f : fields()) {
        const ControlRow& row = controlRow(f.id);
        const std::string text = f.field->text().toStdString();
        const std::string caption(row.captions[static_cast<std::size_t>(f.part)]);
        const auto v = parse(text);
        if (!v || !std::isfinite(*v)) return Error{caption + " must be a finite number, not \"" + text + "\"."};
        if (!partAccepts(row, f.part, *v))
            return Error{caption + " must be " + partRangeWords(row, f.part) + ", not \"" + text + "\"."};
        setPart(c, f, *v);
    }
    return c.sun;
}

SunControls SunFields::current(const NumberParser& parse) const
{
    auto read = this->read(parse);
    if (auto* sun = std::get_if<SunControls>(&read)) return *sun;
    // Field by field: each that reads as a number counts, the others keep
    // the value last shown.
    Controls c;
    c.sun = kept_;
    for (const FieldOf& f : fields())
        if (const auto v = parse(f.field->text().toStdString()); v && std::isfinite(*v)) setPart(c, f, *v);
    return c.sun;
}

Refusal SunFields::textsRefused(const NumberParser& parse) const
{
    auto read = this->read(parse);
    if (auto* e = std::get_if<Error>(&read)) return *e;
    return std::nullopt;
}

double SunFields::azimuthTowards(QPoint pos, int w, int h)
{
    const double dx = pos.x() - (w - 1) / 2.0, dy = pos.y() - (h - 1) / 2.0;
    if (dx == 0 && dy == 0) return 0.0;
    const double a = std::atan2(dx, -dy) * 180.0 / kPi;
    return a < 0 ? a + 360.0 : a;
}

void SunFields::setAzimuth(double degrees)
{
    azimuth_->setText(QLocale().toString(std::round(degrees * 10) / 10, 'f', 1));
}

void SunFields::setUnits(double groundX, double groundY, double vertical, const QString& unit)
{
    unit_ = unit;
    // Set as typed values are, so the change is an undo step and relights.
    const std::pair<QLineEdit*, double> units[] = {{groundX_, groundX}, {groundY_, groundY}, {vertical_, vertical}};
    for (const auto& [f, v] : units) f->setText(QLocale().toString(v, 'g', QLocale::FloatingPointShortest));
    describeUnits();
}

void SunFields::describeUnits()
{
    if (!unitsText_) return;
    const QLocale locale;
    bool okX = false, okY = false, okV = false;
    const double gx = locale.toDouble(groundX_->text(), &okX), gy = locale.toDouble(groundY_->text(), &okY),
                 v = locale.toDouble(vertical_->text(), &okV);
    unitsText_->setText(okX && okY && okV ? unitsText(gx, gy, v, unit_) : QString());
}

void SunFields::show(const SunControls& c)
{
    kept_ = c;
    const std::pair<QLineEdit*, double> shown[] = {{azimuth_, c.azimuth}, {altitude_, c.altitude}, {size_, c.size},
                                                   {sky_, c.sky},         {groundX_, c.groundX},   {groundY_, c.groundY},
                                                   {vertical_, c.vertical}};
    for (const auto& [f, v] : shown) {
        const QSignalBlocker quiet(f);
        f->setText(QLocale().toString(v, 'g', QLocale::FloatingPointShortest));
    }
    describeUnits();
}

} // namespace gloamery::panel
