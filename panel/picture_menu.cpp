#include "picture_menu.h"

#include "imageio/file_kind.h"
#include "imageio/qt/picture_io.h"
#include "imageio/picture_size.h"
#include "imageio/terrain_glb.h"
#include "close_guard.h"
#include "open_formats.h"
#include "save_formats.h"

#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QMenu>
#include <QMimeData>

namespace gloamery::panel {

namespace {

// The clipboard types of encoded pictures, which are read like files.
bool isEncodedImageType(const QString& type) { return type.startsWith(QLatin1String("image/"), Qt::CaseInsensitive); }

// The clipboard's types in the order they are tried: PNG first, the one
// type that can carry 16-bit samples, then the others as offered.
QStringList typesToTry(const QMimeData& data)
{
    QStringList types = data.formats();
    const QString png = QStringLiteral("image/png");
    if (types.removeAll(png) > 0) types.prepend(png);
    return types;
}

} // namespace

PictureMenu::PictureMenu(LiveLighting& live, const Prompts& prompts, QWidget& owner, MapResizer& resizer,
                         std::function<void(Slot)> changed)
    : live_(live), prompts_(prompts), owner_(owner), changed_(std::move(changed)), menu_(new QMenu(&owner)),
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
    exportTerrain_ = new QAction(QStringLiteral("E&xport terrain..."), menu_);
    exportTerrain_->setObjectName(QStringLiteral("mnexportterrain"));
    fitEngine_ = new QAction(QStringLiteral("&Fit to engine size..."), menu_);
    fitEngine_->setObjectName(QStringLiteral("mnfitengine"));
}

PictureMenu::~PictureMenu() = default;

void PictureMenu::popup(Slot target, const QPoint& globalPos)
{
    popTarget_ = target;
    const bool sizeCommand = target == Slot::Height;
    if (sizeCommand) menu_->addActions({mapSizeSeparator_, mapSize_, fitEngine_, exportTerrain_});
    QAction* chosen = prompts_.showMenu(*menu_, globalPos);
    if (sizeCommand) {
        menu_->removeAction(mapSizeSeparator_);
        menu_->removeAction(mapSize_);
        menu_->removeAction(exportTerrain_);
        menu_->removeAction(fitEngine_);
    }
    if (chosen == save_) mnpopsave_Click();
    else if (chosen == load_) mnpopload_Click();
    else if (chosen == toClip_) mnupopsaveclip_Click();
    else if (chosen == fromClip_) mnmpoploadclip_Click();
    else if (chosen == mapSize_ && sizeCommand) mnmapsize_Click();
    else if (chosen == exportTerrain_ && sizeCommand) mnexportterrain_Click();
    else if (chosen == fitEngine_ && sizeCommand) mnfitengine_Click();
}

void PictureMenu::mnpopsave_Click()
{
    if (popTarget_) saveToFile(*popTarget_, saveFilter(*popTarget_, {}, georeferenced()));
}

bool PictureMenu::saveToFile(Slot slot, const QString& filter)
{
    const QString name = CloseGuard::pictureName(slot);
    const QString path = prompts_.saveFile(&owner_, QObject::tr("Save %1").arg(name), filter);
    if (path.isEmpty()) return false; // cancelled
    if (const Refusal r = saveSlot(*live_.access(), slot, path, origin_)) {
        prompts_.message(&owner_, QObject::tr("Cannot save %1: %2").arg(path, QString::fromStdString(r->message)));
        return false;
    }
    if (saved_) saved_(slot);
    if (showNote_) showNote_(QObject::tr("Saved %1 to %2").arg(name, QDir::toNativeSeparators(path)));
    return true;
}

void PictureMenu::mnpopload_Click()
{
    if (!popTarget_) return;
    // The shadow and colour maps are computed, never loaded.
    if (*popTarget_ == Slot::Shadow || *popTarget_ == Slot::Colour) return;
    const QString title = QObject::tr("Load %1").arg(CloseGuard::pictureName(*popTarget_));
    const QString path = prompts_.openFile(&owner_, title, openFilter(*popTarget_));
    if (path.isEmpty()) return; // cancelled
    loadFile(*popTarget_, path);
}

