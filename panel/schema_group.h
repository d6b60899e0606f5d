#pragma once
// A group of the side panel made from the tables: a field for each of its
// controls of the control schema (captioned, ranged and worded by the
// schema's row) and a button for each operation of the operation table it
// holds (captioned by the row, named by its Python method: "SkyViewButton").
// The fields are read into Controls when an operation runs, as the "Sun"
// fields are.
//
// To add a group:
//   1. list its fields (GroupField: object name, control, look, tooltip)
//      and say which operation rows it holds, in a GroupPlan of
//      schema_group.cpp;
//   2. add the plan to Form1::buildGroups.
// Its fields then read, refuse, show settings and undo steps, and its
// buttons run their rows with the panel's progress, Esc and undo.

#include "inputs/control_schema.h"
#include "inputs/controls.h"
#include "inputs/operations.h"
#include "side_panel.h"

#include <QObject>
#include <QString>

#include <functional>
#include <span>
#include <string_view>
#include <vector>

class QComboBox;
class QFormLayout;
class QPushButton;
class QWidget;

namespace gloamery::panel {

// How a field shows its control.
enum class FieldLook {
    Text,    // a text box, read as the row's kind says
    Choices, // a list of the row's choices
    Table,   // a name among `names` or a file, typed or chosen (a colour table)
};

struct GroupField {
    const char* name; // the widget's object name
    ControlId id;
    int part = 0; // which of a pair's values
    FieldLook look = FieldLook::Text;
    const char* tip = "";
    // Table: the names offered, and the file dialog's filter.
    const std::vector<std::string_view>& (*names)() = nullptr;
    const char* fileFilter = nullptr;
};

// A button that runs a row of the operation table under a caption of its
// own ("Sun at this time" runs "sun" with the time set), before the rows'
// own buttons. Its run is refused while a control of `mustBeSet` is unset.
struct GroupButton {
    const char* operation; // the row's batch name
    const char* caption;   // the button's, which names its undo step
    const char* objectName;
    const char* tip;
    ControlSet mustBeSet = 0;
};

struct GroupPlan {
    const char* title;
    const char* objectName;
    std::span<const GroupField> fields;
    // Which rows of the operation table get a button here; none for a
    // group of fields only.
    bool (*holdsOperation)(const OperationRow&) = nullptr;
    std::span<const GroupButton> ownButtons = {};
};

// Why `button` cannot run with these controls (one it needs unset), named
// by the field's caption in the schema's words; or nothing.
Refusal unsetRefused(const GroupButton& button, const Controls& c);

class SchemaGroup final : public QObject {
    Q_OBJECT
public:
    // Builds the group at the bottom of `side`; a button calls run(row,
    // own), own being the plan's GroupButton or null for a row's own.
    // chooseFile(title, filter) asks for a file, empty when cancelled.
    using Run = std::function<void(const OperationRow&, const GroupButton*)>;
    SchemaGroup(SidePanel& side, const GroupPlan& plan, Run run,
                std::function<QString(const QString&, const QString&)> chooseFile);

    // Puts the group's controls into c as the fields stand, each read and
    // checked by its row; a field that cannot be used leaves the value
    // last shown, and the first such is the refusal, naming the field by
    // its caption and quoting its text.
    Refusal read(const NumberParser& parse, Controls& c) const;
    // Shows the controls' values without telling of a change.
    void show(const Controls& c);

    // The form its fields and buttons are rows of, for rows of another kind.
    QFormLayout& form() { return *form_; }
    std::span<QPushButton* const> buttons() const { return buttons_; }
    // The field of that object name, or null.
    QWidget* field(const char* name) const;

signals:
    // A field of that control changed: a live relight follows when the run
    // it repeats reads it.
    void changed(gloamery::ControlId id);
    // The fields show values set at once (a settings file, an undo).
    void shown();

private:
    struct Field {
        const GroupField* plan;
        QWidget* widget;
    };
    QWidget* makeField(const GroupField& f);
    static QString textOf(const Field& f);
    static void setText(const Field& f, const QString& text);
    Refusal readField(const Field& f, const NumberParser& parse, Controls& c) const;

    QFormLayout* form_;
    std::vector<Field> fields_;
    std::vector<QPushButton*> buttons_;
    std::function<QString(const QString&, const QString&)> chooseFile_;
    Controls kept_; // the values last shown
};

// "sky_view" as "SkyView": the part of a button's object name that names
// its operation.
QString camelName(std::string_view python);

// The groups of this kind: the relief layers, colour by height and the
// engines' maps.
const GroupPlan& reliefGroup();
const GroupPlan& coloursGroup();
const GroupPlan& engineMapsGroup();
// The real sun's time, place and period with its buttons.
const GroupPlan& timeGroup();

} // namespace gloamery::panel
