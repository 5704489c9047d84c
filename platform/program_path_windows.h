#pragma once
// The full path of the running program.

#include <optional>

#include "platform/native_string.h"

namespace orvane {

// Nothing when the system cannot give it whole.
std::optional<NativeString> programFilePath();

}  // namespace orvane
