#pragma once
// Changes the map's size from the panel, exactly as the batch tool's
// --size does: input pictures repeat from the top-left, computed ones
// start afresh. A size the machine cannot hold is refused and the map
// stays as it was.

#include "live_lighting.h"
#include "prompts.h"
#include "workspace/reporter.h"
#include "workspace/workspace.h"

#include <functional>
#include <optional>

class QWidget;

namespace gloamery::panel {

class MapResizer {
public:
    // resized() is called after the map took its new size.
    MapResizer(LiveLighting& live, const Prompts& prompts, QWidget& owner, Reporter& reporter,
               std::function<void()> resized);

    // True when the map now has that size; else the user has been told why.
    bool resize(QSize size);

    // The "Map size..." command: asks, then resizes.
    void askAndResize();

    // True when the heights were resampled to that size as the batch
    // tool's --fit does (the other slots as resize makes them); else the
    // user has been told why.
    bool fit(QSize size);
    // "Fit to engine size...": asks, offering the engine size (2^n + 1 a
    // side) nearest the map's, then fits.
    std::optional<QSize> askAndFit();

private:
    // Whether the machine can hold a map of that size; else says why.
    bool roomFor(QSize size);
    // Applies change to a copy of the workspace and keeps it; refusals and
    // running out of memory ("Cannot <failing> <size>: ...") leave the map
    // as it was. done is the status after, with the size for %1.
    bool remake(QSize size, const QString& failing, const QString& done,
                const std::function<Refusal(Workspace&)>& change);

    LiveLighting& live_;
    const Prompts& prompts_;
    QWidget& owner_;
    Reporter& reporter_;
    std::function<void()> resized_;
};

} // namespace gloamery::panel
