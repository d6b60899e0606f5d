#include "vrt_sources.h"

#include <cpl_conv.h>
#include <cpl_minixml.h>
#include <cpl_string.h>
#include <gdal.h>

#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <memory>

namespace gloamery::gdal {

namespace {

std::vector<std::string>& extraFolders()
{
    static std::vector<std::string> folders;
    return folders;
}

// The canonical path, or "" when it does not resolve.
std::string canonical(const std::string& path)
{
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

bool within(const std::string& path, const std::string& folder)
{
    if (folder == "/") return true;
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/';
}

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool isVrt(const std::string& path)
{
    const char* const vrt[] = {"VRT", nullptr};
    return GDALIdentifyDriverEx(path.c_str(), GDAL_OF_RASTER, vrt, nullptr) != nullptr;
}

struct Walk {
    std::vector<std::string> roots; // canonical folders sources may lie in
    int depth = 0;
};

std::string checkFile(const std::string& path, Walk& walk);

// The name GDAL opens for a source, resolved as its VRT driver resolves
// it: relative to the mosaic's folder when it says so.
std::string sourceName(CPLXMLNode* node, const std::string& vrtFolder)
{
    const std::string name = CPLGetXMLValue(node, nullptr, "");
    const bool relative = atoi(CPLGetXMLValue(node, "relativeToVRT", "0")) != 0;
    if (relative && CPLIsFilenameRelative(name.c_str())) return vrtFolder + "/" + name;
    return name;
}

std::string checkSource(const std::string& name, Walk& walk)
{
    const std::string refused = "the mosaic's source \"" + name + "\" is refused: ";
    if (name.empty()) return refused + "it names no file";
    // Network, memory and other virtual sources, and driver strings.
    if (name.rfind("/vsi", 0) == 0 || name.find("://") != std::string::npos || name.find(":::") != std::string::npos
        || name[0] == '<')
        return refused + "a source must be a plain file";
    const std::string real = canonical(name);
    struct stat st {};
    if (real.empty() || ::stat(real.c_str(), &st) != 0) return refused + "no such file";
    if (!S_ISREG(st.st_mode)) return refused + "a source must be a plain file";
    bool allowed = false;
    for (const std::string& root : walk.roots) allowed = allowed || within(real, root);
    if (!allowed)
        return refused + "it lies outside the mosaic's folder (allow its folder with --vrt-sources FOLDER)";
    return checkFile(real, walk);
}

// Every element naming a file, anywhere in the tree, and the kinds of
// band and dataset that read files on their own terms.
std::string checkTree(CPLXMLNode* node, const std::string& vrtFolder, Walk& walk)
{
    for (; node; node = node->psNext) {
        if (node->eType != CXT_Element) continue;
        if (EQUAL(node->pszValue, "SourceFilename") || EQUAL(node->pszValue, "SourceDataset")) {
            if (std::string e = checkSource(sourceName(node, vrtFolder), walk); !e.empty()) return e;
            continue;
        }
        const char* subClass = CPLGetXMLValue(node, "subClass", nullptr);
        if (subClass && !EQUAL(subClass, "VRTSourcedRasterBand"))
            return std::string("the mosaic's ") + node->pszValue + " of kind \"" + subClass
                 + "\" is refused: only bands of plain sources are read";
        if (std::string e = checkTree(node->psChild, vrtFolder, walk); !e.empty()) return e;
    }
    return {};
}

std::string checkFile(const std::string& path, Walk& walk)
{
    if (!isVrt(path)) return {};
    if (++walk.depth > 8) return "the mosaic nests VRT files more than 8 deep";
    const std::unique_ptr<CPLXMLNode, void (*)(CPLXMLNode*)> tree(CPLParseXMLFile(path.c_str()), CPLDestroyXMLNode);
    if (!tree) return "the mosaic \"" + path + "\" is not well-formed XML";
    std::string e = checkTree(tree.get(), folderOf(path), walk);
    --walk.depth;
    return e;
}

} // namespace

void allowSourceFolders(std::vector<std::string> folders) { extraFolders() = std::move(folders); }

std::string checkMosaicSources(const std::string& path)
{
    if (!isVrt(path)) return {};
    Walk walk;
    if (const std::string own = canonical(folderOf(path)); !own.empty()) walk.roots.push_back(own);
    for (const std::string& folder : extraFolders())
        if (const std::string real = canonical(folder); !real.empty()) walk.roots.push_back(real);
    return checkFile(path, walk);
}

} // namespace gloamery::gdal
