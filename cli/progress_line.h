#pragma once
// The terminal's one-line view of a running benchmark, redrawn in place.

#include <string>

namespace orvane {

// "[ 42%] Reading model-sized data (uncached)...  0:12 elapsed, about 0:17 left"; no estimate
// before the first percent or the first second.
std::string progressLineText(int percent, const std::string& phase, double elapsedSeconds);

// "0:07", "12:30", "1:02:03".
std::string clockText(double seconds);

}  // namespace orvane
