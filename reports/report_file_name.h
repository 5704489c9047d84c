#pragma once
// A display name made into a file name every Windows volume accepts.

#include "engine/run_records.h"

namespace orvane {

// Without folder or extension: forbidden characters become "_", trailing dots and spaces go,
// device names (CON, COM1, ...) get a "_" in front, at most 180 UTF-16 code units.
NativeString reportFileBaseName(const NativeString& displayName);

}  // namespace orvane
