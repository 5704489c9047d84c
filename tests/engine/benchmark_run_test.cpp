// The whole run driven through the in-memory substitute file, on a real target folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/benchmark_run.h"
#include "engine/run_option_rules.h"
#include "platform/platform_error.h"
#include "platform/text_encoding.h"
#include "tests/support/folder_snapshot.h"
#include "tests/support/memory_disk.h"
#include "tests/support/temp_folder.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAreArray;
using ::testing::EndsWith;
using testing::MemoryDisk;
using testing::nthOfKind;
using testing::nthRequest;
using testing::RequestKind;
using ::testing::StartsWith;

constexpr std::uint64_t kMebibyte = 1048576;
constexpr const char* kNoRating =
    "No suitability rating: a complete, verified test with successful cleanup is required.";
constexpr const char* kCleanupText =
    " Cleanup incomplete. Remove only this run's test folder after checking it: ";

const std::vector<std::string> kMetricOrder = {
    "sequential_write", "write_first_quarter", "write_last_quarter", "sequential_read",
    "random_read",      "random_write",        "small_file_write",   "small_file_read"};

std::vector<std::string> metricIds(const RunResult& result) {
    std::vector<std::string> ids;
    for (const auto& metric : result.metrics)
        ids.push_back(metric.id);
    return ids;
}

std::vector<std::string> firstMetricIds(std::size_t count) {
    return {kMetricOrder.begin(), kMetricOrder.begin() + static_cast<std::ptrdiff_t>(count)};
}

// Every character of text is in the class: 'd' a decimal digit, 'h' a lowercase hex digit, else
// the character itself.
bool matchesShape(const std::string& text, const std::string& shape) {
    if (text.size() != shape.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool digit = c >= '0' && c <= '9';
        if (shape[i] == 'd'   ? !digit
            : shape[i] == 'h' ? !(digit || (c >= 'a' && c <= 'f'))
                              : c != shape[i]) {
            return false;
        }
    }
    return true;
}

void flipFileByte(const fs::path& file, std::streamoff offset) {
    std::fstream stream(file, std::ios::in | std::ios::out | std::ios::binary);
    stream.seekg(offset);
    const int byte = stream.get();
    stream.seekp(offset);
    stream.put(static_cast<char>(byte ^ 0xff));
}

// A 16 MiB run with 0.1 s random phases and four small files in a folder holding user files.
class BenchmarkRun : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::writeWholeFile(target_.path() / "model.gguf", std::string(70000, 'm'));
        testing::writeWholeFile(target_.path() / "notes.txt", "keep me");
        fs::create_directory(target_.path() / "existing-folder");
        before_ = testing::snapshotFolder(target_.path());
    }

    RunOptions smallRun() const {
        RunOptions options;
        options.folder = target_.path();
        options.testBytes = 16 * kMebibyte;
        options.randomSecondsPerPhase = 0.1;
        options.smallFiles = 4;
        options.modelGB = 1.0;
        return options;
    }

    RunResult run(MemoryDisk& disk, std::atomic<bool>& cancel, const RunOptions& options) {
        notices_.clear();
        return runBenchmark(
            options, cancel, [this](const Progress& p) { notices_.push_back(p); }, disk.factory());
    }

    RunResult run(MemoryDisk& disk, std::atomic<bool>& cancel) {
        return run(disk, cancel, smallRun());
    }

    // Nothing of the run is left and the user's entries are byte-for-byte as they were.
    void expectTargetUntouched(const RunResult& result) {
        EXPECT_EQ(testing::snapshotFolder(target_.path()), before_);
        if (!result.scratchFolder.empty()) {
            EXPECT_FALSE(fs::exists(result.scratchFolder));
        }
    }

    void expectLastNotice(const RunResult& result) {
        ASSERT_FALSE(notices_.empty());
        EXPECT_EQ(notices_.back().percent, 100);
        EXPECT_EQ(notices_.back().message,
                  result.error.empty()
                      ? std::string(runStatusText(result.status))
                      : runStatusText(result.status) + std::string(": ") + result.error);
    }

    testing::TempFolder target_{fs::current_path()};
    testing::FolderSnapshot before_;
    std::vector<Progress> notices_;
};

