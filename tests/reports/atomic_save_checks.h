#pragma once
// Checks shared by the atomic save tests of both platforms.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "reports/atomic_save.h"

namespace orvane::testing {

// Names of the entries of a folder, sorted.
inline std::vector<std::filesystem::path> folderEntries(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

// The save must throw exactly this message.
inline void expectSaveFailure(const std::filesystem::path& target, const std::string& text,
                              const char* message) {
    try {
        saveReportAtomically(target, text);
        ADD_FAILURE() << "saved " << target;
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), message);
    }
}

}  // namespace orvane::testing
