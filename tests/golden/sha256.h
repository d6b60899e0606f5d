#pragma once
// A plain SHA-256 (FIPS 180-4), enough to fingerprint computed pictures.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace gloamery::testing {

class Sha256 {
public:
    Sha256();
    void add(const void* data, std::size_t size);
    // The digest as 64 lowercase hex digits; the object is spent after it.
    std::string hex();

private:
    void block(const std::uint8_t* p);

    std::array<std::uint32_t, 8> h_;
    std::array<std::uint8_t, 64> buf_{};
    std::size_t used_ = 0;
    std::uint64_t total_ = 0;
};

} // namespace gloamery::testing
