#pragma once
// The failed save both platforms check: the previous report stays and no temporary is left.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "reports/atomic_save.h"
#include "tests/support/message_of.h"
#include "tests/support/temp_folder.h"

namespace orvane::testing {

using Names = std::vector<std::filesystem::path>;

inline Names folderEntries(const std::filesystem::path& folder) {
    Names names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

inline void expectSaveFailure(const std::filesystem::path& target, const std::string& text,
                              const char* message) {
    EXPECT_EQ(messageOf([&] { saveReportAtomically(target, text); }), message);
}

// A folder holding only report.json; each test makes the save over it fail.
class FailedSave : public ::testing::Test {
  protected:
    void SetUp() override { writeWholeFile(target_, "previous archive"); }
    void TearDown() override {
        EXPECT_EQ(readWholeFile(target_), "previous archive");
        EXPECT_EQ(folderEntries(folder_.path()), Names{"report.json"});
    }
    TempFolder folder_;
    const std::filesystem::path target_ = folder_.path() / "report.json";
};

}  // namespace orvane::testing
