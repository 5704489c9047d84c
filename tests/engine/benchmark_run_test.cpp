// The whole run through the in-memory substitute file, on a real target folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "engine/benchmark_run.h"
#include "engine/run_leftovers.h"
#include "engine/run_option_rules.h"
#include "platform/text_encoding.h"
#include "storage/target_rules.h"
#include "tests/support/folder_snapshot.h"
#include "tests/support/memory_disk.h"
#include "tests/support/temp_folder.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using testing::Fault;
using testing::MemoryDisk;
using testing::nthOfKind;
using testing::RequestKind;
constexpr auto W = RequestKind::Write;
constexpr auto R = RequestKind::Read;
constexpr auto F = RequestKind::Flush;

constexpr std::uint64_t kM = 1048576;
constexpr const char* kNoRating =
    "No suitability rating: a complete, verified test with successful cleanup is required.";
// What is done to the run: a disk fault at request (opening, kind, number), at a notice, or a
// refusal before the start (number: 0 cancelled, 1 an odd size, 2 a file for a folder).
// The first three are the substitute disk's own faults, in its order.
enum class Plan { Fail, ShortRead, Cancel, FailOpen, CancelAtNotice, Flip, Tamper, Throw, Refuse };
struct FaultRow {
    Plan plan;
    int opening;
    RequestKind kind;
    std::uint64_t number;  // Fail: 0 is each of 1 to 16; Flip: the offset; Tamper: see tamper()
    std::size_t metricsBefore;
    const char* error;  // Fail and FailOpen: the operation that fails
};

const FaultRow kFaults[] = {
    {Plan::Fail, 1, W, 0, 0, "Write test file"},
    {Plan::Fail, 1, F, 1, 0, "Flush test data"},
    {Plan::Fail, 2, R, 0, 3, "Read test file"},
    {Plan::Fail, 2, R, 17, 4, "Read test file"},
    {Plan::Fail, 2, R, 97, 4, "Read test file"},
    {Plan::Fail, 2, W, 1, 5, "Write test file"},
    {Plan::Fail, 2, W, 80, 5, "Write test file"},
    {Plan::Fail, 2, F, 1, 5, "Flush test data"},
    {Plan::Fail, 3, R, 0, 6, "Read test file"},
    {Plan::FailOpen, 1, W, 0, 0, "Open uncached test file"},
    {Plan::FailOpen, 2, W, 0, 3, "Open uncached test file"},
    {Plan::FailOpen, 3, W, 0, 6, "Open uncached test file"},
    {Plan::Cancel, 1, W, 3, 0, ""},
    {Plan::Cancel, 2, R, 5, 3, ""},
    {Plan::Cancel, 2, R, 30, 4, ""},
    {Plan::Cancel, 2, W, 10, 5, ""},
    {Plan::Cancel, 3, R, 3, 6, ""},
    {Plan::CancelAtNotice, 0, W, 90, 6, ""},
    {Plan::CancelAtNotice, 0, W, 95, 7, ""},
    {Plan::Flip, 0, R, 3 * kM + 7 * 4096 + 2, 6, ""},  // inside a later block's tag
    {Plan::Flip, 0, R, 16 * kM - 1, 6, ""},
    {Plan::ShortRead, 3, R, 2, 6, "Short read: drive returned incomplete test data."},
    {Plan::Tamper, 0, W, 0, 7, "Could not read complete small file."},
    {Plan::Tamper, 0, W, 9000, 7, "Small-file integrity mismatch."},
    {Plan::Tamper, 0, W, 4096, 7, "Small-file integrity mismatch."},
    {Plan::Throw, 0, W, 0, 0, "window gone"},
    {Plan::Refuse, 0, W, 0, 0, ""},
    {Plan::Refuse, 0, W, 1, 0, kTestSizeMessage},
    {Plan::Refuse, 0, W, 2, 0, kChooseExistingFolderMessage},
    {Plan::Refuse, 0, W, 3, 0, kChooseExistingFolderMessage},  // no such folder
};

// 0 truncates the small file, any other number flips the byte there.
void tamper(const fs::path& file, std::uint64_t how) {
    std::string bytes = testing::readWholeFile(file);
    bytes[how] = static_cast<char>(bytes[how] ^ 0xff);
    testing::writeWholeFile(file, how ? bytes : bytes.substr(1));
}

