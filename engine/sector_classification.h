#pragma once
// The full check's sector stamp and what a sector read back turns out to be.

#include <cstddef>
#include <cstdint>

namespace orvane {

inline constexpr std::uint32_t kSectorBytes = 4096;
// Seed (bytes 0..7) and position (bytes 8..15), little-endian; the rest is the pattern's body.
inline constexpr std::uint32_t kSectorStampBytes = 16;

enum class SectorState {
    kIntact,   // this run's seed, this position, the pattern's body
    kWrapped,  // this run's seed, another position of the fill: remapped or wrapped
    kForeign,  // another seed: never written here, or the write was dropped
    kChanged,  // this run's sector with some bytes altered
};

// Stamps every 4 KiB sector of buffer with seed and base + its offset; size is whole sectors.
void stampSectors(std::uint8_t* buffer, std::uint64_t seed, std::uint64_t base, std::size_t size);

// sector is what was read at position; pattern is the pattern's sector for that position (its
// stamp is ignored); fillBytes bounds the positions this run wrote.
SectorState classifySector(const std::uint8_t* sector, const std::uint8_t* pattern,
                           std::uint64_t seed, std::uint64_t position, std::uint64_t fillBytes);

}  // namespace orvane
