#pragma once
// One small file written durably: create-new, write, flush to the device, close.

#include <cstddef>
#include <filesystem>
#include <functional>

namespace orvane {

inline constexpr const char* kShortSmallFileWriteMessage = "Short small-file write.";

// created runs after the file exists and before any data is written (the run records the path
// for cleanup). If it throws, the file is deleted and the same exception continues.
void writeSmallFile(const std::filesystem::path& path, const void* buffer, std::size_t size,
                    const std::function<void()>& created);

}  // namespace orvane