class BenchmarkRun : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::writeWholeFile(target_.path() / "model.gguf", std::string(70000, 'm'));
        fs::create_directory(target_.path() / "existing-folder");
        before_ = testing::snapshotFolder(target_.path());
        options_.folder = target_.path();
        options_.testBytes = 16 * kM;
        options_.randomSecondsPerPhase = 0.1;
        options_.smallFiles = 4;
    }
    RunResult run(MemoryDisk& disk, std::atomic<bool>& cancel,
                  std::function<void(int percent)> hook = {}) {
        notices_.clear();
        const auto notice = [&](const Progress& p) {
            notices_.push_back(p);
            if (hook)
                hook(p.percent);
        };
        return runBenchmark(options_, cancel, notice, disk.factory());
    }
    // Nothing of the run is left, the user's entries are as they were, the last notice is the end.
    void expectCleanEnd(const RunResult& result) {
        EXPECT_EQ(testing::snapshotFolder(target_.path()), before_);
        ASSERT_FALSE(notices_.empty());
        EXPECT_EQ(notices_.back().percent, 100);
        EXPECT_EQ(notices_.back().message,
                  runStatusText(result.status) +
                      (result.error.empty() ? std::string() : ": " + result.error));
    }

    testing::TempFolder target_{fs::current_path()};
    testing::FolderSnapshot before_;
    RunOptions options_;
    std::vector<Progress> notices_;
};

TEST_F(BenchmarkRun, EveryFaultEndsTheRunCleanlyKeepingOnlyTheMetricsBeforeIt) {
    const RunOptions small = options_;
    for (const FaultRow& row : kFaults) {
        const bool each = row.plan == Plan::Fail && row.number == 0;
        for (std::uint64_t n = each ? 1 : row.number; n <= (each ? 16 : row.number); ++n) {
            SCOPED_TRACE(::testing::Message() << static_cast<int>(row.plan) << " " << row.opening
                                              << " " << static_cast<int>(row.kind) << " " << n);
            const bool refused = row.plan == Plan::Refuse;
            std::atomic<bool> cancel{refused && n == 0};
            MemoryDisk disk(&cancel);
            options_ = small;
            options_.testBytes += refused && n == 1 ? 1 : 0;
            options_.folder = refused && n == 2   ? small.folder / "model.gguf"
                              : refused && n == 3 ? small.folder / "missing"
                                                  : small.folder;
            std::string error = row.error;
            std::function<void(int)> hook;
            if (row.plan <= Plan::Cancel) {
                // The last random request outlasts the 0.1 s limit: its failure still counts.
                disk.plan(static_cast<Fault>(row.plan), nthOfKind(row.opening, row.kind, n),
                          n >= 80 ? 0.12 : 0.0);
            }
            if (row.plan == Plan::Fail || row.plan == Plan::FailOpen)
                error = MemoryDisk::ioErrorMessage(row.error);
            if (row.plan == Plan::FailOpen)
                disk.failOpen(row.opening);
            if (row.plan == Plan::Flip) {
                disk.flipByteAt(n);
                error = "Integrity mismatch at MiB " + std::to_string(n / kM) +
                        ". Do not rely on this drive until investigated.";
            }
            if (row.plan == Plan::CancelAtNotice)
                hook = [&](int percent) { cancel = cancel || percent == static_cast<int>(n); };
            if (row.plan == Plan::Throw)
                hook = [](int) { throw std::runtime_error("window gone"); };
            if (row.plan == Plan::Tamper) {
                // 93 is the notice after the last small file was written.
                hook = [&](int percent) {
                    for (const auto& entry : fs::directory_iterator(target_.path())) {
                        if (percent == 93 && entry.path().filename().string()[0] == '.')
                            tamper(entry.path() / "item-1.bin", n);
                    }
                };
            }
            const RunResult result = run(disk, cancel, hook);
            const bool cancelled =
                row.plan == Plan::Cancel || row.plan == Plan::CancelAtNotice || (refused && n == 0);
            EXPECT_EQ(result.status, cancelled ? RunStatus::kCancelled : RunStatus::kFailed);
            EXPECT_EQ(result.error, error);
            EXPECT_TRUE(result.cleaned);
            EXPECT_FALSE(result.verified);
            EXPECT_EQ(result.metrics.size(), row.metricsBefore);
            EXPECT_EQ(result.assessment, kNoRating);
            EXPECT_EQ(disk.refusals(), 0);
            expectCleanEnd(result);
            if (row.plan == Plan::Cancel && row.opening == 1) {
                EXPECT_EQ(disk.requests().size(), 3u);  // the begun request completes, no more
                EXPECT_EQ(result.bytesWritten, 3 * kM);
            }
            // A throwing callback hears of the first notice of the write and the last notice.
            if (refused || row.plan == Plan::Throw) {
                EXPECT_EQ(notices_.size(), refused ? 1u : 2u);
            }
            if (refused) {
                EXPECT_EQ(disk.openAttempts(), 0);
                EXPECT_TRUE(result.scratchFolder.empty());
            }
        }
    }
}

