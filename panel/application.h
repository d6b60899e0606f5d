#pragma once
// What the program sets on the application before its first window.

namespace gloamery::panel {

// Names the application for message boxes; window titles stay exactly
// as each window sets them (a display name would be appended to them).
void setUpApplication();

} // namespace gloamery::panel
