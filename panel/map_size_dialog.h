#pragma once
// Asks for a map size: width and height, each 1..16384.

#include <QDialog>

#include <optional>

class QSpinBox;

namespace gloamery::panel {

class MapSizeDialog final : public QDialog {
    Q_OBJECT
public:
    MapSizeDialog(QSize current, QWidget* parent);

    QSize chosen() const;

    // The size chosen, or nothing when cancelled.
    static std::optional<QSize> ask(QWidget* parent, QSize current);

private:
    QSpinBox* width_;
    QSpinBox* height_;
};

} // namespace gloamery::panel
