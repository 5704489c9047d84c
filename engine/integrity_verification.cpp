// Byte-for-byte check of the whole test file against the pattern, after the random writes.
#include <cstring>
#include <stdexcept>
#include <string>

#include "engine/run_context.h"
#include "engine/test_pattern.h"

namespace orvane {

void verifyTestFile(RunContext& run) {
    run.reopenTestFile();
    DiskFile& file = *run.testFile;
    const std::uint64_t count = run.testMebibytes();
    std::uint8_t* const expected = run.payload.data();
    std::uint8_t* const actual = run.readBuffer.data();

    for (std::uint64_t index = 0; index < count; ++index) {
        run.throwIfCancelled();
        tagBlocks(expected, index * kMiB, kMiB);
        file.readAt(index * kMiB, actual, kMiB);
        if (std::memcmp(expected, actual, kMiB) != 0) {
            throw std::runtime_error("Integrity mismatch at MiB " + std::to_string(index) +
                                     ". Do not rely on this drive until investigated.");
        }
        if (index % 8 == 0) {
            run.report(80 + static_cast<std::int32_t>(9 * index / count),
                       "Verifying every byte after random writes...");
        }
    }
    run.testFile.reset();
}

}  // namespace orvane
