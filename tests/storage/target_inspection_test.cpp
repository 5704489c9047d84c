#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/text_encoding.h"
#include "storage/target_inspection.h"
#include "storage/target_rules.h"
#include "tests/support/temp_folder.h"

namespace orvane {
namespace {

std::string refusalOf(const std::filesystem::path& folder) {
    try {
        inspectTarget(folder);
    } catch (const std::exception& error) {
        return error.what();
    }
    return "accepted";
}

TEST(TargetInspection, MissingFoldersAndFilesAreRefusedWithoutCreatingAnything) {
    testing::TempFolder folder;
    EXPECT_EQ(refusalOf(folder.path() / "missing"), kChooseExistingFolderMessage);
    EXPECT_EQ(refusalOf(folder.path() / "missing" / "deeper"), kChooseExistingFolderMessage);
    testing::writeWholeFile(folder.path() / "file.txt", "x");
    EXPECT_EQ(refusalOf(folder.path() / "file.txt"), kChooseExistingFolderMessage);
    EXPECT_EQ(refusalOf(folder.path() / "file.txt" / "below"), kChooseExistingFolderMessage);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "missing"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

TEST(TargetInspection, RealFolderComesBackWithItsVolumeFacts) {
    testing::TempFolder folder;
    VolumeInfo info;
    try {
        info = inspectTarget(folder.path());
    } catch (const std::exception& error) {
        GTEST_SKIP() << "the temporary folder is not benchmarkable here: " << error.what();
    }
    EXPECT_FALSE(info.root.empty());
    EXPECT_FALSE(info.filesystem.empty());
    const std::string type = toUtf8(info.type);
    EXPECT_TRUE(type == "Removable" || type == "Fixed (may be USB/external)") << type;
    EXPECT_GT(info.totalBytes, 0u);
    EXPECT_LE(info.freeBytesBefore, info.totalBytes);
    EXPECT_GT(info.logicalSectorBytes, 0u);
    EXPECT_EQ(4096 % info.logicalSectorBytes, 0u);
    EXPECT_GE(info.allocationUnitBytes, info.logicalSectorBytes);
    EXPECT_EQ(info.allocationUnitBytes % info.logicalSectorBytes, 0u);

    // A relative path is made absolute first and reaches the same volume.
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    const VolumeInfo relative = inspectTarget(".");
    std::filesystem::current_path(previous);
    EXPECT_EQ(relative.root, info.root);
}

}  // namespace
}  // namespace orvane
