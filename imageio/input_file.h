#pragma once
// A file read whole through one descriptor: plain files (their size from
// the file system checked first) and pipes (a FIFO, /dev/stdin, a shell's
// <(...)), which can be read only once. Folders and devices are refused,
// and so is a pipe nobody writes to, after a short wait, rather than
// waiting for ever.

#include "workspace/controls.h"

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace gloamery {

// How long a pipe may stay silent before it is refused.
constexpr int kPipeWaitMilliseconds = 5000;

// The file's bytes, or the reason: it is not a file or a pipe, cannot be
// opened or read, or holds more than maxBytes (refused unread when its
// size is known).
std::variant<std::vector<unsigned char>, Error> readInputFile(const std::string& path, std::int64_t maxBytes);

// The "larger than" reason for a file of more than maxBytes.
Error tooLongError(std::int64_t maxBytes);

} // namespace gloamery
