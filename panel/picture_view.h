#pragma once
// Shows one picture slot of the workspace, pixel for pixel, no border, and
// hands mouse presses on it to whoever listens.

#include "workspace/workspace.h"

#include <QImage>
#include <QWidget>

namespace gloamery::panel {

class PictureView final : public QWidget {
    Q_OBJECT
public:
    PictureView(const Picture& picture, Slot slot, QWidget* parent);

    Slot slot() const { return slot_; }

    // Converts the picture again; call after anything wrote to it.
    void refresh();

    // What the view currently shows.
    const QImage& image() const { return image_; }

signals:
    // pos in the picture's pixel coordinates.
    void pressed(gloamery::Slot slot, Qt::MouseButton button, QPoint pos, QPoint globalPos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    const Picture& picture_;
    Slot slot_;
    QImage image_;
};

} // namespace gloamery::panel
