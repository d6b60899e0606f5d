#pragma once
// The open dialog's filter for a slot: its first entry lists every kind of
// file the program reads into that slot, the toolkit's picture formats and
// the height formats alike, so nothing readable is hidden at first.

#include "workspace/workspace.h"

#include <QString>
#include <QStringList>

namespace gloamery::panel {

// The extensions, lower case and without the dot, of the files read into
// the slot: the toolkit's picture formats, then the height files.
QStringList openExtensions(Slot slot);

QString openFilter(Slot slot);

} // namespace gloamery::panel
