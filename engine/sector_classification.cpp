#include "engine/sector_classification.h"

#include <cstring>

namespace orvane {

namespace {

void storeLittleEndian(std::uint8_t* bytes, std::uint64_t value) {
    for (int byte = 0; byte < 8; ++byte)
        bytes[byte] = static_cast<std::uint8_t>(value >> (8 * byte));
}

std::uint64_t loadLittleEndian(const std::uint8_t* bytes) {
    std::uint64_t value = 0;
    for (int byte = 7; byte >= 0; --byte)
        value = (value << 8) | bytes[byte];
    return value;
}

bool sameBody(const std::uint8_t* sector, const std::uint8_t* pattern) {
    return std::memcmp(sector + kSectorStampBytes, pattern + kSectorStampBytes,
                       kSectorBytes - kSectorStampBytes) == 0;
}

}  // namespace

void stampSectors(std::uint8_t* buffer, std::uint64_t seed, std::uint64_t base, std::size_t size) {
    for (std::size_t offset = 0; offset < size; offset += kSectorBytes) {
        storeLittleEndian(buffer + offset, seed);
        storeLittleEndian(buffer + offset + 8, base + offset);
    }
}

SectorState classifySector(const std::uint8_t* sector, const std::uint8_t* pattern,
                           std::uint64_t seed, std::uint64_t position, std::uint64_t fillBytes) {
    const std::uint64_t storedSeed = loadLittleEndian(sector);
    const std::uint64_t storedPosition = loadLittleEndian(sector + 8);
    if (storedSeed != seed) {
        // A damaged seed over an otherwise perfect sector is a change, not someone else's data.
        return storedPosition == position && sameBody(sector, pattern) ? SectorState::kChanged
                                                                       : SectorState::kForeign;
    }
    if (storedPosition == position)
        return sameBody(sector, pattern) ? SectorState::kIntact : SectorState::kChanged;
    const bool anotherSector = storedPosition % kSectorBytes == 0 && storedPosition < fillBytes;
    return anotherSector ? SectorState::kWrapped : SectorState::kChanged;
}

}  // namespace orvane
