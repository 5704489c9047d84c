#pragma once
// The new volume name rule, shared by the dialog, the command composition and the script.

#include "engine/run_records.h"

namespace orvane {

inline constexpr std::size_t kMaxVolumeLabelChars = 11;

// 1 to 11 of A-Z a-z 0-9 blank _ -; not starting with a blank or "-", not ending with a blank.
bool isValidVolumeLabel(const NativeString& label);

}  // namespace orvane
