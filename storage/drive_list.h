#pragma once
// The drives a benchmark can be offered on: local fixed and removable volumes that pass target
// inspection, in the system's order.

#include <vector>

#include "platform/native_string.h"

namespace orvane {

struct DriveEntry {
    NativeString root;  // "E:\"
    NativeString label;
    bool removable = false;
};

// Drives that cannot be inspected are left out rather than reported.
std::vector<DriveEntry> listTestableDrives();

}  // namespace orvane
