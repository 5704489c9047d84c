#include "engine/test_pattern.h"

namespace orvane {

void storeAddressTag(std::uint8_t* block, std::uint64_t tag) {
    for (int byte = 0; byte < 8; ++byte) {
        block[byte] = static_cast<std::uint8_t>(tag >> (8 * byte));
    }
}

void tagBlocks(std::uint8_t* buffer, std::uint64_t base, std::size_t size) {
    for (std::size_t offset = 0; offset < size; offset += kBlockBytes) {
        storeAddressTag(buffer + offset, base + offset);
    }
}

}  // namespace orvane
