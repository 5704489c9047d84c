#include "engine/run_option_rules.h"
#include "engine/model_size_range.h"
#include "platform/byte_units.h"

#include <cmath>
#include <stdexcept>

namespace orvane {

namespace {

constexpr std::uint64_t kSmallFileReserve = 65536;
constexpr std::uint64_t kMarginUnits = 4096;  // 4096 × 64 KiB = 256 MiB

}  // namespace

void validateRunOptions(const RunOptions& options) {
    const std::uint64_t bytes = options.testBytes;
    if (bytes < 16 * kMiB || bytes > 3072 * kMiB || bytes % kMiB != 0) {
        throw std::runtime_error(kTestSizeMessage);
    }
    const double seconds = options.randomSecondsPerPhase;
    if (!std::isfinite(seconds) || seconds < 0.1 || seconds > 60.0 || options.smallFiles < 1 ||
        options.smallFiles > 1000) {
        throw std::runtime_error(kDurationOrCountMessage);
    }
    const double model = options.modelGB;
    if (!isRunModelSize(model)) {
        throw std::runtime_error(kModelSizeMessage);
    }
}

std::uint64_t requiredFreeBytes(const RunOptions& options) {
    const auto smallFiles = static_cast<std::uint64_t>(options.smallFiles);
    return options.testBytes + kSmallFileReserve * (smallFiles + kMarginUnits);
}

void requireFreeSpace(std::uint64_t freeBytes, const RunOptions& options) {
    if (freeBytes < requiredFreeBytes(options))
        throw std::runtime_error(kInsufficientSpaceMessage);
}

std::string scratchFolderName(const std::array<std::uint8_t, 16>& randomBytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string name = kScratchFolderPrefix;
    for (const std::uint8_t byte : randomBytes) {
        name += kDigits[byte >> 4];
        name += kDigits[byte & 0x0f];
    }
    return name;
}

std::string smallFileName(std::int32_t index) {
    return "item-" + std::to_string(index) + ".bin";
}

}  // namespace orvane
