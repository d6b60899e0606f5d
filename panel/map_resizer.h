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

private:
    LiveLighting& live_;
    const Prompts& prompts_;
    QWidget& owner_;
    Reporter& reporter_;
    std::function<void()> resized_;
};

} // namespace gloamery::panel
