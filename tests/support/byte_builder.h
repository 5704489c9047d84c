#pragma once
// Little-endian fields written into a byte image: raw query answers and disk images.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "format/format_target.h"

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
// A GUID as Windows lays it out: three little-endian fields, then eight bytes as they are.
inline void putGuid(Bytes& bytes, std::size_t at, const Guid& guid) {
    put32(bytes, at, guid.data1);
    putLe(bytes, at + 4, guid.data2, 2);
    putLe(bytes, at + 6, guid.data3, 2);
    std::copy(guid.data4.begin(), guid.data4.end(),
              bytes.begin() + static_cast<std::ptrdiff_t>(at + 8));
}

}  // namespace orvane::testing
