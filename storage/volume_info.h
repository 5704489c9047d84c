#pragma once
// What a run records of the volume behind its folder.

#include <cstdint>

#include "platform/native_string.h"

namespace orvane {

struct VolumeInfo {
    NativeString root;
    NativeString label;
    NativeString filesystem;
    NativeString type;
    std::uint64_t freeBytesBefore = 0;
    std::uint64_t totalBytes = 0;
    std::uint32_t logicalSectorBytes = 0;
    std::uint64_t allocationUnitBytes = 0;
};

}  // namespace orvane
