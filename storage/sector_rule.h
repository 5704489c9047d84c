#pragma once
// Whether 4096-byte requests stay whole multiples of a device's sector.

#include <cstdint>

namespace orvane {

inline constexpr const char* kPhysicalSectorMessage =
    "Physical sector alignment is incompatible with the 4 KiB test.";

// Larger of the two physical sector sizes; 0 (unknown) is accepted.
constexpr bool physicalSectorFitsTestRequests(std::uint32_t atomicity, std::uint32_t performance) {
    const std::uint32_t larger = atomicity > performance ? atomicity : performance;
    return larger == 0 || (larger <= 4096 && 4096 % larger == 0);
}

}  // namespace orvane
