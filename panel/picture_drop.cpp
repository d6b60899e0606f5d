#include "picture_drop.h"

#include "picture_view.h"

#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

namespace gloamery::panel {

namespace {

// The first local file among what is dragged; empty when none.
QString droppedFile(const QMimeData* data)
{
    if (!data || !data->hasUrls()) return {};
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) return url.toLocalFile();
    return {};
}

// The computed maps and the work picture are never loaded from files.
bool loadable(Slot s) { return s != Slot::Shadow && s != Slot::Colour && s != Slot::Work; }

} // namespace

PictureDrop::PictureDrop(std::function<void(Slot, const QString&)> load, QObject* parent)
    : QObject(parent), load_(std::move(load))
{
}

void PictureDrop::watch(PictureView& view)
{
    if (!loadable(view.slot())) return;
    view.setAcceptDrops(true);
    view.installEventFilter(this);
}

bool PictureDrop::eventFilter(QObject* watched, QEvent* event)
{
    auto* view = qobject_cast<PictureView*>(watched);
    if (!view) return false;
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
        auto* drag = static_cast<QDropEvent*>(event);
        if (droppedFile(drag->mimeData()).isEmpty()) drag->ignore();
        else drag->acceptProposedAction();
        return true;
    }
    if (event->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        const QString path = droppedFile(drop->mimeData());
        if (path.isEmpty()) return false;
        drop->acceptProposedAction();
        // After the drop has ended: a message box inside it would hold up
        // the program the file came from.
        QTimer::singleShot(0, this, [this, slot = view->slot(), path] { load_(slot, path); });
        return true;
    }
    return false;
}

} // namespace gloamery::panel
