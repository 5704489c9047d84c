#pragma once
// Platform step before the sequential write of a freshly created test file.

#include <cstdint>

namespace orvane {

class DiskFile;

// Does whatever this platform needs so that the write of size bytes bypasses the cache.
void prepareSequentialWrite(DiskFile& file, std::uint64_t size);

}  // namespace orvane