// ---------------------------------------------------------------- every request can fail

struct RequestFault {
    std::string label;
    testing::RequestPredicate when;
    double stallSeconds;
    const char* operation;
    std::size_t metricsBefore;
};

std::vector<RequestFault> everyLargeFileFault() {
    std::vector<RequestFault> faults;
    const auto add = [&](std::string label, testing::RequestPredicate when, const char* operation,
                         std::size_t metrics, double stall = 0.0) {
        faults.push_back({std::move(label), std::move(when), stall, operation, metrics});
    };
    for (std::uint64_t n = 1; n <= 16; ++n) {
        add("sequential write " + std::to_string(n), nthRequest(n), "Write test file", 0);
    }
    add("sequential write flush", nthRequest(17), "Flush test data", 0);
    for (std::uint64_t n = 1; n <= 16; ++n) {
        add("sequential read " + std::to_string(n), nthOfKind(2, RequestKind::Read, n),
            "Read test file", 3);
    }
    // The stalled request outlasts the 0.1 s limit, so it is the last one of its phase.
    add("random read first", nthOfKind(2, RequestKind::Read, 17), "Read test file", 4);
    add("random read middle", nthOfKind(2, RequestKind::Read, 17 + 40), "Read test file", 4);
    add("random read last", nthOfKind(2, RequestKind::Read, 17 + 80), "Read test file", 4, 0.12);
    add("random write first", nthOfKind(2, RequestKind::Write, 1), "Write test file", 5);
    add("random write middle", nthOfKind(2, RequestKind::Write, 40), "Write test file", 5);
    add("random write last", nthOfKind(2, RequestKind::Write, 80), "Write test file", 5, 0.12);
    add("random write flush", nthOfKind(2, RequestKind::Flush, 1), "Flush test data", 5);
    for (std::uint64_t n = 1; n <= 16; ++n) {
        add("verification " + std::to_string(n), nthOfKind(3, RequestKind::Read, n),
            "Read test file", 6);
    }
    return faults;
}

TEST_F(BenchmarkRun, EveryLargeFileRequestCanFailAndTheRunCleansUp) {
    for (const RequestFault& fault : everyLargeFileFault()) {
        SCOPED_TRACE(fault.label);
        std::atomic<bool> cancel{false};
        MemoryDisk disk(&cancel);
        disk.failAt(fault.when, fault.stallSeconds);
        const RunResult result = run(disk, cancel);

        ASSERT_EQ(disk.faultsFired(), 1);
        EXPECT_EQ(result.status, RunStatus::kFailed);
        EXPECT_EQ(result.error, MemoryDisk::ioErrorMessage(fault.operation));
        EXPECT_TRUE(result.cleaned);
        EXPECT_FALSE(result.verified);
        EXPECT_EQ(metricIds(result), firstMetricIds(fault.metricsBefore));
        EXPECT_EQ(result.assessment, kNoRating);
        EXPECT_EQ(disk.misalignedRequests(), 0);
        EXPECT_FALSE(result.scratchFolder.empty());
        expectTargetUntouched(result);
        expectLastNotice(result);
    }
}

TEST_F(BenchmarkRun, EachOpeningOfTheTestFileCanFail) {
    const std::size_t metricsBefore[] = {0, 3, 6};
    for (int opening = 1; opening <= 3; ++opening) {
        SCOPED_TRACE(opening);
        std::atomic<bool> cancel{false};
        MemoryDisk disk(&cancel);
        disk.failOpen(opening);
        const RunResult result = run(disk, cancel);

        EXPECT_EQ(result.status, RunStatus::kFailed);
        EXPECT_EQ(result.error, MemoryDisk::ioErrorMessage("Open uncached test file"));
        EXPECT_TRUE(result.cleaned);
        EXPECT_FALSE(result.verified);
        EXPECT_EQ(metricIds(result), firstMetricIds(metricsBefore[opening - 1]));
        expectTargetUntouched(result);
    }
}

