#pragma once
// What the exFAT format dialog shows and what it hands back.

#include <cstdint>

#include "engine/run_records.h"
#include "format/format_target.h"

namespace orvane {

struct FormatDialogData {
    FormatTarget target;             // read only
    std::uint32_t clusterBytes = 0;  // out: 0 for the Windows default
    NativeString label;              // in: initial name; out: the chosen name
    bool preview = false;            // sample data; nothing can be formatted
};

}  // namespace orvane