bool PictureMenu::loadFile(Slot slot, const QString& path)
{
    if (slot == Slot::Shadow || slot == Slot::Colour || slot == Slot::Work) return false;
    // Read once (a pipe cannot be read twice); a raster named as one is
    // opened by name below.
    const std::string name = QFile::encodeName(path).toStdString();
    QByteArray bytes;
    if (fileKind(name) != FileKind::ElevationRaster) {
        auto read = readPictureBytes(path);
        if (const Error* e = std::get_if<Error>(&read)) {
            prompts_.message(&owner_, QObject::tr("Cannot load %1: %2").arg(path, QString::fromStdString(e->message)));
            return false;
        }
        bytes = std::move(std::get<QByteArray>(read));
    }
    // A height picture of another size may first change the map's size;
    // raw heights take the map's size; rasters tell theirs through their plugin.
    if (slot == Slot::Height) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QSize size = QImageReader(&buffer).size();
        if (!size.isValid()) // an elevation raster, whose size the raster plugin tells
            if (const auto raster = rasterFileSize(name))
                size = QSize(raster->width, raster->height);
        if (size.isValid() && !offerMapSize(slot, size)) return false;
    }
    const auto ws = live_.access();
    const auto loaded = loadSlotBytes(*ws, slot, name, bytes);
    if (const Error* e = std::get_if<Error>(&loaded)) {
        prompts_.message(&owner_, QObject::tr("Cannot load %1: %2").arg(path, QString::fromStdString(e->message)));
        return false;
    }
    changed_(slot);
    if (slot == Slot::Height)
        origin_ = resizedOrigin(std::get<LoadedFile>(loaded).origin, ws->width(), ws->height(), false);
    std::string note = std::get<LoadedFile>(loaded).note;
    if (slot == Slot::Height && origin_.units) {
        // A raster's own units stand for "Sun" until the next raster.
        const QString units = unitsFound_ ? unitsFound_(*origin_.units, origin_.place ? origin_.place->wkt : std::string())
                                          : QString::fromStdString(unitsNote(*origin_.units));
        note += (note.empty() ? "" : "; ") + units.toStdString();
    }
    if (!note.empty() && showNote_) showNote_(QString::fromStdString(note));
    return true;
}

bool PictureMenu::offerMapSize(Slot slot, QSize size)
{
    const auto ws = live_.access();
    const QSize map(ws->width(), ws->height());
    if (slot == Slot::Height && size != map && validMapSize(size.width(), size.height()) && prompts_.workAtImageSize
        && prompts_.workAtImageSize(&owner_, size, map))
        return resizer_.resize(size); // told why when it could not
    return true;
}

void PictureMenu::place(Slot slot, const QImage& image)
{
    if (!offerMapSize(slot, image.size())) return; // nothing placed
    putImage(*live_.access(), slot, image);
    pastedInto(slot);
}

void PictureMenu::mnmapsize_Click() { resizer_.askAndResize(); }

void PictureMenu::mnfitengine_Click()
{
    const auto ws = live_.access();
    const int fromW = ws->width(), fromH = ws->height();
    const std::optional<QSize> size = resizer_.askAndFit();
    if (!size) return;
    const std::string wkt = origin_.place ? origin_.place->wkt : std::string();
    origin_ = fittedOrigin(origin_, fromW, fromH, size->width(), size->height());
    if (origin_.units && unitsFound_) unitsFound_(*origin_.units, wkt); // the Units group shows the new pixels
    changed_(Slot::Height);
}

void PictureMenu::mnexportterrain_Click()
{
    QString path = prompts_.saveFile(&owner_, QObject::tr("Export Terrain"), kTerrainFilter);
    if (path.isEmpty()) return; // cancelled
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".glb");
    const SunControls u = units_ ? units_() : SunControls{};
    const TerrainScale scale{u.groundX, u.groundY, u.vertical};
    if (const Refusal r = exportTerrainGlb(*live_.access(), scale, QFile::encodeName(path).toStdString()))
        prompts_.message(&owner_, QObject::tr("Cannot export %1: %2").arg(path, QString::fromStdString(r->message)));
    else if (showNote_)
        showNote_(QObject::tr("Exported the terrain to %1").arg(QDir::toNativeSeparators(path)));
}

void PictureMenu::mnupopsaveclip_Click()
{
    if (!popTarget_) return;
    const auto ws = live_.access();
    QGuiApplication::clipboard()->setImage(withWholePicture(*ws, *popTarget_, [](const Picture& p) { return toQImage(p); }));
}

// A picture of 8 bits a sample makes the height map 8-bit.
void PictureMenu::pastedInto(Slot target)
{
    if (target == Slot::Height) {
        origin_ = {}; // a pasted picture lies nowhere on the Earth
    }
    changed_(target);
}

void PictureMenu::placeDeep(Slot slot, const DeepPicture& deep)
{
    if (slot != Slot::Height) return place(slot, deep.shown);
    if (!offerMapSize(slot, deep.shown.size())) return; // nothing placed
    live_.access()->setDeepHeights(deep.samples);
    changed_(slot);
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
    for (const QString& format : typesToTry(*data)) {
        if (!isEncodedImageType(format)) continue;
        encoded = true;
        const AnyPicture read = readAnyPictureData(data->data(format));
        if (const QImage* image = std::get_if<QImage>(&read)) {
            place(*popTarget_, *image);
            return;
        }
        if (const DeepPicture* deep = std::get_if<DeepPicture>(&read)) {
            placeDeep(*popTarget_, *deep);
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
