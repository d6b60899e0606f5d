#include "history.h"

#include <unordered_set>

namespace gloamery::panel {

namespace {

const std::string kNone;

std::size_t pictureBytes(const Picture& p)
{
    return static_cast<std::size_t>(p.width()) * static_cast<std::size_t>(p.height()) * sizeof(Colour);
}

// The workspace as a state: the pictures equal to `previous`'s are shared
// with it, the others copied.
PanelState capture(const Workspace& ws, const PanelState* previous)
{
    // Height buffers are never changed in place: a copy of the slot shares them.
    const HeightSlot& heights = ws.heights();
    PanelState s{{}, previous && previous->heights == heights ? previous->heights : heights, {}, {}};
    for (int i = 0; i < kSlotCount; ++i) {
        if (static_cast<Slot>(i) == Slot::Height) continue;
        const Picture& now = ws.picture(static_cast<Slot>(i));
        const auto& before = previous ? previous->pictures[i] : nullptr;
        s.pictures[i] = before && *before == now ? before : std::make_shared<const Picture>(now);
    }
    return s;
}

bool samePictures(const PanelState& a, const PanelState& b) { return a.pictures == b.pictures && a.heights.sharesWith(b.heights); }

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
        if (state.pictures[i]) ws.picture(static_cast<Slot>(i)) = *state.pictures[i];
    ws.setHeights(heights);
}

std::size_t History::bytes() const
{
    std::unordered_set<const void*> seen;
    std::size_t total = 0;
    for (const PanelState& s : states_) {
        for (const auto& p : s.pictures)
            if (p && seen.insert(p.get()).second) total += pictureBytes(*p);
        if (seen.insert(s.heights.buffer()).second) total += s.heights.bytes();
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
