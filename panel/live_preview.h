#pragma once
// The quick picture a live relight of a large map shows while the sun is
// being dragged: the map sampled down to at most `side` pixels a side (the
// heights at their depth and the texture map, each pixel the mean of the
// block it covers), relit there with the sun and the decay scaled to match.
//
// A preview lives in a workspace of its own and is only ever shown in the
// cells: the workspace's pictures hold exact results alone, since saving,
// copying, the 3D view and the next shadow button (which draws over the
// shadow map) all read them. Once the pointer rests or is released, the
// full map is relit exactly.

#include "inputs/shadow_inputs.h"
#include "inputs/controls.h"
#include "workspace/workspace.h"

#include <QSize>

#include <optional>

namespace gloamery::panel {

class LivePreview {
public:
    // The longest side a preview is relit at: about a cell's worth of
    // detail several times over, and quick enough for every move.
    static constexpr int kSide = 1024;

    // Whether a w x h map is previewed rather than relit on every move.
    static bool wanted(int w, int h, int side) { return w > side || h > side; }

    // The size a w x h map is sampled down to.
    static QSize sampledSize(int w, int h, int side);

    // Samples the workspace afresh on the next relight.
    void drop() { sample_.reset(); }

    // Relights the sample of `ws` (taken now when there is none, or it is
    // of another map size) as a shadow button would the workspace after
    // "Clear", with the values read from the controls (the merge takes
    // their blur and blend). Refuses as that button would.
    Refusal relight(const Workspace& ws, int side, const ShadowParams& params, const Controls& c, ShadowMode mode);

    // The preview's pictures after relight().
    const Picture& colour() const { return sample_->picture(Slot::Colour); }
    const Picture& shadow() const { return sample_->picture(Slot::Shadow); }

private:
    void take(const Workspace& ws, QSize size);

    std::optional<Workspace> sample_;
    QSize from_; // the size of the map sampled
};

} // namespace gloamery::panel
