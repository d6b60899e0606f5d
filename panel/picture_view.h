#pragma once
// Shows one picture slot of the workspace in a cell of fixed size, no
// border: pixel for pixel when the picture is the cell's size, else scaled
// to fit. Hands mouse presses and drags on it, in the picture's pixel
// coordinates, to whoever listens.

#include "fitted_image.h"
#include "workspace/workspace.h"

#include <QImage>
#include <QWidget>

namespace gloamery::panel {

class PictureView final : public QWidget {
    Q_OBJECT
public:
    // The cell keeps the slot's size at construction. The view keeps no
    // hold on the workspace: each refresh is handed it.
    PictureView(const Workspace& ws, Slot slot, QWidget* parent);

    Slot slot() const { return slot_; }

    // Converts the picture again; call after anything wrote to it.
    void refresh(const Workspace& ws);
    // The same from the slot's rows (a live run's, read through its slot).
    void refreshFrom(const PictureRows& own);
    // The cell's size when the window zooms; a refresh then fits the picture to it.
    void setCellSize(QSize size) { setFixedSize(size); }

    // Shows a picture standing in for the view's own (a live preview of
    // it, of another size), scaled to where the own picture is shown.
    void showStandIn(const Picture& standIn);
    // The same from rows (a live run's maps, read through their slots).
    void showRows(const PictureRows& rows);

    // The slot's picture size at the last refresh.
    QSize pictureSize() const { return picture_; }
    // What the view currently shows, and where in the cell.
    const QImage& image() const { return image_; }
    QRect shownRect() const { return shown_; }

    // The picture pixel under a position in the view.
    QPoint picturePixel(QPointF viewPos) const;

signals:
    // pos in the picture's pixel coordinates; inside tells whether the
    // press fell on the picture rather than on the cell's margin.
    void pressed(gloamery::Slot slot, Qt::MouseButton button, QPoint pos, QPoint globalPos, bool inside);
    // The pointer moved with the left button held.
    void dragged(gloamery::Slot slot, QPoint pos);
    // The left button was released over the view or after a drag from it.
    void released(gloamery::Slot slot);
    // A frame was drawn (for timing the live relight).
    void painted(gloamery::Slot slot);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    Slot slot_;
    QSize picture_; // the slot's picture size at the last refresh
    QImage image_;
    QRect shown_;
};

} // namespace gloamery::panel
