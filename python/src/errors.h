#pragma once
// The two kinds of failure Python sees: a bad value (ValueError, from
// std::invalid_argument) and a file that cannot be read or written
// (OSError, from FileError), or a map too large for the
// machine (MemoryError, from OutOfMemory). Messages are the batch tool's.

#include <stdexcept>
#include <string>

namespace gloamery::python {

class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// More memory than the machine has (MemoryError).
class OutOfMemory : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "\"name\"", as the batch tool quotes files and texts.
inline std::string quoted(const std::string& s) { return "\"" + s + "\""; }

} // namespace gloamery::python
