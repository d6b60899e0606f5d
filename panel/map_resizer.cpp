#include "map_resizer.h"

#include "workspace/parallel.h"

#include <QObject>

#include <unistd.h>

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

QString sizeText(QSize s) { return QStringLiteral("%1 \u00d7 %2").arg(s.width()).arg(s.height()); }

} // namespace

MapResizer::MapResizer(LiveLighting& live, const Prompts& prompts, QWidget& owner, Reporter& reporter,
                       std::function<void()> resized)
    : live_(live), prompts_(prompts), owner_(owner), reporter_(reporter), resized_(std::move(resized))
{
}

bool MapResizer::resize(QSize size)
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
    try {
        // Resized on a copy, so running out of memory half-way leaves the
        // map whole at its old size rather than with slots of two sizes.
        const auto ws = live_.access();
        Workspace next = *ws;
        next.resize(size.width(), size.height());
        *ws = std::move(next);
    } catch (const std::bad_alloc&) {
        prompts_.message(&owner_, QObject::tr("Cannot make the map %1: not enough memory.").arg(sizeText(size)));
        return false;
    }
    resized_();
    reporter_.status(QObject::tr("Map %1").arg(sizeText(size)).toStdString());
    return true;
}

void MapResizer::askAndResize()
{
    if (!prompts_.mapSize) return;
    const auto ws = live_.access();
    if (const std::optional<QSize> size = prompts_.mapSize(&owner_, QSize(ws->width(), ws->height()))) resize(*size);
}

} // namespace gloamery::panel
