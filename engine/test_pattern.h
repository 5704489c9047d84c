#pragma once
// The data every run writes: one random MiB whose 4 KiB blocks carry their own address.

#include <cstddef>
#include <cstdint>

#include "platform/byte_units.h"

namespace orvane {

inline constexpr std::uint32_t kBlockBytes = 4096;
inline constexpr std::uint32_t kSmallFileBytes = 16384;

// Stores tag as an unsigned 64-bit little-endian number in the first eight bytes of block.
void storeAddressTag(std::uint8_t* block, std::uint64_t tag);

// Tags block j of the buffer with base + j × 4096, for ceil(size / 4096) blocks.
void tagBlocks(std::uint8_t* buffer, std::uint64_t base, std::size_t size);

}  // namespace orvane