TEST_F(BenchmarkRun, ATakenSmallFileNameFailsAndOnlyTheRunsOwnFilesAreRemoved) {
    std::atomic<bool> cancel{false};
    MemoryDisk disk(&cancel);
    disk.plantBesideTestFile("item-2.bin", "not the run's");
    const RunResult result = run(disk, cancel);

    EXPECT_EQ(result.status, RunStatus::kFailed);
    EXPECT_THAT(result.error, StartsWith("Create small file ("));
    EXPECT_THAT(result.error, EndsWith(kCleanupText + toUtf8(result.scratchFolder.native())));
    EXPECT_FALSE(result.cleaned);
    EXPECT_FALSE(result.verified);
    EXPECT_EQ(metricIds(result), firstMetricIds(6));
    // The planted file stays, untouched and alone; the run's own small files are gone.
    ASSERT_TRUE(fs::exists(result.scratchFolder));
    EXPECT_EQ(testing::snapshotFolder(result.scratchFolder).size(), 1u);
    EXPECT_EQ(testing::readWholeFile(result.scratchFolder / "item-2.bin"), "not the run's");
    expectLastNotice(result);
}

// ---------------------------------------------------------------- cancellation

TEST_F(BenchmarkRun, CancellingInsideAnyPhaseKeepsOnlyTheMetricsBeforeIt) {
    struct CancelPoint {
        const char* label;
        testing::RequestPredicate when;  // null: cancel from a progress notice instead
        int noticePercent;
        std::size_t metricsBefore;
    };
    const CancelPoint points[] = {
        {"sequential write", nthRequest(3), 0, 0},
        {"sequential read", nthOfKind(2, RequestKind::Read, 5), 0, 3},
        {"random read", nthOfKind(2, RequestKind::Read, 30), 0, 4},
        {"random write", nthOfKind(2, RequestKind::Write, 10), 0, 5},
        {"verification", nthOfKind(3, RequestKind::Read, 3), 0, 6},
        {"small-file write", nullptr, 90, 6},
        {"small-file read", nullptr, 95, 7},
    };
    for (const CancelPoint& point : points) {
        SCOPED_TRACE(point.label);
        std::atomic<bool> cancel{false};
        MemoryDisk disk(&cancel);
        if (point.when)
            disk.cancelAt(point.when);
        notices_.clear();
        const RunResult result = runBenchmark(
            smallRun(), cancel,
            [&](const Progress& p) {
                notices_.push_back(p);
                if (p.percent == point.noticePercent)
                    cancel = true;
            },
            disk.factory());

        EXPECT_EQ(result.status, RunStatus::kCancelled);
        EXPECT_EQ(result.error, "");
        EXPECT_TRUE(result.cleaned);
        EXPECT_FALSE(result.verified);
        EXPECT_EQ(metricIds(result), firstMetricIds(point.metricsBefore));
        expectTargetUntouched(result);
        expectLastNotice(result);
    }
}

TEST_F(BenchmarkRun, CancellingInTheSequentialWriteStopsBeforeTheNextMebibyte) {
    std::atomic<bool> cancel{false};
    MemoryDisk disk(&cancel);
    disk.cancelAt(nthRequest(3));
    const RunResult result = run(disk, cancel);
    EXPECT_EQ(result.status, RunStatus::kCancelled);
    EXPECT_EQ(disk.requests().size(), 3u);  // the begun request completes, no further one starts
    EXPECT_EQ(result.bytesWritten, 3 * kMebibyte);
}

TEST_F(BenchmarkRun, AFlagAlreadySetCancelsBeforeAnythingIsCreated) {
    std::atomic<bool> cancel{true};
    MemoryDisk disk(&cancel);
    const RunResult result = run(disk, cancel);
    EXPECT_EQ(result.status, RunStatus::kCancelled);
    EXPECT_EQ(result.error, "");
    EXPECT_TRUE(result.cleaned);
    EXPECT_TRUE(result.scratchFolder.empty());
    EXPECT_EQ(disk.openAttempts(), 0);
    EXPECT_EQ(notices_.size(), 1u);
    expectTargetUntouched(result);
    expectLastNotice(result);
}

