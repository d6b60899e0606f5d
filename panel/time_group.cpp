#include "time_group.h"

#include "schema_group.h"

#include <QAbstractButton>
#include <QFormLayout>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QSlider>

#include <charconv>
#include <string>

namespace gloamery::panel {

namespace {

constexpr int kMinutesADay = 24 * 60;

// A date, its hour and minute, seconds perhaps, and the zone after them as
// typed: the slider changes the clock alone, so the day and zone stay.
const QRegularExpression& timePattern()
{
    static const QRegularExpression pattern(QStringLiteral(R"(^(\d{4}-\d{2}-\d{2}T)(\d{2}):(\d{2})(:\d{2})?(.*)$)"));
    return pattern;
}

std::string shortest(double v)
{
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, v).ptr);
}

} // namespace

std::optional<int> minuteOfDay(const QString& text)
{
    const auto m = timePattern().match(text.trimmed());
    if (!m.hasMatch()) return std::nullopt;
    const int minute = m.captured(2).toInt() * 60 + m.captured(3).toInt();
    if (minute >= kMinutesADay) return std::nullopt;
    return minute;
}

std::optional<QString> atMinute(const QString& text, int minute)
{
    const auto m = timePattern().match(text.trimmed());
    if (!m.hasMatch() || minute < 0 || minute >= kMinutesADay) return std::nullopt;
    const QChar zero('0');
    return m.captured(1) + QStringLiteral("%1:%2").arg(minute / 60, 2, 10, zero).arg(minute % 60, 2, 10, zero)
         + m.captured(5);
}

std::optional<MapPlace> realSunWhere(const Controls& c, const MapOrigin& origin)
{
    if (!origin.place) return std::nullopt;
    auto found = mapPlaceOf(*origin.place, origin.width, origin.height);
    auto* where = std::get_if<MapPlace>(&found);
    if (!where) return std::nullopt;
    if (c.place) where->place = *c.place;
    return *where;
}

TimeGroup::TimeGroup(SchemaGroup& group, QAbstractButton& live)
    : QObject(&group), when_(static_cast<QLineEdit*>(group.field("When"))),
      place_(static_cast<QLineEdit*>(group.field("Place"))), slider_(new QSlider(Qt::Horizontal))
{
    slider_->setObjectName(QStringLiteral("TimeSlider"));
    slider_->setRange(0, kMinutesADay - 1);
    slider_->setToolTip(tr("The time of the day set: drag to follow the sun through it"));
    // Below the time it moves, only while "Live" relights.
    QFormLayout& form = group.form();
    int row = 0;
    QFormLayout::ItemRole role;
    form.getWidgetPosition(when_, &row, &role);
    form.insertRow(row + 1, slider_);
    slider_->setVisible(live.isChecked());
    connect(&live, &QAbstractButton::toggled, slider_, &QWidget::setVisible);

    connect(slider_, &QSlider::valueChanged, this, [this](int minute) {
        const auto moved = atMinute(when_->text(), minute);
        if (!moved || *moved == when_->text().trimmed()) return;
        emit sliding();
        when_->setText(*moved);
    });
    connect(slider_, &QSlider::sliderReleased, this, &TimeGroup::released);
    connect(when_, &QLineEdit::textChanged, this, &TimeGroup::showMinute);
    connect(&group, &SchemaGroup::shown, this, &TimeGroup::showMinute);
    showMinute();
}

void TimeGroup::showMinute()
{
    const auto minute = minuteOfDay(when_->text());
    slider_->setEnabled(minute.has_value());
    const QSignalBlocker quiet(slider_);
    if (minute) slider_->setValue(*minute);
}

void TimeGroup::heightOpened(const MapOrigin& origin)
{
    if (!origin.place) return;
    auto found = mapPlaceOf(*origin.place, origin.width, origin.height);
    if (const auto* where = std::get_if<MapPlace>(&found))
        place_->setText(
            QString::fromStdString(shortest(where->place.latitude) + "," + shortest(where->place.longitude)));
}

} // namespace gloamery::panel
