#pragma once
// The checks a run makes before it writes anything, as pure functions.

#include <array>
#include <cstdint>
#include <string>

#include "engine/run_records.h"

namespace orvane {

inline constexpr const char* kTestSizeMessage = "Test size must be 16..3072 MiB in whole MiB.";
inline constexpr const char* kDurationOrCountMessage = "Invalid duration or small-file count.";
inline constexpr const char* kModelSizeMessage =
    "Model size must be greater than zero and at most 1000 GB.";
inline constexpr const char* kInsufficientSpaceMessage =
    "Insufficient free space: test data plus a 256 MiB safety margin is required.";
inline constexpr const char* kScratchFolderTakenMessage = "Could not create a unique test folder.";

inline constexpr const char* kScratchFolderPrefix = ".orvane-varnolt-";
// The only names a run creates inside its scratch folder.
inline constexpr const char* kTestFileName = "workload.bin";
std::string smallFileName(std::int32_t index);  // "item-7.bin"

// Throws the message of the first option out of range.
void validateRunOptions(const RunOptions& options);

// The test file, 64 KiB per small file and a 256 MiB margin; options must be valid.
std::uint64_t requiredFreeBytes(const RunOptions& options);

void requireFreeSpace(std::uint64_t freeBytes, const RunOptions& options);

// The prefix followed by the 16 bytes as 32 lowercase hexadecimal digits.
std::string scratchFolderName(const std::array<std::uint8_t, 16>& randomBytes);

}  // namespace orvane