// ---------------------------------------------------------------- integrity

TEST_F(BenchmarkRun, AFlippedByteOrTagFailsVerificationAtItsMebibyte) {
    const struct {
        std::uint64_t offset;
        const char* message;
    } flips[] = {
        {5 * kMebibyte + 100,
         "Integrity mismatch at MiB 5. Do not rely on this drive until investigated."},
        {3 * kMebibyte + 7 * 4096 + 2,
         "Integrity mismatch at MiB 3. Do not rely on this drive until investigated."},
        {15 * kMebibyte + kMebibyte - 1,
         "Integrity mismatch at MiB 15. Do not rely on this drive until investigated."},
    };
    for (const auto& flip : flips) {
        SCOPED_TRACE(flip.offset);
        std::atomic<bool> cancel{false};
        MemoryDisk disk(&cancel);
        disk.flipByteAt(flip.offset);
        const RunResult result = run(disk, cancel);
        EXPECT_EQ(result.status, RunStatus::kFailed);
        EXPECT_EQ(result.error, flip.message);
        EXPECT_FALSE(result.verified);
        EXPECT_TRUE(result.cleaned);
        EXPECT_EQ(metricIds(result), firstMetricIds(6));
        expectTargetUntouched(result);
    }
}

TEST_F(BenchmarkRun, AShortReadFailsWithItsOwnText) {
    std::atomic<bool> cancel{false};
    MemoryDisk disk(&cancel);
    disk.shortReadAt(nthOfKind(3, RequestKind::Read, 2));
    const RunResult result = run(disk, cancel);
    EXPECT_EQ(result.status, RunStatus::kFailed);
    EXPECT_EQ(result.error, "Short read: drive returned incomplete test data.");
    EXPECT_TRUE(result.cleaned);
    expectTargetUntouched(result);
}

TEST_F(BenchmarkRun, ASmallFileChangedBetweenThePhasesIsCaught) {
    const struct {
        const char* label;
        void (*tamper)(const fs::path& file);
        const char* message;
    } cases[] = {
        {"truncated", [](const fs::path& file) { fs::resize_file(file, 16383); },
         "Could not read complete small file."},
        {"removed", [](const fs::path& file) { fs::remove(file); },
         "Could not read complete small file."},
        {"byte changed", [](const fs::path& file) { flipFileByte(file, 9000); },
         "Small-file integrity mismatch."},
        {"tag changed", [](const fs::path& file) { flipFileByte(file, 4096); },
         "Small-file integrity mismatch."},
    };
    for (const auto& tampering : cases) {
        SCOPED_TRACE(tampering.label);
        std::atomic<bool> cancel{false};
        MemoryDisk disk(&cancel);
        fs::path scratch;
        notices_.clear();
        const RunResult result = runBenchmark(
            smallRun(), cancel,
            [&](const Progress& p) {
                // 93 is the notice after the last small file was written.
                if (p.percent == 93)
                    tampering.tamper(scratch / "item-1.bin");
                if (p.percent == 5 && scratch.empty()) {
                    for (const auto& entry : fs::directory_iterator(target_.path())) {
                        if (entry.path().filename().string().rfind(".orvane-varnolt-", 0) == 0) {
                            scratch = entry.path();
                        }
                    }
                }
            },
            disk.factory());
        EXPECT_EQ(result.status, RunStatus::kFailed);
        EXPECT_EQ(result.error, tampering.message);
        EXPECT_TRUE(result.cleaned);
        EXPECT_EQ(metricIds(result), firstMetricIds(7));
        expectTargetUntouched(result);
    }
}

// ---------------------------------------------------------------- a complete run and progress

