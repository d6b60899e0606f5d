#include "map_resizer.h"

#include "workspace/fit_heights.h"
#include "workspace/parallel.h"

#include <QObject>

#include <unistd.h>

#include <cstdlib>
#include <new>
#include <string>

namespace gloamery::panel {

namespace {

// Physical memory in bytes; 0 when the system does not say.
double physicalMemory()
{
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    return pages > 0 && pageSize > 0 ? static_cast<double>(pages) * static_cast<double>(pageSize) : 0.0;
}

QString mib(double bytes) { return QString::number(static_cast<long long>(bytes / (1024 * 1024))) + " MiB"; }

// The engine side (2^n + 1, up to the largest map) nearest a side.
int engineSide(int side)
{
    int best = 2;
    for (int n = 2; n <= kMaxMapSize; n *= 2)
        if (std::abs(n + 1 - side) < std::abs(best + 1 - side) && n + 1 <= kMaxMapSize) best = n;
    return best + 1;
}

QString sizeText(QSize s) { return QStringLiteral("%1 \u00d7 %2").arg(s.width()).arg(s.height()); }

} // namespace

MapResizer::MapResizer(LiveLighting& live, const Prompts& prompts, QWidget& owner, Reporter& reporter,
                       std::function<void()> resized)
    : live_(live), prompts_(prompts), owner_(owner), reporter_(reporter), resized_(std::move(resized))
{
}

bool MapResizer::roomFor(QSize size)
{
    if (!validMapSize(size.width(), size.height())) {
        prompts_.message(&owner_, QObject::tr("A map side must be 1 to %1 pixels, not %2.").arg(kMaxMapSize).arg(sizeText(size)));
        return false;
    }
    const double needed = bytesForMap(size.width(), size.height(), threadCount()), have = physicalMemory();
    if (have > 0 && needed > have) {
        prompts_.message(&owner_, QObject::tr("Cannot make the map %1: it needs about %2, more than this machine's %3.")
                                      .arg(sizeText(size), mib(needed), mib(have)));
        return false;
    }
    return true;
}

bool MapResizer::remake(QSize size, const QString& failing, const QString& done,
                        const std::function<Refusal(Workspace&)>& change)
{
    if (!roomFor(size)) return false;
    try {
        // Changed on a copy, so running out of memory half-way leaves the
        // map whole at its old size rather than with slots of two sizes.
        const auto ws = live_.access();
        Workspace next = *ws;
        if (const Refusal r = change(next)) {
            prompts_.message(&owner_, QString::fromStdString(r->message));
            return false;
        }
        *ws = std::move(next);
    } catch (const std::bad_alloc&) {
        prompts_.message(&owner_, QObject::tr("Cannot %1 %2: not enough memory.").arg(failing, sizeText(size)));
        return false;
    }
    resized_();
    reporter_.status(done.arg(sizeText(size)).toStdString());
    return true;
}

bool MapResizer::resize(QSize size)
{
    return remake(size, QObject::tr("make the map"), QObject::tr("Map %1"), [size](Workspace& ws) -> Refusal {
        ws.resize(size.width(), size.height());
        return std::nullopt;
    });
}

void MapResizer::askAndResize()
{
    if (!prompts_.mapSize) return;
    const auto ws = live_.access();
    if (const std::optional<QSize> size = prompts_.mapSize(&owner_, QSize(ws->width(), ws->height()))) resize(*size);
}

bool MapResizer::fit(QSize size)
{
    return remake(size, QObject::tr("fit the map to"), QObject::tr("Heights fitted to %1"),
                  [size](Workspace& ws) { return fitToSize(ws, size.width(), size.height()); });
}

std::optional<QSize> MapResizer::askAndFit()
{
    if (!prompts_.mapSize) return std::nullopt;
    const auto ws = live_.access();
    const QSize offered(engineSide(ws->width()), engineSide(ws->height()));
    const std::optional<QSize> size = prompts_.mapSize(&owner_, offered);
    if (!size || !fit(*size)) return std::nullopt;
    return size;
}

} // namespace gloamery::panel
