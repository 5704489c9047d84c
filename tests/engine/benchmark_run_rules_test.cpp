// The pure rules of a run: option limits, free space, names, the pattern, the draws, the clock,
// statistics, the rating, the read-back worker, and which leftovers of a killed run may go.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <functional>
#include <limits>
#include <numeric>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/fresh_run_assessment.h"
#include "engine/pipelined_worker.h"
#include "engine/random_block_sequence.h"
#include "engine/run_leftovers.h"
#include "engine/run_option_rules.h"
#include "engine/statistics.h"
#include "engine/test_pattern.h"
#include "engine/utc_timestamp.h"
#include "platform/text_encoding.h"
#include "tests/support/message_of.h"
#include "tests/support/temp_folder.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using testing::messageOf;
constexpr std::uint64_t kM = 1048576;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
const auto byName = [](const auto& param) { return std::string(param.param.name); };

struct OptionCase {
    const char* name;
    friend std::ostream& operator<<(std::ostream& o, const OptionCase& r) { return o << r.name; }
    std::uint64_t testBytes;
    double seconds;
    std::int32_t smallFiles;
    double modelGB;
    const char* message;
};

class RunOptionLimits : public ::testing::TestWithParam<OptionCase> {};

TEST_P(RunOptionLimits, AcceptOrRefuseWithTheirOwnMessage) {
    const OptionCase& row = GetParam();
    RunOptions options;
    options.testBytes = row.testBytes;
    options.randomSecondsPerPhase = row.seconds;
    options.smallFiles = row.smallFiles;
    options.modelGB = row.modelGB;
    EXPECT_EQ(messageOf([&] { validateRunOptions(options); }), row.message);
}

// The size is checked first, the model last.
const OptionCase kOptionCases[] = {
    {"Smallest", 16 * kM, 0.1, 1, 1e-9, "accepted"},
    {"Largest", 3072 * kM, 60.0, 1000, 1000.0, "accepted"},
    {"Size15", 15 * kM, 8.0, 200, 6.6, kTestSizeMessage},
    {"Size3073", 3073 * kM, 8.0, 200, 6.6, kTestSizeMessage},
    {"SizeOddByte", 16 * kM + 1, 8.0, 200, 6.6, kTestSizeMessage},
    {"Seconds005", 16 * kM, 0.05, 200, 6.6, kDurationOrCountMessage},
    {"Seconds605", 16 * kM, 60.5, 200, 6.6, kDurationOrCountMessage},
    {"SecondsNaN", 16 * kM, kNaN, 200, 6.6, kDurationOrCountMessage},
    {"Files0", 16 * kM, 8.0, 0, 6.6, kDurationOrCountMessage},
    {"Files1001", 16 * kM, 8.0, 1001, 6.6, kDurationOrCountMessage},
    {"Model0", 16 * kM, 8.0, 200, 0.0, kModelSizeMessage},
    {"ModelAbove1000", 16 * kM, 8.0, 200, 1000.001, kModelSizeMessage},
    {"ModelNaN", 16 * kM, 8.0, 200, kNaN, kModelSizeMessage},
    {"AllWrong", 1, 0.0, 0, 0.0, kTestSizeMessage},
    {"CountAndModelWrong", 16 * kM, 8.0, 0, 0.0, kDurationOrCountMessage},
};

INSTANTIATE_TEST_SUITE_P(Boundaries, RunOptionLimits, ::testing::ValuesIn(kOptionCases), byName);

TEST(RunRules, FreeSpaceIsTestDataPlus64KiBPerFileAndA256MiBMargin) {
    RunOptions options;
    options.testBytes = 16 * kM;
    options.smallFiles = 4;
    const std::uint64_t required = 16 * kM + 65536ull * 4 + 256 * kM;
    EXPECT_EQ(requiredFreeBytes(options), required);
    EXPECT_EQ(messageOf([&] { requireFreeSpace(required, options); }), "accepted");
    EXPECT_EQ(messageOf([&] { requireFreeSpace(required - 1, options); }),
              kInsufficientSpaceMessage);
}

