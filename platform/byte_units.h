#pragma once
// Binary byte units, defined once.

#include <cstdint>

namespace orvane {

inline constexpr std::uint64_t kKiB = 1024;
inline constexpr std::uint64_t kMiB = 1024 * kKiB;
inline constexpr std::uint64_t kGiB = 1024 * kMiB;

}  // namespace orvane
