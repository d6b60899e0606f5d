#include "history.h"

#include <algorithm>
#include <unordered_set>
#include <vector>

namespace gloamery::panel {

namespace {

const std::string kNone;

// Whether two slot images show the same map. Images sharing their pixels
// at the same size are copies of one another, with the same rule; others are compared through their rules, a
// row at a time, so neither is made whole.
bool sameMap(const SlotImage& a, const SlotImage& b)
{
    if (a.width() != b.width() || a.height() != b.height() || a.background() != b.background()) return false;
    if (a.sharesWith(b)) return true;
    if (a.whole() && b.whole()) return a.given() == b.given();
    const SlotView va = a.view(), vb = b.view();
    const int w = a.width();
    std::vector<Colour> sa(static_cast<std::size_t>(w)), sb(static_cast<std::size_t>(w));
    for (int y = 0; y < a.height(); ++y) {
        const Colour* ra = va.span(0, y, w, sa.data());
        if (!std::equal(ra, ra + w, vb.span(0, y, w, sb.data()))) return false;
    }
    return true;
}

// The workspace as a state: the slots showing what `previous`'s showed are
// kept as they were there, the others as the workspace keeps them, sharing
// its pixels (the workspace copies them before it writes to them).
PanelState capture(const Workspace& ws, const PanelState* previous)
{
    // Height buffers are never changed in place: a copy of the slot shares them.
    const HeightSlot& heights = ws.heights();
    PanelState s{{}, previous && previous->heights == heights ? previous->heights : heights, ws.sharedLayer(),
                 ws.splatRows(), {}, {}};
    for (int i = 0; i < kSlotCount; ++i) {
        if (static_cast<Slot>(i) == Slot::Height) continue;
        const SlotImage& now = ws.image(static_cast<Slot>(i));
        const auto& before = previous ? previous->pictures[i] : std::nullopt;
        s.pictures[i] = before && sameMap(*before, now) ? *before : now;
    }
    return s;
}

bool samePictures(const PanelState& a, const PanelState& b)
{
    for (int i = 0; i < kSlotCount; ++i) {
        const auto &pa = a.pictures[i], &pb = b.pictures[i];
        if (pa.has_value() != pb.has_value() || (pa && !pa->sharesWith(*pb))) return false;
    }
    // The splat weights change with the texture map, which tells of it.
    return a.heights.sharesWith(b.heights) && a.layer == b.layer;
}

} // namespace

bool History::record(const Workspace& ws, const Settings& settings, std::string label)
{
    const PanelState* current = states_.empty() ? nullptr : &states_[current_];
    PanelState next = capture(ws, current);
    next.settings = settings;
    if (current && samePictures(next, *current) && next.settings == current->settings) return false;
    next.label = std::move(label);
    if (!states_.empty()) states_.erase(states_.begin() + static_cast<std::ptrdiff_t>(current_) + 1, states_.end());
    states_.push_back(std::move(next));
    current_ = states_.size() - 1;
    keepWithinBudget();
    return true;
}

const std::string& History::undoLabel() const { return canUndo() ? states_[current_].label : kNone; }
const std::string& History::redoLabel() const { return canRedo() ? states_[current_ + 1].label : kNone; }

const PanelState* History::undo()
{
    if (!canUndo()) return nullptr;
    return &states_[--current_];
}

const PanelState* History::redo()
{
    if (!canRedo()) return nullptr;
    return &states_[++current_];
}

void History::restore(const PanelState& state, Workspace& ws)
{
    const HeightSlot& heights = state.heights;
    if (ws.width() != heights.width() || ws.height() != heights.height())
        ws = Workspace(heights.width(), heights.height());
    for (int i = 0; i < kSlotCount; ++i)
        if (state.pictures[i]) ws.setImage(static_cast<Slot>(i), *state.pictures[i]); // shares, copies nothing
    ws.setHeights(heights);
    ws.setLayer(state.layer);
    ws.setSplatRows(state.splat);
}

std::size_t History::bytes() const
{
    std::unordered_set<const void*> seen;
    std::size_t total = 0;
    for (const PanelState& s : states_) {
        for (const auto& p : s.pictures)
            if (p && seen.insert(&p->given()).second) total += p->bytes();
        if (seen.insert(s.heights.buffer()).second) total += s.heights.bytes();
        if (s.layer && seen.insert(s.layer.get()).second) total += s.layer->values.size() * sizeof(double);
    }
    return total;
}

void History::setBudget(std::size_t bytes)
{
    budget_ = bytes;
    keepWithinBudget();
}

// Oldest first, never the current state or the one before it.
void History::keepWithinBudget()
{
    while (current_ >= 2 && bytes() > budget_) {
        states_.pop_front();
        --current_;
    }
}

} // namespace gloamery::panel
