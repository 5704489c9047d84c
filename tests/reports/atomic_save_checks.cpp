#include "tests/reports/atomic_save_checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "reports/atomic_save.h"

namespace orvane::testing {

std::vector<std::filesystem::path> folderEntries(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename());
    }
    std::sort(names.begin(), names.end());
    return names;
}

void expectSaveFailure(const std::filesystem::path& target, const std::string& text,
                       const char* message) {
    try {
        saveReportAtomically(target, text);
        ADD_FAILURE() << "saved " << target;
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), message);
    }
}

}  // namespace orvane::testing
