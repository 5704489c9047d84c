#pragma once
// The project's source folder, fixed when the test program is built, so a test program runs the
// same inside and outside CTest.

#include <filesystem>

#ifndef ORVANE_SOURCE_DIR
#error "test programs are built with ORVANE_SOURCE_DIR"
#endif

namespace orvane::testing {

inline std::filesystem::path sourceTree() {
    return std::filesystem::path(ORVANE_SOURCE_DIR);
}

}  // namespace orvane::testing
