#pragma once
// Keeps the pictures the user would lose on closing: those computed,
// loaded, pasted or dropped since they were last saved (or, after an undo
// or redo, those no longer as they were when saved or at start). Closing with any
// asks Save / Discard / Cancel; "Don't ask again" turns the question off
// for good (kept in the program's settings), after which closing
// discards.

#include "live_lighting.h"
#include "prompts.h"
#include "workspace/workspace.h"

#include <functional>
#include <vector>

class QWidget;

namespace gloamery::panel {

class CloseGuard {
public:
    // save(slot) saves one picture as "Save picture..." does and tells
    // whether it was written (false: cancelled or refused).
    // live keeps the pictures watched, as they stand now taken for saved.
    CloseGuard(const Prompts& prompts, QWidget& owner, LiveLighting& live, std::function<bool(Slot)> save);

    // A picture took new content that no file holds.
    void changed(Slot slot);
    void changed(std::initializer_list<Slot> pictures);
    // A picture was written to a file.
    void saved(Slot slot);

    // An undo or redo put back pictures of an earlier or later state: each
    // is unsaved unless it is again as it was when saved (or at start).
    void recheck();

    // The unsaved pictures, in slot order.
    std::vector<Slot> unsaved() const;

    // Whether the window may close now: no unsaved picture, the question
    // turned off, Discard, or Save with every picture saved.
    bool mayClose();

    // The settings key that turns the question off.
    static QString settingsKey();
    // The name a picture goes by in the question ("Color Map").
    static QString pictureName(Slot slot);

private:
    bool asking() const;
    static std::size_t fingerprint(const Workspace& ws, Slot slot);

    const Prompts& prompts_;
    QWidget& owner_;
    LiveLighting& live_;
    std::function<bool(Slot)> save_;
    std::vector<bool> unsaved_ = std::vector<bool>(kSlotCount, false);
    std::vector<std::size_t> savedAs_ = std::vector<std::size_t>(kSlotCount, 0); // fingerprints
};

} // namespace gloamery::panel
