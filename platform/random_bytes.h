#pragma once

#include <cstddef>

namespace orvane {

inline constexpr const char* kRandomFailureMessage = "Could not generate benchmark data.";

// Fills the bytes from the system's cryptographic generator.
void fillRandom(void* buffer, std::size_t size);

}  // namespace orvane
