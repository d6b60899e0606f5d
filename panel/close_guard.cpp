#include "close_guard.h"

#include "fitted_image.h"
#include "workspace/parallel.h"

#include <QSettings>
#include <QStringList>

#include <functional>
#include <string_view>
#include <vector>

namespace gloamery::panel {

CloseGuard::CloseGuard(const Prompts& prompts, QWidget& owner, LiveLighting& live, std::function<bool(Slot)> save)
    : prompts_(prompts), owner_(owner), live_(live), save_(std::move(save))
{
    const auto ws = live_.access();
    for (int s = 0; s < kSlotCount; ++s) savedAs_[s] = fingerprint(*ws, Slot(s));
}

// The picture's size and pixels, hashed a row at a time through the slot's
// rule (no picture of the map's size made): equal pictures give equal prints.
std::size_t CloseGuard::fingerprint(const Workspace& ws, Slot slot)
{
    const PictureRows rows = slot == Slot::Height ? rowsOf(ws.heights()) : rowsOf(ws.image(slot));
    std::vector<std::size_t> rowPrints(static_cast<std::size_t>(rows.height));
    const std::size_t w = static_cast<std::size_t>(rows.width);
    forEachRow(rows.height, w * rowPrints.size(), [&](int y) {
        std::vector<Colour> scratch(w);
        const std::string_view pixels(reinterpret_cast<const char*>(rows.row(y, scratch.data())), w * sizeof(Colour));
        rowPrints[static_cast<std::size_t>(y)] = std::hash<std::string_view>{}(pixels);
    });
    const std::string_view all(reinterpret_cast<const char*>(rowPrints.data()), rowPrints.size() * sizeof(std::size_t));
    return std::hash<std::string_view>{}(all) ^ (w << 32 | static_cast<std::size_t>(rows.height));
}

void CloseGuard::recheck()
{
    const auto ws = live_.access();
    for (int s = 0; s < kSlotCount; ++s)
        if (Slot(s) != Slot::Work) unsaved_[s] = fingerprint(*ws, Slot(s)) != savedAs_[s];
}

void CloseGuard::changed(Slot slot)
{
    if (slot != Slot::Work) unsaved_[static_cast<int>(slot)] = true; // the work picture cannot be saved
}

void CloseGuard::changed(std::initializer_list<Slot> pictures)
{
    for (Slot s : pictures) changed(s);
}

void CloseGuard::saved(Slot slot)
{
    unsaved_[static_cast<int>(slot)] = false;
    savedAs_[static_cast<int>(slot)] = fingerprint(*live_.access(), slot);
}

std::vector<Slot> CloseGuard::unsaved() const
{
    std::vector<Slot> out;
    for (int s = 0; s < kSlotCount; ++s)
        if (unsaved_[s]) out.push_back(Slot(s));
    return out;
}

QString CloseGuard::settingsKey() { return QStringLiteral("panel/askBeforeClosingWithUnsavedPictures"); }

bool CloseGuard::asking() const
{
    return QSettings(QStringLiteral("gloamery"), QStringLiteral("gloamery")).value(settingsKey(), true).toBool();
}

QString CloseGuard::pictureName(Slot slot)
{
    switch (slot) {
    case Slot::Height: return QStringLiteral("Height Map");
    case Slot::Work: return QStringLiteral("Work Picture");
    case Slot::Shadow: return QStringLiteral("Shadow Map");
    case Slot::Colour: return QStringLiteral("Color Map");
    case Slot::Grass: return QStringLiteral("Grass Map");
    case Slot::Stone: return QStringLiteral("Stone Map");
    case Slot::Texture: return QStringLiteral("Texture Map");
    case Slot::Detail: return QStringLiteral("Detail Map");
    }
    return {};
}

bool CloseGuard::mayClose()
{
    const std::vector<Slot> pending = unsaved();
    if (pending.empty() || !asking() || !prompts_.closeWithUnsaved) return true;
    QStringList names;
    for (Slot s : pending) names << pictureName(s);
    const CloseAnswer answer = prompts_.closeWithUnsaved(&owner_, names);
    if (answer.choice == CloseAnswer::Cancel) return false;
    if (answer.dontAskAgain)
        QSettings(QStringLiteral("gloamery"), QStringLiteral("gloamery")).setValue(settingsKey(), false);
    if (answer.choice == CloseAnswer::Discard) return true;
    // Save: each picture in turn; one not saved keeps the window open.
    for (Slot s : pending)
        if (!save_(s)) return false;
    return true;
}

} // namespace gloamery::panel
