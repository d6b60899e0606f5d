#pragma once
// Lets image files be dropped on the pictures: a file dropped on a picture
// is loaded there as "&Load Picture" would load it.

#include <QObject>

namespace gloamery::panel {

class PictureMenu;
class PictureView;

class PictureDrop final : public QObject {
    Q_OBJECT
public:
    explicit PictureDrop(PictureMenu& menu, QObject* parent = nullptr);

    // Makes the view take drops of files, if its picture can be loaded.
    void watch(PictureView& view);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    PictureMenu& menu_;
};

} // namespace gloamery::panel