TEST(RunRules, ScratchNamesPatternDrawsAndTimestamps) {
    std::array<std::uint8_t, 16> bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 17);
    bytes[15] = 0xAB;
    EXPECT_EQ(scratchFolderName(bytes), ".orvane-varnolt-00112233445566778899aabbccddeeab");

    // Every started block is tagged with its address, little-endian, and nothing else changes.
    std::string buffer(4 * 4096, '\x5a');
    tagBlocks(reinterpret_cast<std::uint8_t*>(buffer.data()), 0x0102030405060708ull, 2 * 4096 + 1);
    for (std::uint64_t block = 0; block < 3; ++block) {
        const std::uint64_t tag = 0x0102030405060708ull + block * 4096;
        std::string expected(4096, '\x5a');
        for (unsigned byte = 0; byte < 8; ++byte)
            expected[byte] = static_cast<char>(tag >> (8 * byte));
        EXPECT_EQ(buffer.substr(block * 4096, 4096), expected) << block;
    }
    EXPECT_EQ(buffer.substr(3 * 4096), std::string(4096, '\x5a'));

    // A draw is refused only in the uneven top of the range.
    constexpr std::uint64_t kMax = ~std::uint64_t{0};
    constexpr std::uint64_t kHalfPlusOne = (std::uint64_t{1} << 63) + 1;
    EXPECT_FALSE(acceptsDraw(kMax, 3));  // 2^64 - 1 is a multiple of 3
    EXPECT_TRUE(acceptsDraw(kMax - 1, 3));
    EXPECT_TRUE(acceptsDraw(kMax, 4096));
    EXPECT_TRUE(acceptsDraw(kHalfPlusOne - 1, kHalfPlusOne));
    EXPECT_FALSE(acceptsDraw(kHalfPlusOne, kHalfPlusOne));
    RandomBlockSequence first(12289), second(12289);  // 48 MiB + 4 KiB
    for (int i = 0; i < 10000; ++i) {
        const std::uint64_t offset = first.nextOffset();
        ASSERT_EQ(offset, second.nextOffset());
        ASSERT_EQ(offset % 4096, 0u);
        ASSERT_LT(offset, 12289ull * 4096);
    }

    EXPECT_EQ(formatUtcTimestamp(0), "1970-01-01T00:00:00Z");
    EXPECT_EQ(formatUtcTimestamp(1738346645), "2025-01-31T18:04:05Z");
    EXPECT_EQ(formatUtcTimestamp(951825600), "2000-02-29T12:00:00Z");
    EXPECT_EQ(formatUtcTimestamp(4107542400), "2100-03-01T00:00:00Z");
    EXPECT_EQ(formatUtcTimestamp(-1), "1969-12-31T23:59:59Z");
}

TEST(RunRules, StatisticsRatesAndNearestRankPercentiles) {
    EXPECT_DOUBLE_EQ(makeThroughputMetric("w", "w", 1073741824ull, 2.0).value, 512.0);
    EXPECT_EQ(makeThroughputMetric("w", "w", 0, 0.0).value, 0.0);
    // 1 MiB in "0 s" is divided by a microsecond, not by zero.
    EXPECT_DOUBLE_EQ(makeThroughputMetric("w", "w", 1048576, 0.0).value, 1e6);
    EXPECT_DOUBLE_EQ(ratePerSecond(500, 0.25), 2000.0);

    Metric metric;
    fillLatencyPercentiles(metric, {4, 1, 3, 2});
    EXPECT_EQ(metric.p50ms, 2);  // the lower middle sample for an even count
    EXPECT_EQ(metric.p95ms, 4);
    std::vector<double> hundred;
    for (int i = 100; i >= 1; --i)
        hundred.push_back(i);
    fillLatencyPercentiles(metric, hundred);
    EXPECT_EQ(std::vector<double>({metric.p50ms, metric.p95ms, metric.p99ms, metric.maxms}),
              std::vector<double>({50, 95, 99, 100}));
    fillLatencyPercentiles(metric, {});
    EXPECT_EQ(metric.p50ms + metric.maxms, 0);
    EXPECT_EQ(percentileOf({3, 9, 5}, 0.0), 3);
    EXPECT_THROW(percentileOf({1.0}, 1.5), std::invalid_argument);
    EXPECT_THROW(percentileOf({1.0}, -0.1), std::invalid_argument);
    EXPECT_EQ(percentileOf({}, 1.5), 0.0);
}

const std::string kPlanning =
    ". Planning thresholds, not a certification or an inference-speed prediction.";
const std::string kGood = "Good storage candidate" + kPlanning;
const std::string kUsable = "Usable, with slower model switching" + kPlanning;
const std::string kArchive = "Better for model archives; expect slow starts or stalls" + kPlanning;
const std::string kNoRating =
    "No suitability rating: a complete, verified test with successful cleanup is required.";