// A file that is not the run's stops the cleanup: it stays, alone, and the error names the folder.
TEST_F(BenchmarkRun, AForeignFileInTheScratchFolderIsLeftAndReported) {
    for (const char* name : {"item-2.bin", "someone-elses.txt"}) {
        SCOPED_TRACE(name);
        const bool taken = name[0] == 'i';  // the run wanted that name for a small file
        std::atomic<bool> cancel{false};
        MemoryDisk disk(&cancel);
        disk.plantBesideTestFile(name, "theirs");
        const RunResult result = run(disk, cancel);
        EXPECT_EQ(result.status, taken ? RunStatus::kFailed : RunStatus::kCleanupWarning);
        const std::string cleanup =
            " Cleanup incomplete. Remove only this run's test folder after checking it: " +
            toUtf8(result.scratchFolder.native());
        EXPECT_THAT(result.error, ::testing::StartsWith(taken ? "Create small file (" : cleanup));
        EXPECT_THAT(result.error, ::testing::EndsWith(cleanup));
        EXPECT_EQ(result.verified, !taken);
        EXPECT_FALSE(result.cleaned);
        EXPECT_EQ(result.assessment, kNoRating);
        EXPECT_EQ(result.metrics.size(), taken ? 6u : 8u);
        EXPECT_EQ(testing::readWholeFile(result.scratchFolder / name), "theirs");
        EXPECT_EQ(testing::snapshotFolder(result.scratchFolder).size(), 1u);
    }
}

// Two complete runs: well-formed requests, fresh scratch names, the same random offsets. The
// random phases stop at their time (request 20 of each outlasts it) or at the operation cap.
TEST_F(BenchmarkRun, CompleteRunsMeasureEverythingAndReproduceTheirOffsets) {
    std::string names[2];
    for (int i = 0; i < 2; ++i) {
        std::atomic<bool> cancel{false};
        MemoryDisk disk(&cancel);
        disk.plan(Fault::Stall, nthOfKind(2, R, 16 + 20), i == 0 ? 0.15 : 0.0);
        disk.plan(Fault::Stall, nthOfKind(2, W, 20), i == 0 ? 0.15 : 0.0);
        options_.randomSecondsPerPhase = i == 0 ? 0.1 : 60.0;
        const RunResult result = run(disk, cancel);
        ASSERT_EQ(result.status, RunStatus::kCompleted) << result.error;
        EXPECT_TRUE(result.verified && result.cleaned);
        ASSERT_EQ(result.metrics.size(), 8u);
        EXPECT_EQ(disk.refusals(), 0);
        EXPECT_EQ(disk.openAttempts(), 3);
        EXPECT_EQ(result.scratchFolder.parent_path(), fs::canonical(target_.path()));
        names[i] = result.scratchFolder.filename().string();
        EXPECT_TRUE(isScratchFolderName(names[i])) << names[i];
        EXPECT_NE(result.assessment, kNoRating);
        expectCleanEnd(result);
        const auto& m = result.metrics;
        EXPECT_EQ(m[0].bytes, 16 * kM);
        EXPECT_EQ(m[1].bytes, 4 * kM);
        // Request time only: a quarter of the requests cannot outlast the whole phase.
        EXPECT_LE(m[2].seconds, m[0].seconds);
        EXPECT_EQ(m[5].bytes, m[5].operations * 4096);
        EXPECT_GE(m[4].seconds, 0.1);
        EXPECT_EQ(m[7].operations, 4u);
        EXPECT_EQ(m[6].bytes, 65536u);
        EXPECT_EQ(result.bytesWritten, 16 * kM + m[5].operations * 4096 + 4 * 16384);
        for (std::size_t phase : {4u, 5u}) {
            // Unless this machine is too slow to reach the cap in the time.
            EXPECT_TRUE(i == 0 ? m[phase].operations == 20u
                               : m[phase].seconds >= 60.0 || m[phase].operations == 250000u);
        }
        EXPECT_GE(m[5].maxms, i == 0 ? 150.0 : 0.0);

        // Progress: never backwards, through sequential write and read, random read and write,
        // verification, both small-file phases and the end; one random-read notice per 256.
        std::vector<std::string> seen;
        std::size_t randomReadNotices = 0;
        for (std::size_t n = 0; n < notices_.size(); ++n) {
            EXPECT_GE(notices_[n].percent, n ? notices_[n - 1].percent : 0);
            if (seen.empty() || seen.back() != notices_[n].message)
                seen.push_back(notices_[n].message);
            randomReadNotices += seen.size() == 3;
        }
        EXPECT_EQ(seen.size(), 8u);
        EXPECT_EQ(randomReadNotices, 1 + m[4].operations / 256);

        // Every block left carries its own address, random writes included.
        ASSERT_EQ(disk.content().size(), 16 * kM);
        for (std::uint64_t offset = 0; offset < 16 * kM; offset += 4096) {
            std::uint64_t tag = 0;
            for (std::uint64_t byte = 8; byte-- > 0;)
                tag = tag << 8 | disk.content()[offset + byte];
            ASSERT_EQ(tag, offset);
        }
        // The random reads, then the writes continuing the same draws: 4096 blocks divide 2^64
        // evenly, so every draw is kept and block = draw mod 4096.
        std::mt19937_64 engine(41229);
        for (const auto& request : disk.requests()) {
            if (request.opening != 2 || request.kind == F ||
                (request.kind == R && request.numberOfKind <= 16))
                continue;
            ASSERT_EQ(request.offset, (engine() % 4096) * 4096);
        }
    }
    EXPECT_NE(names[0], names[1]);
}

}  // namespace
}  // namespace orvane
