#include <gtest/gtest.h>

#include "engine/run_leftovers.h"
#include "tests/support/temp_folder.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;

const std::string kScratch = ".orvane-varnolt-00112233445566778899aabbccddeeff";

TEST(RunLeftovers, NamesMustMatchExactly) {
    EXPECT_TRUE(isScratchFolderName(kScratch));
    for (const std::string bad : {".orvane-varnolt-00112233445566778899AABBCCDDEEFF",
                                  ".orvane-varnolt-00112233445566778899aabbccddeef",
                                  ".orvane-varnolt-00112233445566778899aabbccddeeff0",
                                  ".orvane-varnolt-00112233445566778899aabbccddeefg",
                                  "orvane-varnolt-00112233445566778899aabbccddeeff0"}) {
        EXPECT_FALSE(isScratchFolderName(bad)) << bad;
    }
    for (const char* good :
         {"workload.bin", "item-0.bin", "item-999.bin", "fill-00000.bin", "fill-123456.bin"})
        EXPECT_TRUE(isRunFileName(good)) << good;
    for (const char* bad :
         {"workload.bin.tmp", "item-.bin", "item-01.bin", "item-1.BIN", "item-1a.bin", "notes.txt",
          "Workload.bin", "fill-0001.bin", "fill-00001.txt"}) {
        EXPECT_FALSE(isRunFileName(bad)) << bad;
    }
}

TEST(RunLeftovers, OnlyFoldersHoldingNothingButRunFilesAreRemoved) {
    testing::TempFolder folder;
    const fs::path killed = folder.path() / kScratch;
    fs::create_directory(killed);
    testing::writeWholeFile(killed / "workload.bin", std::string(8192, 'w'));
    testing::writeWholeFile(killed / "item-3.bin", std::string(100, 's'));
    // Decoys: a user's file, a subfolder, a link, and a name that is almost the pattern.
    const fs::path withNotes = folder.path() / (kScratch.substr(0, kScratch.size() - 1) + "0");
    fs::create_directory(withNotes);
    testing::writeWholeFile(withNotes / "workload.bin", "w");
    testing::writeWholeFile(withNotes / "notes.txt", "mine");
    const fs::path withFolder = folder.path() / (kScratch.substr(0, kScratch.size() - 1) + "1");
    fs::create_directories(withFolder / "item-1.bin");
    const fs::path almost = folder.path() / (kScratch + "0");
    fs::create_directory(almost);
#ifndef _WIN32
    const fs::path withLink = folder.path() / (kScratch.substr(0, kScratch.size() - 1) + "2");
    fs::create_directory(withLink);
    fs::create_symlink(killed / "item-3.bin", withLink / "item-3.bin");
    fs::create_directory_symlink(killed,
                                 folder.path() / (kScratch.substr(0, kScratch.size() - 1) + "3"));
#endif

    const auto found = findLeftovers(folder.path());
    const auto at = [&](const fs::path& path) {
        for (const auto& leftover : found) {
            if (leftover.folder == path)
                return leftover;
        }
        ADD_FAILURE() << path << " not found";
        return Leftover{};
    };
#ifndef _WIN32
    ASSERT_EQ(found.size(), 4u);  // the linked folder is not one
    EXPECT_EQ(at(withLink).foreignEntry, "item-3.bin");
#else
    ASSERT_EQ(found.size(), 3u);
#endif
    EXPECT_EQ(at(withNotes).foreignEntry, "notes.txt");
    EXPECT_EQ(at(withFolder).foreignEntry, "item-1.bin");
    EXPECT_TRUE(at(killed).removable());
    EXPECT_EQ(at(killed).bytes, 8292u);

    for (const auto& leftover : found) {
        EXPECT_EQ(removeLeftover(leftover.folder).empty(), leftover.removable());
    }
    EXPECT_FALSE(fs::exists(killed));
    EXPECT_EQ(testing::readWholeFile(withNotes / "notes.txt"), "mine");
    EXPECT_TRUE(fs::exists(withNotes / "workload.bin"));  // nothing in it is touched
    EXPECT_TRUE(fs::is_directory(withFolder / "item-1.bin"));
    EXPECT_TRUE(fs::exists(almost));
    EXPECT_FALSE(removeLeftover(almost).empty());
}

}  // namespace
}  // namespace orvane
