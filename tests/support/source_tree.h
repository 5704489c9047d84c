#pragma once
// The project's source folder, fixed when the test program is built, so a test program runs the
// same inside and outside CTest.

#include <filesystem>

namespace orvane::testing {

inline std::filesystem::path sourceTree() {
    return std::filesystem::path(ORVANE_SOURCE_DIR);
}

}  // namespace orvane::testing
