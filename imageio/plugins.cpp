#include "plugins.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace gloamery {

namespace {

// The running program's directory, from the kernel rather than argv[0],
// which may be a bare name found on PATH.
std::string programDir()
{
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return {};
    const std::string exe(path, static_cast<std::size_t>(n));
    return exe.substr(0, exe.rfind('/'));
}

} // namespace

void* openPlugin(const char* file, const char* override)
{
    std::vector<std::string> places;
    if (const char* chosen = override ? std::getenv(override) : nullptr; chosen && *chosen) {
        places.push_back(chosen);
    } else {
        if (const std::string dir = programDir(); !dir.empty())
            places.push_back(dir + "/" GLOAMERY_PLUGIN_FROM_BIN "/" + file);
        places.push_back(std::string(GLOAMERY_PLUGIN_BUILD_DIR "/") + file);
    }
    for (const std::string& place : places)
        if (::access(place.c_str(), R_OK) == 0)
            if (void* handle = ::dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL)) return handle;
    return nullptr;
}

void* pluginSymbol(void* plugin, const char* symbol) { return plugin ? ::dlsym(plugin, symbol) : nullptr; }

} // namespace gloamery
