#pragma once

#include <cstdint>
#include <string>

namespace orvane {

// "%Y-%m-%dT%H:%M:%SZ" for whole seconds since 1970-01-01 UTC; no time-zone state involved.
std::string formatUtcTimestamp(std::int64_t secondsSinceEpoch);

}  // namespace orvane
