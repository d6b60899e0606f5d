#include "input_file.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace gloamery {

namespace {

Error systemError() { return Error{std::strerror(errno)}; }

// Waits until the pipe has bytes or its writer has gone.
Refusal awaitWriter(int fd)
{
    pollfd p{fd, POLLIN, 0};
    for (;;) {
        const int n = ::poll(&p, 1, kPipeWaitMilliseconds);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return systemError();
        if (n == 0)
            return Error{"Nothing was written to the pipe within " + std::to_string(kPipeWaitMilliseconds / 1000)
                         + " seconds."};
        return std::nullopt;
    }
}

Refusal readAll(int fd, std::int64_t maxBytes, std::vector<unsigned char>& bytes)
{
    unsigned char block[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return systemError();
        if (n == 0) return std::nullopt;
        if (static_cast<std::int64_t>(bytes.size()) + n > maxBytes) return tooLongError(maxBytes);
        bytes.insert(bytes.end(), block, block + n);
    }
}

Refusal readOpen(int fd, std::int64_t maxBytes, std::vector<unsigned char>& bytes)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0) return systemError();
    if (S_ISDIR(st.st_mode)) return Error{"It is a folder, not a file."};
    if (S_ISREG(st.st_mode)) {
        if (st.st_size > maxBytes) return tooLongError(maxBytes);
        bytes.reserve(static_cast<std::size_t>(st.st_size));
    } else if (S_ISFIFO(st.st_mode)) {
        if (Refusal r = awaitWriter(fd)) return r;
    } else {
        return Error{"It is a device, not a file: only plain files and pipes are read."};
    }
    // Opened without waiting for a writer; read waiting for the bytes.
    if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) return systemError();
    return readAll(fd, maxBytes, bytes);
}

} // namespace

Error tooLongError(std::int64_t maxBytes)
{
    return Error{"The file is larger than " + std::to_string(maxBytes / (1024 * 1024))
                 + " MiB, more than any picture that can be loaded."};
}

std::variant<std::vector<unsigned char>, Error> readInputFile(const std::string& path, std::int64_t maxBytes)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return systemError();
    std::vector<unsigned char> bytes;
    const Refusal r = readOpen(fd, maxBytes, bytes);
    ::close(fd);
    if (r) return *r;
    return bytes;
}

} // namespace gloamery