TEST_F(BenchmarkRun, ACompleteRunMeasuresEightMetricsWithWellFormedRequests) {
    std::atomic<bool> cancel{false};
    MemoryDisk disk(&cancel);
    const RunResult result = run(disk, cancel);

    EXPECT_EQ(result.status, RunStatus::kCompleted);
    EXPECT_EQ(result.error, "");
    EXPECT_TRUE(result.verified);
    EXPECT_TRUE(result.cleaned);
    EXPECT_EQ(metricIds(result), kMetricOrder);
    EXPECT_EQ(disk.misalignedRequests(), 0);
    EXPECT_EQ(disk.overlappingOpens(), 0);
    EXPECT_EQ(disk.openAttempts(), 3);
    EXPECT_EQ(result.options.folder, fs::canonical(target_.path()));
    EXPECT_EQ(result.scratchFolder.parent_path(), result.options.folder);
    EXPECT_TRUE(matchesShape(result.timestampUtc, "dddd-dd-ddTdd:dd:ddZ")) << result.timestampUtc;
    EXPECT_NE(result.assessment, kNoRating);
    EXPECT_GT(result.elapsedSeconds, 0.2);

    const Metric& write = result.metrics[0];
    EXPECT_EQ(write.bytes, 16 * kMebibyte);
    EXPECT_EQ(write.unit, "MiB/s");
    for (std::size_t quarter : {1u, 2u}) {
        EXPECT_EQ(result.metrics[quarter].bytes, 4 * kMebibyte);
        EXPECT_EQ(result.metrics[quarter].note,
                  "Diagnostic window, not a sustained cache-exhaustion test.");
        // Request time only: a quarter of the requests cannot outlast the whole phase.
        EXPECT_LE(result.metrics[quarter].seconds, write.seconds);
    }
    std::uint64_t randomWrites = 0;
    for (std::size_t phase : {4u, 5u}) {
        const Metric& random = result.metrics[phase];
        EXPECT_EQ(random.unit, "IOPS");
        EXPECT_GT(random.operations, 0u);
        EXPECT_LE(random.operations, 250000u);
        EXPECT_EQ(random.bytes, random.operations * 4096);
        EXPECT_GE(random.seconds, 0.1);
        EXPECT_LE(random.p50ms, random.maxms);
    }
    randomWrites = result.metrics[5].operations;
    for (std::size_t phase : {6u, 7u}) {
        EXPECT_EQ(result.metrics[phase].operations, 4u);
        EXPECT_EQ(result.metrics[phase].bytes, 65536u);
        EXPECT_EQ(result.metrics[phase].unit, "files/s");
    }
    EXPECT_EQ(result.bytesWritten, 16 * kMebibyte + randomWrites * 4096 + 4 * 16384);
    // Every block left on the substitute carries its own address, random writes included.
    ASSERT_EQ(disk.content().size(), 16 * kMebibyte);
    for (std::uint64_t offset = 0; offset < 16 * kMebibyte; offset += 4096) {
        std::uint64_t tag = 0;
        for (std::uint64_t byte = 8; byte-- > 0;)
            tag = tag << 8 | disk.content()[offset + byte];
        ASSERT_EQ(tag, offset);
    }
    expectTargetUntouched(result);
}

TEST_F(BenchmarkRun, ProgressFollowsThePhasesAndEndsWithTheStatus) {
    std::atomic<bool> cancel{false};
    MemoryDisk disk(&cancel);
    const RunResult result = run(disk, cancel);
    ASSERT_EQ(result.status, RunStatus::kCompleted);

    const std::vector<std::string> phases = {
        "Writing model-sized data (cache bypass requested, durable flush)...",
        "Reading model-sized data (uncached)...",
        "Random read / 4 KiB QD1...",
        "Random write / 4 KiB QD1...",
        "Verifying every byte after random writes...",
        "Creating and flushing 16 KiB history/output files...",
        "Reading and checking history/output files (warm cache)...",
        "Completed"};
    std::vector<std::string> seen;
    std::size_t randomReadNotices = 0;
    for (std::size_t i = 0; i < notices_.size(); ++i) {
        if (i > 0) {
            EXPECT_GE(notices_[i].percent, notices_[i - 1].percent) << notices_[i].message;
        }
        if (seen.empty() || seen.back() != notices_[i].message)
            seen.push_back(notices_[i].message);
        randomReadNotices += notices_[i].message == phases[2];
    }
    EXPECT_EQ(seen, phases);
    EXPECT_EQ(notices_.back().percent, 100);
    EXPECT_EQ(randomReadNotices, 1 + result.metrics[4].operations / 256);  // one per 256 requests
}

