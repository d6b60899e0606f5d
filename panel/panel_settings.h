#pragma once
// The panel's state as settings: its controls (the text boxes as typed),
// the map size and the buttons a live run repeats; and back.

#include "settings/settings.h"

namespace gloamery::panel {

class Form1;

Settings panelSettings(const Form1& form);
// Sets the controls and the buttons last used, relighting nothing; the
// map size is not changed.
void applyPanelSettings(Form1& form, const Settings& settings);

} // namespace gloamery::panel
