#include "sun_fields.h"

#include "inputs/control_schema.h"
#include "inputs/control_values.h"
#include "ui/twips.h"
#include "workspace/numeric.h"

#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QSignalBlocker>
#include <QPushButton>
#include <QWidget>

#include <cmath>

namespace gloamery::panel {

SunFields::SunFields(QWidget& form, std::function<void()> clicked) : QObject(&form)
{
    // Right of "Make Texture2", and the two free strips under the darkness
    // bar and right of "Live".
    auto* button = new QPushButton(QStringLiteral("Sun"), &form);
    button->setObjectName(QStringLiteral("Command12"));
    button->setGeometry(twipRect(6780, 8460, 975, 375));
    connect(button, &QPushButton::clicked, this, std::move(clicked));

    // Captions are the control schema's.
    const struct {
        const char* name;
        ControlId id;
        int part;
        const char* text;
        int labelLeft, labelWidth, fieldLeft, top, height, fieldWidth;
    } layout[] = {
        {"Azimuth", ControlId::SunAngle, 0, "315", 4020, 750, 4800, 10005, 285, 540},
        {"Altitude", ControlId::SunAngle, 1, "45", 5430, 750, 6210, 10005, 285, 540},
        {"SunSize", ControlId::SunSize, 0, "0", 5310, 750, 6090, 10800, 315, 480},
        {"Sky", ControlId::Sky, 0, "0", 6630, 390, 7050, 10800, 315, 540},
    };
    QLineEdit** fields[] = {&azimuth_, &altitude_, &size_, &sky_};
    for (int i = 0; i < 4; ++i) {
        const auto& l = layout[i];
        const std::string_view caption = controlRow(l.id).captions[static_cast<std::size_t>(l.part)];
        auto* label = new QLabel(QString::fromLatin1(caption.data(), static_cast<qsizetype>(caption.size())), &form);
        label->setObjectName(QStringLiteral("Label") + QString::fromLatin1(l.name));
        label->setGeometry(twipRect(l.labelLeft, l.top + 30, l.labelWidth, l.height - 30));
        *fields[i] = field(form, l.name, l.text, twipRect(l.fieldLeft, l.top, l.fieldWidth, l.height));
    }
}

QLineEdit* SunFields::field(QWidget& form, const char* name, const char* text, QRect geometry)
{
    auto* f = new QLineEdit(QString::fromLatin1(text), &form);
    f->setObjectName(QString::fromLatin1(name));
    f->setGeometry(geometry);
    connect(f, &QLineEdit::textChanged, this, &SunFields::changed);
    return f;
}

namespace {

// A field, the schema's control it holds and which part of it.
struct FieldOf {
    const QLineEdit* field;
    ControlId id;
    int part;
};

} // namespace

std::variant<SunControls, Error> SunFields::read(const NumberParser& parse) const
{
    const FieldOf fields[] = {{azimuth_, ControlId::SunAngle, 0},
                              {altitude_, ControlId::SunAngle, 1},
                              {size_, ControlId::SunSize, 0},
                              {sky_, ControlId::Sky, 0}};
    Controls c;
    c.sun = kept_;
    for (const FieldOf& f : fields) {
        const ControlRow& row = controlRow(f.id);
        const std::string text = f.field->text().toStdString();
        const std::string caption(row.captions[static_cast<std::size_t>(f.part)]);
        const auto v = parse(text);
        if (!v || !std::isfinite(*v)) return Error{caption + " must be a finite number, not \"" + text + "\"."};
        if (!partAccepts(row, f.part, *v))
            return Error{caption + " must be " + partRangeWords(row, f.part) + ", not \"" + text + "\"."};
        ControlValue value = controlValue(c, f.id);
        value.numbers[static_cast<std::size_t>(f.part)] = *v;
        setControlValue(c, f.id, value);
    }
    return c.sun;
}

SunControls SunFields::current(const NumberParser& parse) const
{
    auto read = this->read(parse);
    if (auto* sun = std::get_if<SunControls>(&read)) return *sun;
    SunControls c = kept_;
    auto number = [&](const QLineEdit* f, double& into) {
        if (const auto v = parse(f->text().toStdString()); v && std::isfinite(*v)) into = *v;
    };
    number(azimuth_, c.azimuth);
    number(altitude_, c.altitude);
    number(size_, c.size);
    number(sky_, c.sky);
    return c;
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

void SunFields::setUnits(double groundX, double groundY, double vertical)
{
    kept_.groundX = groundX;
    kept_.groundY = groundY;
    kept_.vertical = vertical;
}

void SunFields::show(const SunControls& c)
{
    kept_ = c;
    const std::pair<QLineEdit*, double> fields[] = {{azimuth_, c.azimuth}, {altitude_, c.altitude}, {size_, c.size}, {sky_, c.sky}};
    for (const auto& [f, v] : fields) {
        const QSignalBlocker quiet(f);
        f->setText(QLocale().toString(v, 'g', QLocale::FloatingPointShortest));
    }
}

} // namespace gloamery::panel
