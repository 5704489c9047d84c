#include "storage/sequential_write_preparation.h"

namespace orvane {

// Unbuffered write-through handles honour extending writes; nothing to prepare.
void prepareSequentialWrite(DiskFile&, std::uint64_t) {}

}  // namespace orvane
