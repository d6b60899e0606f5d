#include "picture_menu.h"

#include "imageio/height_files.h"
#include "imageio/picture_io.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QMenu>
#include <QMimeData>

namespace gloamery::panel {

namespace {

// The clipboard types of encoded pictures, which are read like files.
bool isEncodedImageType(const QString& type) { return type.startsWith(QLatin1String("image/"), Qt::CaseInsensitive); }

} // namespace

PictureMenu::PictureMenu(Workspace& ws, const Prompts& prompts, QWidget& owner, MapResizer& resizer,
                         std::function<void(Slot)> changed)
    : ws_(ws), prompts_(prompts), owner_(owner), changed_(std::move(changed)), menu_(new QMenu(&owner)),
      resizer_(resizer)
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
    // Made here, but only on the menu while the height map opens it.
    mapSizeSeparator_ = new QAction(menu_);
    mapSizeSeparator_->setSeparator(true);
    mapSize_ = new QAction(QStringLiteral("&Map size..."), menu_);
    mapSize_->setObjectName(QStringLiteral("mnmapsize"));
}

PictureMenu::~PictureMenu() = default;

void PictureMenu::popup(Slot target, const QPoint& globalPos)
{
    popTarget_ = target;
    const bool sizeCommand = target == Slot::Height;
    if (sizeCommand) menu_->addActions({mapSizeSeparator_, mapSize_});
    QAction* chosen = prompts_.showMenu(*menu_, globalPos);
    if (sizeCommand) {
        menu_->removeAction(mapSizeSeparator_);
        menu_->removeAction(mapSize_);
    }
    if (chosen == save_) mnpopsave_Click();
    else if (chosen == load_) mnpopload_Click();
    else if (chosen == toClip_) mnupopsaveclip_Click();
    else if (chosen == fromClip_) mnmpoploadclip_Click();
    else if (chosen == mapSize_ && sizeCommand) mnmapsize_Click();
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

bool PictureMenu::loadFile(Slot slot, const QString& path)
{
    if (slot == Slot::Shadow || slot == Slot::Colour || slot == Slot::Work) return false;
    // A height picture of another size may first change the map's size;
    // raw heights take the map's size and rasters are read whole below.
    if (slot == Slot::Height) {
        const QSize size = QImageReader(path).size();
        if (size.isValid() && !offerMapSize(slot, size)) return false;
    }
    const auto loaded = loadSlotFile(ws_, slot, path);
    if (const Error* e = std::get_if<Error>(&loaded)) {
        prompts_.message(&owner_, QObject::tr("Cannot load %1: %2").arg(path, QString::fromStdString(e->message)));
        return false;
    }
    changed_(slot);
    const std::string& note = std::get<LoadedFile>(loaded).note;
    if (!note.empty() && showNote_) showNote_(QString::fromStdString(note));
    return true;
}

bool PictureMenu::offerMapSize(Slot slot, QSize size)
{
    const QSize map(ws_.width(), ws_.height());
    if (slot == Slot::Height && size != map && validMapSize(size.width(), size.height()) && prompts_.workAtImageSize
        && prompts_.workAtImageSize(&owner_, size, map))
        return resizer_.resize(size); // told why when it could not
    return true;
}

void PictureMenu::place(Slot slot, const QImage& image)
{
    if (!offerMapSize(slot, image.size())) return; // nothing placed
    placeImage(ws_.picture(slot), image);
    pastedInto(slot);
}

void PictureMenu::mnmapsize_Click() { resizer_.askAndResize(); }

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
    // Encoded pictures go through the same checks and limits as a file; a
    // damaged one is not handed to the toolkit's own decoding instead, which
    // shows whatever memory held, and one too large is refused for that
    // reason rather than found empty.
    Refusal refused;
    bool encoded = false;
    for (const QString& format : data->formats()) {
        if (!isEncodedImageType(format)) continue;
        encoded = true;
        auto read = readPictureData(data->data(format));
        if (const QImage* image = std::get_if<QImage>(&read)) {
            place(*popTarget_, *image);
            return;
        }
        if (!refused) refused = std::get<Error>(read);
    }
    // Anything else the toolkit can make an image of, such as a picture
    // copied in this program: held to the same size limit as a file.
    if (!encoded && data->hasImage()) {
        const QImage image = qvariant_cast<QImage>(data->imageData());
        refused = checkDecodedImage(image);
        if (!refused) {
            place(*popTarget_, image);
            return;
        }
    }
    // A picture refused is refused as from a file, with its reason; with no
    // image on the clipboard at all, nothing changes and nothing is said.
    if (refused)
        prompts_.message(&owner_, QObject::tr("Cannot load the picture on the clipboard: %1")
                                      .arg(QString::fromStdString(refused->message)));
}

} // namespace gloamery::panel
