#include "picture_menu.h"

#include "imageio/height_files.h"
#include "imageio/picture_io.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QMimeData>

namespace gloamery::panel {

namespace {

// The clipboard types of the formats a picture file may have.
bool isCheckedImageType(const QString& type)
{
    static const QStringList types = {QStringLiteral("image/bmp"), QStringLiteral("image/x-bmp"),
                                      QStringLiteral("image/x-ms-bmp"), QStringLiteral("image/png"),
                                      QStringLiteral("image/jpeg"), QStringLiteral("image/gif")};
    return types.contains(type, Qt::CaseInsensitive);
}

} // namespace

PictureMenu::PictureMenu(Workspace& ws, const Prompts& prompts, QWidget& owner, std::function<void(Slot)> changed)
    : ws_(ws), prompts_(prompts), owner_(owner), changed_(std::move(changed)), menu_(new QMenu(&owner))
{
    menu_->setObjectName(QStringLiteral("mnuPopup"));
    menu_->setTitle(QStringLiteral("(popup)"));
    auto add = [this](const char* name, const QString& caption) {
        QAction* a = menu_->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    save_ = add("mnpopsave", QStringLiteral("&Save picture..."));
    load_ = add("mnpopload", QStringLiteral("&Load Picture"));
    toClip_ = add("mnupopsaveclip", QStringLiteral("&To Clipboard"));
    fromClip_ = add("mnmpoploadclip", QStringLiteral("&From Clipboard"));
}

PictureMenu::~PictureMenu() = default;

void PictureMenu::popup(Slot target, const QPoint& globalPos)
{
    popTarget_ = target;
    QAction* chosen = prompts_.showMenu(*menu_, globalPos);
    if (chosen == save_) mnpopsave_Click();
    else if (chosen == load_) mnpopload_Click();
    else if (chosen == toClip_) mnupopsaveclip_Click();
    else if (chosen == fromClip_) mnmpoploadclip_Click();
}

void PictureMenu::mnpopsave_Click()
{
    if (!popTarget_) return;
    const bool deep = *popTarget_ == Slot::Height && heightsAreDeep(ws_);
    const QString path = prompts_.saveFile(&owner_, deep ? kDeepSaveFilter : kSaveFilter);
    if (path.isEmpty()) return; // cancelled
    if (const Refusal r = saveTarget(path, deep))
        prompts_.message(&owner_, QObject::tr("Cannot save %1: %2").arg(path, QString::fromStdString(r->message)));
}

// BMP whatever the name ends with, the name used as given; only deep
// heights named .png are written as 16-bit grey PNG.
Refusal PictureMenu::saveTarget(const QString& path, bool deep) const
{
    if (deep && path.endsWith(QLatin1String(".png"), Qt::CaseInsensitive))
        return saveDeepHeights(ws_.heightSamples(), path);
    return savePicture(ws_.picture(*popTarget_), path, "bmp");
}

void PictureMenu::mnpopload_Click()
{
    if (!popTarget_) return;
    // The shadow and colour maps are computed, never loaded.
    if (*popTarget_ == Slot::Shadow || *popTarget_ == Slot::Colour) return;
    const QString path = prompts_.openFile(&owner_, kOpenFilter);
    if (path.isEmpty()) return; // cancelled
    loadFile(*popTarget_, path);
}

bool PictureMenu::loadFile(Slot target, const QString& path)
{
    const auto loaded = loadSlotFile(ws_, target, path);
    if (const Error* e = std::get_if<Error>(&loaded)) {
        prompts_.message(&owner_, QObject::tr("Cannot load %1: %2").arg(path, QString::fromStdString(e->message)));
        return false;
    }
    changed_(target);
    const std::string& note = std::get<LoadedFile>(loaded).note;
    if (!note.empty() && showNote_) showNote_(QString::fromStdString(note));
    return true;
}

void PictureMenu::mnupopsaveclip_Click()
{
    if (!popTarget_) return;
    QGuiApplication::clipboard()->setImage(toQImage(ws_.picture(*popTarget_)));
}

// The clipboard carries 8-bit pictures: a paste makes the height map 8-bit.
void PictureMenu::pastedInto(Slot target)
{
    if (target == Slot::Height) ws_.clearDeepHeights();
    changed_(target);
}

void PictureMenu::mnmpoploadclip_Click()
{
    if (!popTarget_) return;
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data) return;
    Picture& target = ws_.picture(*popTarget_);
    // Encoded pictures in the formats a file may have go through the same
    // checks and limits as a file; a damaged one is not handed to the
    // toolkit's own decoding instead, which shows whatever memory held.
    bool checkedFormat = false;
    for (const QString& format : data->formats()) {
        if (!isCheckedImageType(format)) continue;
        checkedFormat = true;
        if (!loadPictureData(target, data->data(format))) {
            pastedInto(*popTarget_);
            return;
        }
    }
    // Anything else the toolkit can make an image of: a picture copied in
    // this program, or another program's format that files never have.
    if (!checkedFormat && data->hasImage()) {
        const QImage image = qvariant_cast<QImage>(data->imageData());
        if (!image.isNull()) {
            placeImage(target, image);
            pastedInto(*popTarget_);
        }
    }
    // No usable image on the clipboard: nothing changes, nothing is said.
}

} // namespace gloamery::panel
