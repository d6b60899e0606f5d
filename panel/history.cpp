#include "history.h"

#include <unordered_set>

namespace gloamery::panel {

namespace {

const std::string kNone;

std::size_t pictureBytes(const Picture& p)
{
    return static_cast<std::size_t>(p.width()) * static_cast<std::size_t>(p.height()) * sizeof(Colour);
}

std::size_t gridBytes(const DeepGrid& g)
{
    return static_cast<std::size_t>(g.stride()) * static_cast<std::size_t>(g.rows()) * sizeof(std::uint16_t);
}

// The workspace as a state: the pictures equal to `previous`'s are shared
// with it, the others copied.
PanelState capture(const Workspace& ws, const PanelState* previous)
{
    PanelState s;
    for (int i = 0; i < kSlotCount; ++i) {
        const Picture& now = ws.picture(static_cast<Slot>(i));
        const auto& before = previous ? previous->pictures[i] : nullptr;
        s.pictures[i] = before && *before == now ? before : std::make_shared<const Picture>(now);
    }
    // Deep samples are never changed in place: the same grid is the same samples.
    if (heightsAreDeep(ws)) s.deep = ws.deepGrid();
    return s;
}

bool samePictures(const PanelState& a, const PanelState& b) { return a.pictures == b.pictures && a.deep == b.deep; }

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
    const Picture& heights = *state.pictures[static_cast<int>(Slot::Height)];
    if (ws.width() != heights.width() || ws.height() != heights.height())
        ws = Workspace(heights.width(), heights.height());
    for (int i = 0; i < kSlotCount; ++i) ws.picture(static_cast<Slot>(i)) = *state.pictures[i];
    if (state.deep) ws.restoreDeepGrid(state.deep);
    else ws.clearDeepHeights();
}

std::size_t History::bytes() const
{
    std::unordered_set<const void*> seen;
    std::size_t total = 0;
    for (const PanelState& s : states_) {
        for (const auto& p : s.pictures)
            if (seen.insert(p.get()).second) total += pictureBytes(*p);
        if (s.deep && seen.insert(s.deep.get()).second) total += gridBytes(*s.deep);
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