TEST_F(BenchmarkRun, WithoutACallbackTheRunIsTheSame) {
    std::atomic<bool> cancel{false};
    MemoryDisk disk(&cancel);
    const RunResult result = runBenchmark(smallRun(), cancel, {}, disk.factory());
    EXPECT_EQ(result.status, RunStatus::kCompleted);
    EXPECT_TRUE(result.verified);
    EXPECT_TRUE(result.cleaned);
    EXPECT_EQ(result.metrics.size(), 8u);
}

TEST_F(BenchmarkRun, AThrowingCallbackFailsTheRunButNeverEscapesIt) {
    std::atomic<bool> cancel{false};
    MemoryDisk disk(&cancel);
    int calls = 0;
    const RunResult result = runBenchmark(
        smallRun(), cancel,
        [&](const Progress&) {
            ++calls;
            throw std::runtime_error("window gone");
        },
        disk.factory());
    EXPECT_EQ(result.status, RunStatus::kFailed);
    EXPECT_EQ(result.error, "window gone");
    EXPECT_EQ(calls, 2);  // the first notice of the write, then the last notice
    EXPECT_TRUE(result.cleaned);
    expectTargetUntouched(result);
}

// ---------------------------------------------------------------- validation and set-up

TEST_F(BenchmarkRun, RefusedOptionsSendOneNoticeAndTouchNothing) {
    // The option limits themselves are the rules' table; here, that a refusal touches nothing.
    std::vector<RunOptions> refused(2, smallRun());
    refused[0].testBytes = 16 * kMebibyte + 1;
    refused[1].folder = target_.path() / "missing";
    for (const RunOptions& options : refused) {
        std::atomic<bool> cancel{false};
        MemoryDisk disk(&cancel);
        const RunResult result = run(disk, cancel, options);
        EXPECT_EQ(result.status, RunStatus::kFailed);
        EXPECT_FALSE(result.error.empty());
        EXPECT_TRUE(result.metrics.empty());
        EXPECT_FALSE(result.verified);
        EXPECT_TRUE(result.cleaned);
        EXPECT_TRUE(result.scratchFolder.empty());
        EXPECT_EQ(disk.openAttempts(), 0);
        ASSERT_EQ(notices_.size(), 1u);
        expectLastNotice(result);
        expectTargetUntouched(result);
    }
    EXPECT_EQ(notices_.back().message.rfind("Failed: ", 0), 0u);
}

TEST_F(BenchmarkRun, ScratchFoldersAreFreshAndNamedByThePattern) {
    const std::string shape = ".orvane-varnolt-" + std::string(32, 'h');
    std::vector<std::string> names;
    for (int i = 0; i < 2; ++i) {
        std::atomic<bool> cancel{false};
        MemoryDisk disk(&cancel);
        const RunResult result = run(disk, cancel);
        ASSERT_EQ(result.status, RunStatus::kCompleted);
        names.push_back(result.scratchFolder.filename().string());
        EXPECT_TRUE(matchesShape(names.back(), shape)) << names.back();
    }
    EXPECT_NE(names[0], names[1]);
}

TEST_F(BenchmarkRun, AFileLeftInTheScratchFolderGivesACleanupWarning) {
    std::atomic<bool> cancel{false};
    MemoryDisk disk(&cancel);
    disk.plantBesideTestFile("someone-elses.txt", "theirs");
    const RunResult result = run(disk, cancel);

    EXPECT_EQ(result.status, RunStatus::kCleanupWarning);
    EXPECT_TRUE(result.verified);
    EXPECT_FALSE(result.cleaned);
    EXPECT_EQ(result.error, kCleanupText + toUtf8(result.scratchFolder.native()));
    EXPECT_EQ(result.assessment, kNoRating);
    EXPECT_EQ(result.metrics.size(), 8u);
    EXPECT_EQ(testing::readWholeFile(result.scratchFolder / "someone-elses.txt"), "theirs");
    EXPECT_EQ(testing::snapshotFolder(result.scratchFolder).size(), 1u);
    expectLastNotice(result);
}

