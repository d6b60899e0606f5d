// Saves that never damage what they replace (native_io.h): a plain file
// is written beside itself and renamed over; a symbolic link's target is
// saved that way and the link kept; a pipe or a device is written straight
// to, as nothing can be put in its place.

#include "native_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace gloamery {

namespace {

Error errorOf(int code) { return Error{std::strerror(code)}; }

bool writeAll(int fd, const char* p, std::size_t n)
{
    while (n > 0) {
        const ssize_t k = ::write(fd, p, n);
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) return false;
        p += k;
        n -= static_cast<std::size_t>(k);
    }
    return true;
}

// Runs the producer into fd; 0, or the error number of what failed.
int produceInto(int fd, const std::function<bool(const ByteSink&)>& produce)
{
    int saved = 0;
    const bool ok = produce([&](std::string_view piece) {
        if (writeAll(fd, piece.data(), piece.size())) return true;
        saved = errno != 0 ? errno : EIO;
        return false;
    });
    // A producer that stopped on its own (out of memory) leaves errno as is.
    if (!ok) return saved != 0 ? saved : ENOMEM;
    return 0;
}

// The file a name finally stands for: the target of its symbolic links,
// which need not exist yet.
std::string finalTarget(const std::string& path)
{
    std::string name = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(name.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return name;
        char link[PATH_MAX];
        const ssize_t n = ::readlink(name.c_str(), link, sizeof link - 1);
        if (n <= 0) return name;
        const std::string to(link, static_cast<std::size_t>(n));
        const std::size_t slash = name.rfind('/');
        name = to[0] == '/' || slash == std::string::npos ? to : name.substr(0, slash + 1) + to;
    }
    return name;
}

// A pipe or a device takes the bytes as they come; its reader or driver
// says whether they all arrived.
Refusal writeToSpecial(const std::string& path, const std::function<bool(const ByteSink&)>& produce)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENXIO) return Error{"no program is reading from the pipe"};
        return errorOf(errno);
    }
    int code = 0;
    if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) code = errno;
    if (code == 0) code = produceInto(fd, produce);
    if (::close(fd) != 0 && code == 0) code = errno;
    return code == 0 ? std::nullopt : Refusal(errorOf(code));
}

// The temporary files of one saved name: "." + its first bytes (so the
// temporary name stays within the system's limit on a name) + ".part".
struct TempName {
    std::string dir;  // "" or ending in '/'
    std::string stem; // "." + the name's first bytes
    std::string part() const { return dir + stem + ".part"; }
};

// `reserve` bytes more are kept free for the names of scratch files a
// writer makes from the temporary name.
TempName tempNameOf(const std::string& path, std::size_t reserve = 0)
{
    const std::size_t slash = path.rfind('/');
    TempName t;
    t.dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    t.stem = "." + name.substr(0, NAME_MAX - 8 - reserve);
    return t;
}

// The temporary file, locked for this save: the name a save of this file
// always uses (so that a save killed half-way leaves at most that one,
// which the next save takes over), or a fresh one while another process
// holds that. -1 with errno on failure.
int openTemp(const TempName& t, std::string& name)
{
    for (int attempt = 0; attempt < 4; ++attempt) {
        name = t.part();
        const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
        if (fd < 0) break; // something else is in the way: take a fresh name
        struct stat held {}, named {};
        const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &held) == 0;
        // Another save renamed it away after this one opened it: try again.
        const bool moved = locked && (::lstat(name.c_str(), &named) != 0 || named.st_ino != held.st_ino
                                      || named.st_dev != held.st_dev);
        // Nothing but a temporary file of ours, not being written.
        const bool mine = locked && !moved && S_ISREG(held.st_mode) && held.st_uid == ::geteuid() && held.st_nlink == 1;
        if (mine && ::ftruncate(fd, 0) == 0) return fd;
        ::close(fd);
        if (!moved) break; // being written, or not ours: take a fresh name
    }
    name = t.dir + t.stem + ".XXXXXX";
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0) ::flock(fd, LOCK_EX | LOCK_NB);
    return fd;
}

mode_t modeFor(const std::string& path)
{
    // A new file is private until its mode is set: that of the file it
    // replaces, or of an ordinary new file.
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0) return old.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

Refusal replaceAtomically(const std::string& path, const std::function<bool(const ByteSink&)>& produce)
{
    std::string temp;
    const int fd = openTemp(tempNameOf(path), temp);
    if (fd < 0) return errorOf(errno);
    int code = ::fchmod(fd, modeFor(path)) == 0 ? 0 : errno;
    if (code == 0) code = produceInto(fd, produce);
    // The lock stays with the copy until the rename is done, so no other
    // save takes the name over in between; the close, which may report a
    // late write error, comes before it.
    const int lock = ::dup(fd);
    if (::close(fd) != 0 && code == 0) code = errno;
    if (code == 0 && ::rename(temp.c_str(), path.c_str()) != 0) code = errno;
    if (code != 0) ::unlink(temp.c_str());
    if (lock >= 0) ::close(lock);
    return code == 0 ? std::nullopt : Refusal(errorOf(code));
}

// The same for a writer that writes to a name: the temporary file is made
// and locked here and the writer writes over it by name.
Refusal replaceByName(const std::string& path, const NamedWriter& write, const std::string& scratch)
{
    std::string temp;
    const int fd = openTemp(tempNameOf(path, scratch.size()), temp);
    if (fd < 0) return errorOf(errno);
    Refusal r = ::fchmod(fd, modeFor(path)) == 0 ? std::nullopt : Refusal(errorOf(errno));
    if (!r) r = write(temp);
    // What the writer kept beside its file goes, whether it finished or not.
    if (!scratch.empty()) ::unlink((temp + scratch).c_str());
    if (!r && ::rename(temp.c_str(), path.c_str()) != 0) r = errorOf(errno);
    if (r) ::unlink(temp.c_str());
    ::close(fd);
    return r;
}

} // namespace

Refusal writeNamedFileAtomically(const std::string& path, const NamedWriter& write, const std::string& scratch)
{
    const std::string target = finalTarget(path);
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        if (S_ISDIR(st.st_mode)) return Error{"It is a folder."};
        return Error{"This format is written out of order, which a pipe or a device cannot take "
                     "(PNG and BMP files can be written into one)."};
    }
    return replaceByName(target, write, scratch);
}

Refusal writeFileAtomically(const std::string& path, const std::vector<unsigned char>& bytes)
{
    return writeFileAtomically(path, [&](const ByteSink& put) {
        return put(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    });
}

Refusal writeFileAtomically(const std::string& path, const std::function<bool(const ByteSink&)>& produce)
{
    const std::string target = finalTarget(path);
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        if (S_ISDIR(st.st_mode)) return Error{"It is a folder."};
        return writeToSpecial(target, produce);
    }
    return replaceAtomically(target, produce);
}

} // namespace gloamery
