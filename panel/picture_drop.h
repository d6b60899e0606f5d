#pragma once
// Lets image files be dropped on the pictures: a file dropped on a picture
// is loaded there as "&Load Picture" would load it.

#include "workspace/workspace.h"

#include <QObject>

#include <functional>

namespace gloamery::panel {

class PictureView;

class PictureDrop final : public QObject {
    Q_OBJECT
public:
    // load(slot, path) loads the file dropped on the slot's picture.
    explicit PictureDrop(std::function<void(Slot, const QString&)> load, QObject* parent = nullptr);

    // Makes the view take drops of files, if its picture can be loaded.
    void watch(PictureView& view);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void(Slot, const QString&)> load_;
};

} // namespace gloamery::panel