const std::string kStall = " p99 latency exceeded 50 ms; intermittent stalls are possible.";
constexpr std::uint64_t kTwentyGiB = 21474836480ull;

Metric metric(const char* id, double value, double p99 = 0) {
    Metric m;
    m.id = id;
    m.value = value;
    m.p99ms = p99;
    return m;
}

struct Assessment {
    const char* name;
    friend std::ostream& operator<<(std::ostream& o, const Assessment& r) { return o << r.name; }
    double read, randomRead, write;
    std::function<void(RunResult&)> change;
    std::string expected;
};

class FreshRunAssessment : public ::testing::TestWithParam<Assessment> {};

// Metrics: sequential write, sequential read, random read, then the write quarters (100, 60).
TEST_P(FreshRunAssessment, GivesItsLabelAndRemarks) {
    RunResult run;
    run.status = RunStatus::kCompleted;
    run.verified = run.cleaned = true;
    run.volume.filesystem = fromUtf8("fat32");  // only the exact name "FAT32" is remarked
    run.volume.freeBytesBefore = kTwentyGiB;
    run.metrics = {metric("sequential_write", GetParam().write),
                   metric("sequential_read", GetParam().read),
                   metric("random_read", GetParam().randomRead, 50.0),
                   metric("write_first_quarter", 100), metric("write_last_quarter", 60)};
    if (GetParam().change)
        GetParam().change(run);
    EXPECT_EQ(assessFreshRun(run), GetParam().expected);
}

const Assessment kAssessments[] = {
    {"GoodAtEveryThreshold", 300, 2000, 100, {}, kGood},
    {"UsableReadBelowGood", 299.9, 3000, 200, {}, kUsable},
    {"UsableRandomBelowGood", 500, 1999.9, 200, {}, kUsable},
    {"UsableWriteBelowGood", 500, 3000, 99.9, {}, kUsable},
    {"UsableAtEveryThreshold", 100, 500, 30, {}, kUsable},
    {"ArchiveReadBelow", 99.9, 5000, 500, {}, kArchive},
    {"ArchiveRandomBelow", 500, 499.9, 500, {}, kArchive},
    {"ArchiveWriteBelow", 500, 5000, 29.9, {}, kArchive},
    {"ArchiveWithoutMetrics", 500, 5000, 500, [](RunResult& r) { r.metrics.clear(); }, kArchive},
    {"CleanupWarning", 300, 2000, 100, [](RunResult& r) { r.status = RunStatus::kCleanupWarning; },
     kNoRating},
    {"Unverified", 300, 2000, 100, [](RunResult& r) { r.verified = false; }, kNoRating},
    {"Uncleaned", 300, 2000, 100, [](RunResult& r) { r.cleaned = false; }, kNoRating},
    {"LessThan20GiBFree", 300, 2000, 100,
     [](RunResult& r) { r.volume.freeBytesBefore = kTwentyGiB - 1; },
     kGood + " Less than 20 GiB free: plan space for models, runtimes and outputs."},
    {"WritesSlowedJustOver40Percent", 300, 2000, 100,
     [](RunResult& r) { r.metrics[4].value = 59.9; },
     kGood + " Writes slowed by more than 40% across this test."},
    {"NoFirstQuarterNoSlowdown", 300, 2000, 100,
     [](RunResult& r) { r.metrics[3].value = r.metrics[4].value = 0; }, kGood},
    {"ReadStallJustOver50ms", 300, 2000, 100, [](RunResult& r) { r.metrics[2].p99ms = 50.1; },
     kGood + " Read" + kStall},
    {"AllRemarksInTheirOrder", 300, 2000, 100,
     [](RunResult& r) {
         r.volume.filesystem = fromUtf8("FAT32");
         r.volume.freeBytesBefore = 1;
         r.metrics[4].value = 10;
         r.metrics[2].p99ms = 80;
         r.metrics.push_back(metric("random_write", 900, 51));
     },
     kGood +
         " FAT32 cannot store a single file of 4 GiB or more; many models will not fit."
         " Less than 20 GiB free: plan space for models, runtimes and outputs."
         " Writes slowed by more than 40% across this test. Read" +
         kStall + " Write" + kStall},
};

INSTANTIATE_TEST_SUITE_P(Rules, FreshRunAssessment, ::testing::ValuesIn(kAssessments), byName);

