#include "schema_group.h"

#include "imageio/colour_tables.h"
#include "inputs/control_values.h"
#include "side_panel.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>

#include <cmath>
#include <string>

namespace gloamery::panel {

namespace {

QString qs(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

QString captionOf(const GroupField& f) { return qs(controlRow(f.id).captions[static_cast<std::size_t>(f.part)]); }

// What each operation's button says it does.
QString buttonTip(const OperationRow& row)
{
    const std::pair<std::string_view, const char*> tips[] = {
        {"sky-view", "Lights the terrain by how much of the sky each point sees, over the directions and as far "
                     "as the radius, then merges it with the texture map"},
        {"openness", "Lights the terrain by its openness above, in degrees over the directions: ridges bright, "
                     "hollows dark; then merges it with the texture map"},
        {"openness-negative", "Lights the terrain by its openness below: hollows and valleys bright, ridges dark; "
                              "then merges it with the texture map"},
        {"multi-hillshade", "Shades the relief from several directions at once, at the sun's altitude, then merges "
                            "it with the texture map"},
        {"tint", "Colours the texture map by height from the colour table"},
        {"sun-hours", "Counts the hours of direct sun over the period at the place, lights the terrain by their "
                      "share of the hours the sun is up, then merges it with the texture map"},
        {"direct-light", "Sums the clear-sky beam's light over the period at the place, in kWh per square metre, "
                         "lights the terrain by its share of what open flat ground gets, then merges it"},
    };
    for (const auto& [name, tip] : tips)
        if (row.name == name) return QObject::tr(tip);
    return qs(row.help);
}

// Any relief layer: not the sun over a period, which has groups of its own.
bool reliefOperation(const OperationRow& row)
{
    return row.kind == OperationKind::Layer && row.layer != LayerKind::SunHours && row.layer != LayerKind::DirectLight;
}

bool sunSumOperation(const OperationRow& row)
{
    return row.layer == LayerKind::SunHours || row.layer == LayerKind::DirectLight;
}

bool colourOperation(const OperationRow& row) { return holds(row.controls, ControlId::Colours); }

const GroupField kReliefFields[] = {
    {"Directions", ControlId::Directions, 0, FieldLook::Text, "How many directions the layers look along, 1 to 256"},
    {"Radius", ControlId::Radius, 0, FieldLook::Text,
     "How far the layers look, in the units of the elevations; \"none\" looks to the map's edge"},
};
const GroupField kColourFields[] = {
    {"Colours", ControlId::Colours, 0, FieldLook::Table,
     "The colour table \"Tint\" colours by: one that ships with Gloamery, or a file", &builtInColourNames,
     "Colour tables (*.txt *.cpt *.clr *.csv);;All files (*)"},
    {"ColourEntries", ControlId::ColourEntries, 0, FieldLook::Choices,
     "Between the table's entries: interpolate, only the entries' own elevations, or the nearest entry"},
    {"BlendOpacity", ControlId::BlendOpacity, 0, FieldLook::Text,
     "The blend's share over the texture map, 0 to 100 percent"},
};
const GroupField kEngineFields[] = {
    {"NormalConvention", ControlId::NormalConvention, 0, FieldLook::Choices,
     "Which way the normal map's green points: up the map (OpenGL) or down it (DirectX)"},
    {"NormalDepth", ControlId::NormalDepth, 0, FieldLook::Choices, "Bits a component of the normal map"},
};

const GroupField kTimeFields[] = {
    {"When", ControlId::When, 0, FieldLook::Text,
     "The date and time of the real sun with its zone: 2026-06-21T07:00Z, 2026-06-21T09:00+02:00 or "
     "2026-06-21T09:00[Europe/Zurich]; none for the Sun fields' angle"},
    {"Place", ControlId::Place, 0, FieldLook::Text,
     "Where the sun is seen from, LAT,LON in degrees north and east; a height raster with a coordinate system "
     "fills in its centre"},
    {"Period", ControlId::Period, 0, FieldLook::Text,
     "FROM,TO,STEP: the times from FROM every STEP minutes before TO, for \"Sun hours\" and \"Direct light\""},
};
const GroupButton kTimeButtons[] = {
    {"sun", "Sun at this time", "SunAtTimeButton",
     "Lights the terrain from the real sun at the date and time, seen from the place, then merges it with the "
     "texture map",
     controlSet({ControlId::When})},
};

} // namespace

Refusal unsetRefused(const GroupButton& button, const Controls& c)
{
    for (const ControlRow& row : controlRows())
        if (holds(button.mustBeSet, row.id) && controlValue(c, row.id).none)
            return Error{std::string(row.captions[0]) + " must be " + std::string(row.needs) + ", not \"none\"."};
    return std::nullopt;
}

QString camelName(std::string_view python)
{
    QString out;
    bool up = true;
    for (char c : python) {
        if (c == '_') {
            up = true;
            continue;
        }
        out += up ? QChar::fromLatin1(c).toUpper() : QChar::fromLatin1(c);
        up = false;
    }
    return out;
}

const GroupPlan& reliefGroup()
{
    static const GroupPlan plan{"Relief", "ReliefGroup", kReliefFields, &reliefOperation};
    return plan;
}

const GroupPlan& coloursGroup()
{
    static const GroupPlan plan{"Colours", "ColoursGroup", kColourFields, &colourOperation};
    return plan;
}

const GroupPlan& engineMapsGroup()
{
    static const GroupPlan plan{"Engine maps", "EngineMapsGroup", kEngineFields, nullptr};
    return plan;
}

const GroupPlan& timeGroup()
{
    static const GroupPlan plan{"Date and time", "TimeGroup", kTimeFields, &sunSumOperation, kTimeButtons};
    return plan;
}

SchemaGroup::SchemaGroup(SidePanel& side, const GroupPlan& plan, Run run,
                         std::function<QString(const QString&, const QString&)> chooseFile)
    : QObject(&side), form_(&side.addGroup(tr(plan.title), plan.objectName)), chooseFile_(std::move(chooseFile))
{
    for (const GroupField& f : plan.fields) {
        QWidget* w = makeField(f);
        w->setObjectName(QString::fromLatin1(f.name));
        w->setToolTip(tr(f.tip));
        w->setProperty(kStepName, captionOf(f));
        fields_.push_back({&f, w});
    }
    const auto addButton = [&](const OperationRow& row, const GroupButton* own) {
        auto* button = new QPushButton(own ? tr(own->caption) : qs(row.caption));
        button->setObjectName(own ? QString::fromLatin1(own->objectName) : camelName(row.python) + "Button");
        button->setToolTip(own ? tr(own->tip) : buttonTip(row));
        connect(button, &QPushButton::clicked, this, [run, &row, own] { run(row, own); });
        form_->addRow(button);
        buttons_.push_back(button);
    };
    for (const GroupButton& own : plan.ownButtons) addButton(*operationNamed(own.operation), &own);
    if (plan.holdsOperation)
        for (const OperationRow& row : operationRows())
            if (plan.holdsOperation(row)) addButton(row, nullptr);
    show(kept_);
}

QWidget* SchemaGroup::makeField(const GroupField& f)
{
    auto* label = new QLabel(captionOf(f));
    label->setObjectName(QStringLiteral("Label") + QString::fromLatin1(f.name));
    QWidget* field = nullptr;
    QWidget* row = nullptr;
    if (f.look == FieldLook::Text) {
        auto* edit = new QLineEdit;
        connect(edit, &QLineEdit::textChanged, this, [this, id = f.id] { emit changed(id); });
        field = row = edit;
    } else {
        auto* list = new QComboBox;
        if (f.look == FieldLook::Choices)
            for (std::string_view c : controlRow(f.id).choices) list->addItem(qs(c));
        else
            for (std::string_view name : f.names()) list->addItem(qs(name));
        list->setEditable(f.look == FieldLook::Table);
        connect(list, &QComboBox::currentTextChanged, this, [this, id = f.id] { emit changed(id); });
        field = row = list;
        if (f.look == FieldLook::Table) {
            // The list offers the shipped tables; the button a file of one's own.
            row = new QWidget;
            auto* line = new QHBoxLayout(row);
            line->setContentsMargins(0, 0, 0, 0);
            line->addWidget(list, 1);
            auto* choose = new QToolButton;
            choose->setObjectName(QString::fromLatin1(f.name) + QStringLiteral("File"));
            choose->setText(QStringLiteral("..."));
            choose->setToolTip(tr("Chooses a file for %1").arg(captionOf(f)));
            line->addWidget(choose);
            const QString title = tr("Open %1").arg(captionOf(f)), filter = tr(f.fileFilter);
            connect(choose, &QToolButton::clicked, this, [this, list, title, filter] {
                const QString path = chooseFile_(title, filter);
                if (!path.isEmpty()) list->setEditText(path);
            });
        }
    }
    label->setBuddy(field);
    form_->addRow(label, row);
    return field;
}

QWidget* SchemaGroup::field(const char* name) const
{
    for (const Field& f : fields_)
        if (f.widget->objectName() == QLatin1String(name)) return f.widget;
    return nullptr;
}

QString SchemaGroup::textOf(const Field& f)
{
    if (auto* edit = qobject_cast<QLineEdit*>(f.widget)) return edit->text();
    return static_cast<QComboBox*>(f.widget)->currentText();
}

void SchemaGroup::setText(const Field& f, const QString& text)
{
    if (auto* edit = qobject_cast<QLineEdit*>(f.widget)) edit->setText(text);
    else if (auto* list = static_cast<QComboBox*>(f.widget); list->isEditable()) list->setEditText(text);
    else list->setCurrentIndex(list->findText(text));
}

Refusal SchemaGroup::read(const NumberParser& parse, Controls& c) const
{
    Refusal first;
    for (const Field& f : fields_) {
        setControlValue(c, f.plan->id, controlValue(kept_, f.plan->id));
        Refusal r = readField(f, parse, c);
        if (r && !first) first = std::move(r);
    }
    return first;
}

// One field's value into c, when it can be used.
Refusal SchemaGroup::readField(const Field& f, const NumberParser& parse, Controls& c) const
{
    const ControlRow& row = controlRow(f.plan->id);
    const std::size_t part = static_cast<std::size_t>(f.plan->part);
    const std::string text = textOf(f).trimmed().toStdString();
    const std::string caption(row.captions[part]);
    const auto refused = [&](const std::string& needs) {
        return Error{caption + " must be " + needs + ", not \"" + text + "\"."};
    };
    ControlValue v = controlValue(c, f.plan->id);
    switch (row.kind) {
    case ControlKind::Number:
    case ControlKind::Whole: {
        const auto n = parse(text);
        if (!n || !std::isfinite(*n)) return refused("a finite number");
        if (!partAccepts(row, f.plan->part, *n)) return refused(partRangeWords(row, f.plan->part));
        v.numbers[part] = *n;
        break;
    }
    case ControlKind::Text: {
        // A number typed the locale's way counts as the same number written plainly.
        std::string plain = text;
        if (const auto n = parse(text); n && std::isfinite(*n) && !row.accepts(plain)) plain = boundText(*n);
        if (!row.accepts(plain)) return refused(std::string(row.needs));
        v.texts[part] = plain;
        break;
    }
    case ControlKind::NumberText: v.texts[part] = text; break;
    case ControlKind::Choice: {
        const auto index = choiceIndex(row, text);
        if (!index) return refused(std::string(row.needs));
        v.choice = *index;
        break;
    }
    case ControlKind::Time:
    case ControlKind::Period:
    case ControlKind::Place: {
        // Read once here, as the batch tool reads it; empty stands for none.
        auto typed = readTypedText(row, text.empty() && row.unset ? "none" : text);
        if (const Error* e = std::get_if<Error>(&typed)) {
            std::string why = e->message;
            if (!why.empty() && why.back() == '.') why.pop_back();
            return Error{caption + " must be " + std::string(row.needs) + ", not \"" + text + "\": " + why + "."};
        }
        v = std::get<ControlValue>(typed);
        break;
    }
    case ControlKind::Flag: break; // no group holds one yet
    }
    setControlValue(c, f.plan->id, v);
    return std::nullopt;
}

void SchemaGroup::show(const Controls& c)
{
    for (const Field& f : fields_) {
        const ControlValue v = controlValue(c, f.plan->id);
        setControlValue(kept_, f.plan->id, v);
        const ControlRow& row = controlRow(f.plan->id);
        const std::size_t part = static_cast<std::size_t>(f.plan->part);
        QString text;
        switch (row.kind) {
        case ControlKind::Number:
        case ControlKind::Whole: text = QLocale().toString(v.numbers[part], 'g', QLocale::FloatingPointShortest); break;
        case ControlKind::Text:
        case ControlKind::NumberText: text = QString::fromStdString(v.texts[part]); break;
        case ControlKind::Choice: text = qs(row.choices[static_cast<std::size_t>(v.choice)]); break;
        case ControlKind::Time:
        case ControlKind::Period:
        case ControlKind::Place: {
            // The text as typed stays while it reads as the value: a time keeps its zone.
            text = qs(typedText(row, v));
            const std::string typed = textOf(f).trimmed().toStdString();
            const auto now = readTypedText(row, typed.empty() ? "none" : typed);
            if (const auto* was = std::get_if<ControlValue>(&now); was && typedText(row, *was) == typedText(row, v))
                text = textOf(f);
            break;
        }
        case ControlKind::Flag: break;
        }
        const QSignalBlocker quiet(f.widget);
        setText(f, text);
    }
    emit shown();
}

} // namespace gloamery::panel
