#pragma once
// The column beside the picture grid: groups of controls that the grid's
// cell has no room for ("Sun", "Units", and whatever a new operation
// needs), each a form of captioned fields. It scrolls when the window is
// shorter than its groups.

#include <QScrollArea>

class QFormLayout;
class QGroupBox;
class QVBoxLayout;

namespace gloamery::panel {

// The property that names a control's change in the undo history when its
// object name does not ("Radius", "Colours").
inline constexpr const char* kStepName = "stepName";

class SidePanel final : public QScrollArea {
    Q_OBJECT
public:
    // The column's width in pixels, whatever the window's size.
    static constexpr int kWidth = 230;

    explicit SidePanel(QWidget* parent);

    // A new group at the bottom of the column, named `objectName`; its
    // rows are the form's.
    QFormLayout& addGroup(const QString& title, const char* objectName);

private:
    QVBoxLayout* column_;
};

} // namespace gloamery::panel