// The worker behind the full check's read-back: order, one job at a time, failures come back.
TEST(PipelinedWorker, RunsJobsOneAtATimeInOrderAndReturnsTheirFailures) {
    std::vector<int> done;
    std::atomic<int> running{0};
    bool overlapped = false;
    {
        PipelinedWorker worker;
        for (int i = 0; i < 200; ++i) {
            worker.submit([&, i] {
                overlapped |= running.fetch_add(1) != 0;
                done.push_back(i);
                running.fetch_sub(1);
            });
        }
        worker.wait();
        ASSERT_EQ(done.size(), 200u);
        worker.submit([] { throw std::runtime_error("compare failed"); });
        EXPECT_THROW(worker.wait(), std::runtime_error);
        worker.submit([&] { done.push_back(200); });
        // Destroyed with a job in hand: it still runs.
    }
    EXPECT_FALSE(overlapped);
    std::vector<int> expected(201);
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(done, expected);
}

TEST(RunLeftovers, NamesMustMatchExactly) {
    const std::string scratch = ".orvane-varnolt-00112233445566778899aabbccddeeff";
    EXPECT_TRUE(isScratchFolderName(scratch));
    for (const std::string& bad :
         std::vector<std::string>{".orvane-varnolt-00112233445566778899AABBCCDDEEFF",
                                  scratch.substr(1), scratch + "0", scratch.substr(0, 47) + "g"})
        EXPECT_FALSE(isScratchFolderName(bad)) << bad;
    for (const char* good : {"workload.bin", "item-0.bin", "item-999.bin", "fill-123456.bin"})
        EXPECT_TRUE(isRunFileName(good)) << good;
    for (const char* bad : {"item-.bin", "item-01.bin", "item-1.BIN", "item-1a.bin", "Workload.bin",
                            "fill-0001.bin", "fill-00001.txt"})
        EXPECT_FALSE(isRunFileName(bad)) << bad;
}

TEST(RunLeftovers, OnlyFoldersHoldingNothingButRunFilesAreRemoved) {
    testing::TempFolder folder;
    const std::string name = ".orvane-varnolt-00112233445566778899aabbccddeeff";
    const auto scratch = [&](char last) { return folder.path() / (name.substr(0, 47) + last); };
    fs::create_directory(scratch('f'));
    testing::writeWholeFile(scratch('f') / "workload.bin", std::string(8192, 'w'));
    testing::writeWholeFile(scratch('f') / "item-3.bin", std::string(100, 's'));
    // Decoys: a user's file, a subfolder, a link, and a name that is almost the pattern.
    fs::create_directory(scratch('0'));
    testing::writeWholeFile(scratch('0') / "workload.bin", "w");
    testing::writeWholeFile(scratch('0') / "notes.txt", "mine");
    testing::writeWholeFile(scratch('0') / "zz.txt", "mine");
    fs::create_directories(scratch('1') / "item-1.bin");
    const fs::path almost = folder.path() / (name + "0");
    fs::create_directory(almost);
    std::vector<std::string> foreign = {"notes.txt", "item-1.bin"};
#ifndef _WIN32
    fs::create_directory(scratch('2'));
    fs::create_symlink(scratch('f') / "item-3.bin", scratch('2') / "item-3.bin");
    fs::create_directory_symlink(scratch('f'), scratch('3'));  // a linked folder is no leftover
    foreign.push_back("item-3.bin");
#endif
    foreign.push_back("");  // the first foreign name of each, sorted by folder
    const auto found = findLeftovers(folder.path());
    ASSERT_EQ(found.size(), foreign.size());
    for (std::size_t i = 0; i < found.size(); ++i) {
        EXPECT_EQ(found[i].foreignEntry, foreign[i]);
        EXPECT_EQ(removeLeftover(found[i].folder).empty(), found[i].removable());
    }
    EXPECT_TRUE(found.back().removable());
    EXPECT_EQ(found.back().bytes, 8292u);
    EXPECT_FALSE(fs::exists(scratch('f')));
    EXPECT_EQ(testing::readWholeFile(scratch('0') / "notes.txt"), "mine");
    EXPECT_TRUE(fs::exists(scratch('0') / "workload.bin"));  // nothing in it is touched
    EXPECT_TRUE(fs::is_directory(scratch('1') / "item-1.bin"));
    EXPECT_FALSE(removeLeftover(almost).empty());
}

}  // namespace
}  // namespace orvane
