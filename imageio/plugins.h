#pragma once
// Finding and loading the program's plugins: shared objects in
// lib/gloamery beside the installed programs (bin/../lib/gloamery; the
// build tree has the same layout), or named by an environment variable.

#include <string>

namespace gloamery {

// dlopen()s the file named by the environment variable `override` when
// set; else the first of <file> or plugins/<file> beside the shared object
// (or program) that holds this code and lib/gloamery/<file> relative to
// the running program, each only when it and its folder are owned by root
// or the user and writable by no one else. Never a folder fixed at build
// time. Kept loaded for the program's life; null when none loads.
void* openPlugin(const char* file, const char* override);

// The address of `symbol` in a plugin opened above.
void* pluginSymbol(void* plugin, const char* symbol);

} // namespace gloamery
