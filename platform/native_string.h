#pragma once
// The platform's own string for paths and volume texts.

#include <filesystem>

namespace orvane {

// Volume texts are the platform's native strings: UTF-16 on Windows, UTF-8 on Linux.
using NativeString = std::filesystem::path::string_type;

}  // namespace orvane
