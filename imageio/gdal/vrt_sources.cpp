#include "vrt_sources.h"

#include "../printable_text.h"

#include <cpl_conv.h>
#include <cpl_minixml.h>
#include <cpl_string.h>
#include <cpl_vsi.h>
#include <gdal.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <utility>

namespace gloamery::gdal {

namespace {

constexpr int kMaxNesting = 8;
constexpr std::size_t kMaxMosaicBytes = 16u << 20;

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

std::string heldName(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

// The file an open descriptor reads, by its one true path.
std::string pathOf(int fd)
{
    char link[PATH_MAX];
    const ssize_t n = ::readlink(heldName(fd).c_str(), link, sizeof link - 1);
    return n > 0 ? std::string(link, static_cast<std::size_t>(n)) : std::string();
}

bool isVrtFile(const std::string& name)
{
    const char* const vrt[] = {"VRT", nullptr};
    return GDALIdentifyDriverEx(name.c_str(), GDAL_OF_RASTER, vrt, nullptr) != nullptr;
}

// A mosaic of many tiles holds a descriptor for each: as many as the
// system lets this process have.
void raiseFileLimit()
{
    static std::once_flag once;
    std::call_once(once, [] {
        rlimit r{};
        if (::getrlimit(RLIMIT_NOFILE, &r) == 0 && r.rlim_cur < r.rlim_max) {
            r.rlim_cur = r.rlim_max;
            ::setrlimit(RLIMIT_NOFILE, &r);
        }
    });
}

} // namespace

bool readByName(const std::string& name)
{
    const std::string ext = CPLGetExtension(name.c_str());
    for (const char* e : {"hgt", "bil", "bip", "bsq", "flt"})
        if (EQUAL(ext.c_str(), e)) return true;
    return false;
}

std::string namedLink(CheckedMosaic& held, int fd, const std::string& path, std::string& why)
{
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/gloamery-name-XXXXXX";
    if (!::mkdtemp(folder.data())) {
        why = std::string("no scratch folder for the file's name: ") + std::strerror(errno);
        return {};
    }
    const std::size_t slash = path.rfind('/');
    const std::string link = folder + "/" + (slash == std::string::npos ? path : path.substr(slash + 1));
    if (::symlink(heldName(fd).c_str(), link.c_str()) != 0) {
        why = std::string("no link for the file's name: ") + std::strerror(errno);
        ::rmdir(folder.c_str());
        return {};
    }
    held.links.push_back(link);
    return link;
}

namespace {

using FileId = std::pair<dev_t, ino_t>;

struct Walk {
    std::vector<std::string> roots; // canonical folders sources may lie in
    std::map<FileId, std::string> given; // each file checked: the name GDAL gets for it
    std::set<FileId> open;          // mosaics being checked, to catch one naming itself
    CheckedMosaic& out;
    int depth = 0;
};

std::string refusal(const std::string& name, const std::string& why)
{
    return "the mosaic's source \"" + printable(name, 200) + "\" is refused: " + why;
}

// Names GDAL would read as something other than a file: URLs, virtual
// and memory files, inline XML, and its "DRIVER:..." prefixed forms.
bool namesAFile(const std::string& name)
{
    if (name.rfind("/vsi", 0) == 0 || name.find("://") != std::string::npos || name[0] == '<') return false;
    const std::size_t colon = name.find(':');
    if (colon == std::string::npos) return true;
    for (std::size_t i = 0; i < colon; ++i)
        if (name[i] == '/') return true; // a colon in a folder's or a file's name
    return false;
}

std::string checkFile(int fd, const FileId& id, const std::string& path, const std::string& written, Walk& walk,
                      std::string& name);

// Opens the source once and checks the file that descriptor reads.
// `name` as the mosaic writes it, `path` resolved as GDAL would.
std::string checkSource(const std::string& name, const std::string& path, Walk& walk, std::string& givenName)
{
    if (name.empty()) return refusal(name, "it names no file");
    if (!namesAFile(name)) return refusal(name, "a source must be a plain file, named as one");
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0 && (errno == EMFILE || errno == ENFILE))
        return refusal(name, "the mosaic names more files than this process may hold open");
    if (fd < 0) return refusal(name, "no such file");
    struct stat st {};
    const std::string real = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? pathOf(fd) : std::string();
    bool allowed = false;
    for (const std::string& root : walk.roots) allowed = allowed || within(real, root);
    std::string e;
    if (real.empty()) e = refusal(name, "a source must be a plain file");
    else if (!allowed)
        e = refusal(name, "it lies outside the mosaic's folder (allow its folder with --vrt-sources FOLDER)");
    const FileId id{st.st_dev, st.st_ino};
    if (e.empty() && walk.given.count(id)) {
        givenName = walk.given[id];
        ::close(fd);
        return {};
    }
    if (e.empty()) return checkFile(fd, id, real, name, walk, givenName);
    ::close(fd);
    return e;
}

// The element's text, which GDAL reads as the source's name.
CPLXMLNode* textOf(CPLXMLNode* node)
{
    for (CPLXMLNode* c = node->psChild; c; c = c->psNext)
        if (c->eType == CXT_Text) return c;
    return nullptr;
}

// The name GDAL would open for a source, resolved as its VRT driver
// resolves it: against the mosaic's real folder when it says so.
std::string sourcePath(CPLXMLNode* node, const std::string& name, const std::string& vrtFolder)
{
    const bool relative = atoi(CPLGetXMLValue(node, "relativeToVRT", "0")) != 0;
    if (relative && !name.empty() && CPLIsFilenameRelative(name.c_str())) return vrtFolder + "/" + name;
    return name;
}

// The source kinds that read their sources' pixels as they are.
bool plainSourceKind(const char* element)
{
    const std::string e = element;
    if (e.size() < 6 || e.compare(e.size() - 6, 6, "Source") != 0) return true; // not a source at all
    return e == "SimpleSource" || e == "ComplexSource" || e == "AveragedSource";
}

// Every element naming a file, anywhere in the tree, each checked and
// renamed to what GDAL is to open instead; and the kinds of band, source
// and option that read files or compute on their own terms, refused.
std::string checkTree(CPLXMLNode* node, const std::string& vrtFolder, Walk& walk)
{
    for (; node; node = node->psNext) {
        if (node->eType != CXT_Element) continue;
        if (EQUAL(node->pszValue, "SourceFilename") || EQUAL(node->pszValue, "SourceDataset")) {
            std::string given;
            const std::string name = CPLGetXMLValue(node, nullptr, "");
            if (std::string e = checkSource(name, sourcePath(node, name, vrtFolder), walk, given); !e.empty()) return e;
            CPLXMLNode* text = textOf(node);
            CPLFree(text->pszValue);
            text->pszValue = CPLStrdup(given.c_str());
            CPLSetXMLValue(node, "#relativeToVRT", "0");
            continue;
        }
        if (EQUAL(node->pszValue, "OpenOptions"))
            return "the mosaic's sources are opened with no options: its OpenOptions are refused";
        if (!plainSourceKind(node->pszValue))
            return std::string("the mosaic's ") + node->pszValue + " is refused: only plain sources are read";
        const char* subClass = CPLGetXMLValue(node, "subClass", nullptr);
        if (subClass && !EQUAL(subClass, "VRTSourcedRasterBand"))
            return std::string("the mosaic's ") + node->pszValue + " of kind \"" + printable(subClass, 100)
                 + "\" is refused: only bands of plain sources are read";
        if (std::string e = checkTree(node->psChild, vrtFolder, walk); !e.empty()) return e;
    }
    return {};
}

// The mosaic's text, read through its descriptor.
bool readAll(int fd, std::string& text)
{
    char block[65536];
    for (;;) {
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 || text.size() + static_cast<std::size_t>(n) > kMaxMosaicBytes) return false;
        if (n == 0) return true;
        text.append(block, static_cast<std::size_t>(n));
    }
}

// A checked mosaic as a memory file GDAL can open.
std::string keepCopy(CPLXMLNode* tree, CheckedMosaic& out)
{
    static std::atomic<unsigned> counter{0};
    const std::string name = "/vsimem/gloamery-mosaic-" + std::to_string(::getpid()) + "-"
                           + std::to_string(counter++) + ".vrt";
    char* text = CPLSerializeXMLTree(tree);
    const std::size_t size = std::strlen(text);
    VSIFCloseL(VSIFileFromMemBuffer(name.c_str(), reinterpret_cast<GByte*>(text), size, TRUE));
    out.copies.push_back(name);
    return name;
}

// A plain file is handed to GDAL as its descriptor; a mosaic as its
// checked copy.
std::string checkFile(int fd, const FileId& id, const std::string& path, const std::string& written, Walk& walk,
                      std::string& name)
{
    if (!isVrtFile(heldName(fd))) {
        walk.out.files.push_back(fd);
        // An SRTM tile is told and placed by its name, as the mosaic writes
        // it: it goes by a link of that name to the descriptor checked.
        std::string why;
        name = walk.given[id] = readByName(written) ? namedLink(walk.out, fd, written, why) : heldName(fd);
        return name.empty() ? refusal(path, why) : std::string{};
    }
    std::string text;
    const bool read = readAll(fd, text);
    ::close(fd);
    if (!read) return "the mosaic \"" + printable(path, 200) + "\" cannot be read whole (at most 16 MiB)";
    if (walk.open.count(id)) return "the mosaic \"" + printable(path, 200) + "\" names itself";
    if (walk.depth >= kMaxNesting) return "the mosaic nests VRT files more than 8 deep";
    const std::unique_ptr<CPLXMLNode, void (*)(CPLXMLNode*)> tree(CPLParseXMLString(text.c_str()), CPLDestroyXMLNode);
    if (!tree) return "the mosaic \"" + printable(path, 200) + "\" is not well-formed XML";
    ++walk.depth;
    walk.open.insert(id);
    std::string e = checkTree(tree.get(), folderOf(path), walk);
    walk.open.erase(id);
    --walk.depth;
    if (e.empty()) name = walk.given[id] = keepCopy(tree.get(), walk.out);
    return e;
}

} // namespace

