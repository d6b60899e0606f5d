#pragma once
// Finding and loading the program's plugins (shared objects in
// lib/gloamery beside the installed programs, or in the build tree).

#include <string>

namespace gloamery {

// dlopen()s the first of: the file named by the environment variable
// `override` when set; lib/gloamery/<file> relative to the running
// program; the build tree's copy. Kept loaded for the program's life;
// null when none loads.
void* openPlugin(const char* file, const char* override);

// The address of `symbol` in a plugin opened above.
void* pluginSymbol(void* plugin, const char* symbol);

} // namespace gloamery
