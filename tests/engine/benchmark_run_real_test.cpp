// A short real run through the platform's own file on a folder of this machine.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/benchmark_run.h"
#include "storage/target_inspection.h"
#include "tests/support/folder_snapshot.h"
#include "tests/support/temp_folder.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;

TEST(BenchmarkRunReal, ASmallRunCompletesAndLeavesTheUsersFilesAsTheyWere) {
    // The build folder: the system's temporary folder may be RAM-backed, which is refused.
    testing::TempFolder target(fs::current_path());
    try {
        inspectTarget(target.path());
    } catch (const std::exception& refusal) {
        GTEST_SKIP() << "this folder cannot be benchmarked here: " << refusal.what();
    }
    testing::writeWholeFile(target.path() / "model.safetensors", std::string(300000, 'w'));
    testing::writeWholeFile(target.path() / "item-0.bin", "a user's file with a run's name");
    fs::create_directory(target.path() / "sub");
    testing::writeWholeFile(target.path() / "sub" / "workload.bin", "nested");
    const auto before = testing::snapshotFolder(target.path());
    const auto nestedBefore = testing::snapshotFolder(target.path() / "sub");

    RunOptions options;
    options.folder = target.path();
    options.testBytes = 16 * 1048576;
    options.randomSecondsPerPhase = 0.1;
    options.smallFiles = 4;
    options.modelGB = 2.5;
    std::atomic<bool> cancel{false};
    std::vector<Progress> notices;
    const RunResult result =
        runBenchmark(options, cancel, [&](const Progress& p) { notices.push_back(p); });

    ASSERT_EQ(result.status, RunStatus::kCompleted) << result.error;
    EXPECT_EQ(result.error, "");
    EXPECT_TRUE(result.verified);
    EXPECT_TRUE(result.cleaned);
    const std::vector<std::string> order = {
        "sequential_write", "write_first_quarter", "write_last_quarter", "sequential_read",
        "random_read",      "random_write",        "small_file_write",   "small_file_read"};
    ASSERT_EQ(result.metrics.size(), order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ(result.metrics[i].id, order[i]);
        EXPECT_GT(result.metrics[i].value, 0.0) << order[i];
    }
    // The random notes name this platform's own method.
#ifdef _WIN32
    const char* method = "Windows write-through";
#else
    const char* method = "O_DIRECT with O_DSYNC";
#endif
    EXPECT_NE(result.metrics[4].note.find(method), std::string::npos) << result.metrics[4].note;
    EXPECT_EQ(result.metrics[5].note, result.metrics[4].note);
    EXPECT_GT(result.volume.totalBytes, 0u);
    EXPECT_FALSE(fs::exists(result.scratchFolder));
    EXPECT_EQ(testing::snapshotFolder(target.path()), before);
    EXPECT_EQ(testing::snapshotFolder(target.path() / "sub"), nestedBefore);
    ASSERT_FALSE(notices.empty());
    EXPECT_EQ(notices.back().percent, 100);
    EXPECT_EQ(notices.back().message, "Completed");
}

}  // namespace
}  // namespace orvane
