#include "plugins.h"

#include <dlfcn.h>
#include <sys/stat.h>
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

// The directory of the shared object (or program) this code is linked
// into: a Python module and the plugins it ships sit together, away from
// the interpreter that runs them.
std::string ownDir()
{
    Dl_info self{};
    if (!::dladdr(reinterpret_cast<void*>(&ownDir), &self) || !self.dli_fname) return {};
    const std::string file = self.dli_fname;
    const std::size_t slash = file.rfind('/');
    return slash == std::string::npos ? std::string() : file.substr(0, slash);
}

} // namespace

namespace {

// A library is loaded from the program's own folder only when nobody but
// its owner (root or the user running it) could have put it there: the
// file and its folder owned by one of them and writable by no one else.
bool trusted(const std::string& path)
{
    const std::string dir = path.substr(0, path.rfind('/'));
    for (const std::string& p : {path, dir}) {
        struct stat st {};
        if (::stat(p.c_str(), &st) != 0) return false;
        if (st.st_uid != 0 && st.st_uid != ::geteuid()) return false;
        if (st.st_mode & (S_IWGRP | S_IWOTH)) return false;
    }
    return true;
}

} // namespace

void* openPlugin(const char* file, const char* override)
{
    // Named by the user, or beside the installed program; never from a
    // folder fixed at build time, where a copied program would look too.
    std::vector<std::string> places;
    if (const char* chosen = override ? std::getenv(override) : nullptr; chosen && *chosen) {
        places.push_back(chosen);
    } else {
        // Beside the object that asks, or in its plugins folder: how the
        // Python package keeps them (and a plugin finds another); else
        // beside the installed program.
        if (const std::string own = ownDir(); !own.empty()) {
            places.push_back(own + "/" + file);
            places.push_back(own + "/plugins/" + file);
        }
        if (const std::string dir = programDir(); !dir.empty())
            places.push_back(dir + "/" GLOAMERY_PLUGIN_FROM_BIN "/" + file);
        std::erase_if(places, [](const std::string& p) { return !trusted(p); });
    }
    for (const std::string& place : places)
        if (::access(place.c_str(), R_OK) == 0)
            if (void* handle = ::dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL)) return handle;
    return nullptr;
}

void* pluginSymbol(void* plugin, const char* symbol) { return plugin ? ::dlsym(plugin, symbol) : nullptr; }

} // namespace gloamery