CheckedMosaic::~CheckedMosaic()
{
    for (const std::string& copy : copies) VSIUnlink(copy.c_str());
    for (int fd : files) ::close(fd);
    for (const std::string& link : links) {
        ::unlink(link.c_str());
        ::rmdir(folderOf(link).c_str());
    }
}

void allowSourceFolders(std::vector<std::string> folders) { extraFolders() = std::move(folders); }

bool isMosaic(const std::string& path) { return isVrtFile(path); }

std::unique_ptr<CheckedMosaic> checkMosaic(const std::string& path, std::string& why)
{
    raiseFileLimit();
    auto out = std::make_unique<CheckedMosaic>();
    Walk walk{{}, {}, {}, *out, 0};
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        why = fd < 0 ? std::strerror(errno) : "the mosaic must be a plain file";
        if (fd >= 0) ::close(fd);
        return nullptr;
    }
    // Relative names are read against the folder of the file itself, as
    // GDAL reads them, even when it was reached by a symbolic link.
    const std::string real = pathOf(fd);
    walk.roots.push_back(folderOf(real));
    for (const std::string& folder : extraFolders())
        if (const std::string allowed = canonical(folder); !allowed.empty()) walk.roots.push_back(allowed);
    std::string name;
    why = checkFile(fd, {st.st_dev, st.st_ino}, real, path, walk, name);
    if (!why.empty()) return nullptr;
    out->name = name;
    return out;
}

} // namespace gloamery::gdal
