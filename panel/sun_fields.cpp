#include "sun_fields.h"

#include "ui/twips.h"
#include "workspace/numeric.h"

#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QSignalBlocker>
#include <QPushButton>
#include <QWidget>

#include <cmath>
#include <limits>

namespace gloamery::panel {

SunFields::SunFields(QWidget& form, std::function<void()> clicked) : QObject(&form)
{
    // Right of "Make Texture2", and the two free strips under the darkness
    // bar and right of "Live".
    auto* button = new QPushButton(QStringLiteral("Sun"), &form);
    button->setObjectName(QStringLiteral("Command12"));
    button->setGeometry(twipRect(6780, 8460, 975, 375));
    connect(button, &QPushButton::clicked, this, std::move(clicked));

    const struct {
        const char* name;
        const char* caption;
        const char* text;
        int labelLeft, labelWidth, fieldLeft, top, height, fieldWidth;
    } layout[] = {
        {"Azimuth", "Azimuth", "315", 4020, 750, 4800, 10005, 285, 540},
        {"Altitude", "Altitude", "45", 5430, 750, 6210, 10005, 285, 540},
        {"SunSize", "Sun size", "0", 5310, 750, 6090, 10800, 315, 480},
        {"Sky", "Sky", "0", 6630, 390, 7050, 10800, 315, 540},
    };
    QLineEdit** fields[] = {&azimuth_, &altitude_, &size_, &sky_};
    for (int i = 0; i < 4; ++i) {
        const auto& l = layout[i];
        auto* label = new QLabel(QString::fromLatin1(l.caption), &form);
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

SunControls SunFields::read(const NumberParser& parse) const
{
    auto number = [&](const QLineEdit* f) {
        const auto v = parse(f->text().toStdString());
        return v ? *v : std::numeric_limits<double>::quiet_NaN();
    };
    SunControls c = kept_;
    c.azimuth = number(azimuth_);
    c.altitude = number(altitude_);
    c.size = number(size_);
    c.sky = number(sky_);
    return c;
}

Refusal SunFields::textsRefused(const NumberParser& parse) const
{
    const std::pair<const char*, const QLineEdit*> fields[] = {
        {"Azimuth", azimuth_}, {"Altitude", altitude_}, {"Sun size", size_}, {"Sky", sky_}};
    for (const auto& [name, f] : fields) {
        const std::string text = f->text().toStdString();
        const auto v = parse(text);
        if (!v || !std::isfinite(*v)) return Error{std::string(name) + " must be a finite number, not \"" + text + "\"."};
    }
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
