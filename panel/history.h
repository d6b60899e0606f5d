#pragma once
// The panel's undo history: the states its pictures and controls went
// through, one a step. A state keeps each slot as the workspace keeps it (a
// SlotImage, sharing its pixels), so a slot never filled or a small picture
// repeated costs no more than it does in the workspace, and a step holds
// only the pictures it changed.
// Once the pictures held pass the memory budget the oldest states are
// dropped, but the step back from the current state always stays.
// Plain C++: the window drives it (see undo_steps.h).

#include "settings/settings.h"
#include "workspace/workspace.h"

#include <array>
#include <cstddef>
#include <deque>
#include <memory>
#include <optional>
#include <string>

namespace gloamery::panel {

struct PanelState {
    std::array<std::optional<SlotImage>, kSlotCount> pictures; // none for the height slot
    HeightSlot heights;                                              // its buffers shared, never changed
    SharedLayer layer;                                               // the relief layer, shared
    std::shared_ptr<const SplatRows> splat;                          // the last texture button's weights
    Settings settings;                    // the controls and the buttons last used
    std::string label;                    // the change that led here
};

class History {
public:
    static constexpr std::size_t kDefaultBudget = std::size_t{512} << 20;

    explicit History(std::size_t budgetBytes = kDefaultBudget) : budget_(budgetBytes) {}

    // Records the state after a change, named by label, and drops the
    // states that could have been redone. Nothing happens when nothing
    // changed since the current state; false then. Running out of memory
    // throws std::bad_alloc and leaves the history as it was.
    bool record(const Workspace& ws, const Settings& settings, std::string label);

    bool canUndo() const { return current_ > 0; }
    bool canRedo() const { return current_ + 1 < states_.size(); }
    // The change the next undo or redo takes back or makes again.
    const std::string& undoLabel() const;
    const std::string& redoLabel() const;

    // Moves one state back or forward; the state to show now, or null
    // when there is none.
    const PanelState* undo();
    const PanelState* redo();

    // Puts a state's pictures into the workspace, at their size.
    static void restore(const PanelState& state, Workspace& ws);

    // Bytes of the pixels held (SlotImage::bytes), each shared one counted once.
    std::size_t bytes() const;
    std::size_t states() const { return states_.size(); }
    std::size_t budget() const { return budget_; }
    void setBudget(std::size_t bytes);

private:
    void keepWithinBudget();

    std::size_t budget_;
    std::deque<PanelState> states_;
    std::size_t current_ = 0;
};

} // namespace gloamery::panel