// ---------------------------------------------------------------- random-phase limits

TEST_F(BenchmarkRun, NoRandomRequestStartsOnceThePhaseTimeIsUp) {
    std::atomic<bool> cancel{false};
    MemoryDisk disk(&cancel);
    // Request 20 of each phase outlasts the whole 0.1 s limit.
    disk.stallAt(nthOfKind(2, RequestKind::Read, 16 + 20), 0.15);
    disk.stallAt(nthOfKind(2, RequestKind::Write, 20), 0.15);
    const RunResult result = run(disk, cancel);
    ASSERT_EQ(result.status, RunStatus::kCompleted) << result.error;
    EXPECT_EQ(disk.faultsFired(), 2);
    for (std::size_t phase : {4u, 5u}) {
        EXPECT_EQ(result.metrics[phase].operations, 20u) << result.metrics[phase].id;
        EXPECT_GE(result.metrics[phase].seconds, 0.15);
        EXPECT_GE(result.metrics[phase].maxms, 150.0);
    }
}

TEST_F(BenchmarkRun, AFastDeviceStopsAtTheOperationCap) {
    std::atomic<bool> cancel{false};
    MemoryDisk disk(&cancel);
    RunOptions options = smallRun();
    options.randomSecondsPerPhase = 60.0;
    const RunResult result = run(disk, cancel, options);
    ASSERT_EQ(result.status, RunStatus::kCompleted) << result.error;
    for (std::size_t phase : {4u, 5u}) {
        const Metric& metric = result.metrics[phase];
        if (metric.seconds >= 60.0)
            GTEST_SKIP() << "this machine is too slow to reach the cap";
        EXPECT_EQ(metric.operations, 250000u) << metric.id;
        EXPECT_EQ(metric.bytes, 250000ull * 4096);
    }
}

// ---------------------------------------------------------------- reproducible offsets

std::vector<std::uint64_t> offsetsOf(const MemoryDisk& disk, RequestKind kind, std::size_t skip) {
    std::vector<std::uint64_t> offsets;
    std::size_t seen = 0;
    for (const auto& request : disk.requests()) {
        if (request.opening != 2 || request.kind != kind)
            continue;
        if (seen++ >= skip)
            offsets.push_back(request.offset);
    }
    return offsets;
}

TEST_F(BenchmarkRun, RandomOffsetsAreReproducibleAndTheWritesContinueTheReadSequence) {
    std::vector<std::uint64_t> reads[2], writes[2];
    for (int i = 0; i < 2; ++i) {
        std::atomic<bool> cancel{false};
        MemoryDisk disk(&cancel);
        ASSERT_EQ(run(disk, cancel).status, RunStatus::kCompleted);
        reads[i] = offsetsOf(disk, RequestKind::Read, 16);  // after the sequential read
        writes[i] = offsetsOf(disk, RequestKind::Write, 0);
        ASSERT_GE(reads[i].size(), 100u);
        ASSERT_GE(writes[i].size(), 100u);
    }
    const std::vector<std::uint64_t> firstReads(reads[0].begin(), reads[0].begin() + 100);
    EXPECT_THAT(std::vector<std::uint64_t>(reads[1].begin(), reads[1].begin() + 100),
                ElementsAreArray(firstReads));

    // 4096 blocks divide 2^64 evenly, so every draw is kept: block = draw mod 4096.
    std::mt19937_64 engine(41229);
    for (const std::uint64_t offset : reads[0])
        ASSERT_EQ(offset, (engine() % 4096) * 4096);
    for (const std::uint64_t offset : writes[0])
        ASSERT_EQ(offset, (engine() % 4096) * 4096);
    for (const std::uint64_t offset : writes[1])
        ASSERT_LT(offset, 16 * kMebibyte);
}

}  // namespace
}  // namespace orvane
