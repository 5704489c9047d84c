#pragma once
// Little-endian fields written into a byte image: raw query answers and disk images.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orvane::testing {

using Bytes = std::vector<std::uint8_t>;

// Writes the low `width` bytes of value at `at`, least significant first.
inline void putLe(Bytes& bytes, std::size_t at, std::uint64_t value, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}
inline void put32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    putLe(bytes, at, value, 4);
}
inline void put64(Bytes& bytes, std::size_t at, std::uint64_t value) {
    putLe(bytes, at, value, 8);
}

}  // namespace orvane::testing
