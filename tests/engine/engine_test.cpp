// The engine: the pure rules of a run and of the full check, then both run through the
// in-memory substitute file on a real target folder, and the full check once over real files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <filesystem>
#include <functional>
#include <limits>
#include <numeric>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/benchmark_run.h"
#include "engine/fresh_run_assessment.h"
#include "engine/full_check.h"
#include "engine/pipelined_worker.h"
#include "engine/random_block_sequence.h"
#include "engine/run_leftovers.h"
#include "engine/run_option_rules.h"
#include "engine/sector_classification.h"
#include "engine/statistics.h"
#include "engine/test_pattern.h"
#include "engine/utc_timestamp.h"
#include "platform/text_encoding.h"
#include "storage/target_inspection.h"
#include "storage/target_rules.h"
#include "tests/support/folder_snapshot.h"
#include "tests/support/memory_disk.h"
#include "tests/support/message_of.h"
#include "tests/support/temp_folder.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using testing::Fault;
using testing::MemoryDisk;
using testing::messageOf;
using testing::nthOfKind;
using testing::RequestKind;
using ::testing::StartsWith;
constexpr auto W = RequestKind::Write;
constexpr auto R = RequestKind::Read;
constexpr auto F = RequestKind::Flush;
constexpr std::uint64_t kM = 1048576, kFill = 16 * kM;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr auto kNone = std::nullopt;
const auto byName = [](const auto& param) { return std::string(param.param.name); };
const std::string kNoRating =
    "No suitability rating: a complete, verified test with successful cleanup is required.";

// Both edges of each limit, as {folder, bytes, seconds, small files, model GB, profile}.
TEST(RunRules, OptionLimitsAcceptOrRefuseWithTheirOwnMessage) {
    const std::pair<RunOptions, const char*> rows[] = {
        {{{}, 16 * kM, 0.1, 1, 1e-9, ""}, "accepted"},
        {{{}, 3072 * kM, 60.0, 1000, 1000.0, ""}, "accepted"},
        {{{}, 15 * kM, 8.0, 200, 6.6, ""}, kTestSizeMessage},
        {{{}, 3073 * kM, 8.0, 200, 6.6, ""}, kTestSizeMessage},
        {{{}, 16 * kM + 1, 8.0, 200, 6.6, ""}, kTestSizeMessage},
        {{{}, 16 * kM, 0.05, 200, 6.6, ""}, kDurationOrCountMessage},
        {{{}, 16 * kM, 60.5, 200, 6.6, ""}, kDurationOrCountMessage},
        {{{}, 16 * kM, kNaN, 200, 6.6, ""}, kDurationOrCountMessage},
        {{{}, 16 * kM, 8.0, 0, 6.6, ""}, kDurationOrCountMessage},
        {{{}, 16 * kM, 8.0, 1001, 6.6, ""}, kDurationOrCountMessage},
        {{{}, 16 * kM, 8.0, 200, 0.0, ""}, kModelSizeMessage},
        {{{}, 16 * kM, 8.0, 200, 1000.001, ""}, kModelSizeMessage},
        {{{}, 16 * kM, 8.0, 200, kNaN, ""}, kModelSizeMessage},
    };
    for (const auto& [options, message] : rows) {
        EXPECT_EQ(messageOf([&] { validateRunOptions(options); }), message)
            << options.testBytes << " " << options.randomSecondsPerPhase << " "
            << options.smallFiles << " " << options.modelGB;
    }
}

TEST(RunRules, FreeSpaceIsTestDataPlus64KiBPerFileAndA256MiBMargin) {
    const RunOptions options{{}, 16 * kM, 8.0, 4, 6.6, ""};
    const std::uint64_t required = 16 * kM + 65536ull * 4 + 256 * kM;
    EXPECT_EQ(requiredFreeBytes(options), required);
    EXPECT_EQ(messageOf([&] { requireFreeSpace(required, options); }), "accepted");
    EXPECT_EQ(messageOf([&] { requireFreeSpace(required - 1, options); }),
              kInsufficientSpaceMessage);
}

TEST(RunRules, ScratchNamesPatternDrawsAndTimestamps) {
    const std::array<std::uint8_t, 16> bytes = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                                                0x88, 0x99, 0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xab};
    EXPECT_EQ(scratchFolderName(bytes), ".orvane-varnolt-00112233445566778899aabbccddeeab");

    // Every started block is tagged with its address, little-endian, and nothing else changes.
    std::string buffer(4 * 4096, '\x5a'), expected = buffer;
    tagBlocks(reinterpret_cast<std::uint8_t*>(buffer.data()), 0x0102030405060708ull, 2 * 4096 + 1);
    for (std::uint64_t block = 0; block < 3; ++block) {
        for (unsigned byte = 0; byte < 8; ++byte)
            expected[block * 4096 + byte] =
                static_cast<char>((0x0102030405060708ull + block * 4096) >> (8 * byte));
    }
    EXPECT_TRUE(buffer == expected);

    // A draw is refused only in the uneven top of the range.
    constexpr std::uint64_t kMax = ~std::uint64_t{0};
    constexpr std::uint64_t kHalfPlusOne = (std::uint64_t{1} << 63) + 1;
    EXPECT_FALSE(acceptsDraw(kMax, 3));  // 2^64 - 1 is a multiple of 3
    EXPECT_TRUE(acceptsDraw(kMax, 4096));
    EXPECT_TRUE(acceptsDraw(kHalfPlusOne - 1, kHalfPlusOne));
    EXPECT_FALSE(acceptsDraw(kHalfPlusOne, kHalfPlusOne));

    EXPECT_EQ(formatUtcTimestamp(951825600), "2000-02-29T12:00:00Z");
    EXPECT_EQ(formatUtcTimestamp(4107542400), "2100-03-01T00:00:00Z");
    EXPECT_EQ(formatUtcTimestamp(-1), "1969-12-31T23:59:59Z");
}

TEST(RunRules, StatisticsRatesAndNearestRankPercentiles) {
    EXPECT_DOUBLE_EQ(makeThroughputMetric("w", "w", 1073741824ull, 2.0).value, 512.0);
    // 1 MiB in "0 s" is divided by a microsecond, not by zero.
    EXPECT_DOUBLE_EQ(makeThroughputMetric("w", "w", 1048576, 0.0).value, 1e6);
    EXPECT_DOUBLE_EQ(ratePerSecond(500, 0.25), 2000.0);

    // Nearest rank: the lower middle sample for an even count.
    Metric metric;
    std::vector<double> hundred(100);
    std::iota(hundred.rbegin(), hundred.rend(), 1.0);
    fillLatencyPercentiles(metric, hundred);
    EXPECT_EQ(std::vector<double>({metric.p50ms, metric.p95ms, metric.p99ms, metric.maxms}),
              std::vector<double>({50, 95, 99, 100}));
    fillLatencyPercentiles(metric, {});
    EXPECT_EQ(metric.p50ms + metric.maxms, 0);
    EXPECT_EQ(percentileOf({3, 9, 5}, 0.0), 3);
    EXPECT_THROW(percentileOf({1.0}, 1.5), std::invalid_argument);
    EXPECT_THROW(percentileOf({1.0}, -0.1), std::invalid_argument);
}

const std::string kPlanning =
    ". Planning thresholds, not a certification or an inference-speed prediction.";
const std::string kGood = "Good storage candidate" + kPlanning;
const std::string kUsable = "Usable, with slower model switching" + kPlanning;
const std::string kArchive = "Better for model archives; expect slow starts or stalls" + kPlanning;
const std::string kStall = " p99 latency exceeded 50 ms; intermittent stalls are possible.";
constexpr std::uint64_t kTwentyGiB = 21474836480ull;

Metric metric(const char* id, double value, double p99 = 0) {
    Metric m;
    m.id = id;
    m.value = value;
    m.p99ms = p99;
    return m;
}

// Metrics: sequential write, sequential read, random read, then the write quarters (100, 60).
TEST(RunRules, FreshRunAssessmentGivesItsLabelAndRemarks) {
    const struct {
        const char* name;
        double read, randomRead, write;
        std::function<void(RunResult&)> change;
        std::string expected;
    } rows[] = {
        {"GoodAtEveryThreshold", 300, 2000, 100, {}, kGood},
        {"UsableReadBelowGood", 299.9, 3000, 200, {}, kUsable},
        {"UsableRandomBelowGood", 500, 1999.9, 200, {}, kUsable},
        {"UsableWriteBelowGood", 500, 3000, 99.9, {}, kUsable},
        {"UsableAtEveryThreshold", 100, 500, 30, {}, kUsable},
        {"ArchiveReadBelow", 99.9, 5000, 500, {}, kArchive},
        {"ArchiveRandomBelow", 500, 499.9, 500, {}, kArchive},
        {"ArchiveWriteBelow", 500, 5000, 29.9, {}, kArchive},
        {"CleanupWarning", 300, 2000, 100,
         [](RunResult& r) { r.status = RunStatus::kCleanupWarning; }, kNoRating},
        {"Unverified", 300, 2000, 100, [](RunResult& r) { r.verified = false; }, kNoRating},
        {"Uncleaned", 300, 2000, 100, [](RunResult& r) { r.cleaned = false; }, kNoRating},
        {"NoFirstQuarterNoSlowdown", 300, 2000, 100,
         [](RunResult& r) { r.metrics[3].value = r.metrics[4].value = 0; }, kGood},
        // The base row sits on every remark's limit; this one just over each, FAT32 and writes
        // added.
        {"AllRemarksJustOverInTheirOrder", 300, 2000, 100,
         [](RunResult& r) {
             r.volume.filesystem = fromUtf8("FAT32");
             r.volume.freeBytesBefore = kTwentyGiB - 1;
             r.metrics[4].value = 59.9;
             r.metrics[2].p99ms = 50.1;
             r.metrics.push_back(metric("random_write", 900, 50.1));
         },
         kGood +
             " FAT32 cannot store a single file of 4 GiB or more; many models will not fit."
             " Less than 20 GiB free: plan space for models, runtimes and outputs."
             " Writes slowed by more than 40% across this test. Read" +
             kStall + " Write" + kStall},
    };
    for (const auto& row : rows) {
        RunResult run;
        run.status = RunStatus::kCompleted;
        run.verified = run.cleaned = true;
        run.volume.filesystem = fromUtf8("fat32");  // only the exact name "FAT32" is remarked
        run.volume.freeBytesBefore = kTwentyGiB;
        run.metrics = {metric("sequential_write", row.write), metric("sequential_read", row.read),
                       metric("random_read", row.randomRead, 50.0),
                       metric("write_first_quarter", 100), metric("write_last_quarter", 60)};
        if (row.change)
            row.change(run);
        EXPECT_EQ(assessFreshRun(run), row.expected) << row.name;
    }
}

// The worker behind the full check's read-back (which covers its order): a job's failure comes
// back, and a job still in hand when it goes runs first.
TEST(PipelinedWorker, ReturnsFailuresAndFinishesTheLastJob) {
    int done = 0;
    {
        PipelinedWorker worker;
        worker.submit([] { throw std::runtime_error("compare failed"); });
        EXPECT_THROW(worker.wait(), std::runtime_error);
        worker.submit([&] { ++done; });
    }
    EXPECT_EQ(done, 1);
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
    // Decoys: a user's files, a subfolder, and a name that is almost the pattern.
    fs::create_directory(scratch('0'));
    testing::writeWholeFile(scratch('0') / "workload.bin", "w");
    testing::writeWholeFile(scratch('0') / "notes.txt", "mine");
    testing::writeWholeFile(scratch('0') / "zz.txt", "mine");
    fs::create_directories(scratch('1') / "item-1.bin");
    const fs::path almost = folder.path() / (name + "0");
    fs::create_directory(almost);
    const std::vector<std::string> foreign = {"notes.txt", "item-1.bin", ""};  // first, by folder
    const auto found = findLeftovers(folder.path());
    ASSERT_EQ(found.size(), foreign.size());
    for (std::size_t i = 0; i < found.size(); ++i) {
        EXPECT_EQ(found[i].foreignEntry, foreign[i]);
        EXPECT_EQ(removeLeftover(found[i].folder).empty(), found[i].removable());
    }
    EXPECT_EQ(found.back().bytes, 8292u);
    EXPECT_FALSE(fs::exists(scratch('f')));
    EXPECT_TRUE(fs::exists(scratch('0') / "workload.bin"));  // nothing in it is touched
    EXPECT_TRUE(fs::is_directory(scratch('1') / "item-1.bin"));
    EXPECT_FALSE(removeLeftover(almost).empty());
}

TEST(FullCheckPlan, KeepsTheMarginAndRefusesALimitThatDoesNotFit) {
    const std::uint64_t total = 100 * kGiB;  // margin: 1 % = 1 GiB
    EXPECT_EQ(fillMarginBytes(kGiB), 256 * kM);
    EXPECT_EQ(plannedFillBytes(11 * kGiB + 5, total, std::nullopt), 10 * kGiB);
    EXPECT_EQ(plannedFillBytes(11 * kGiB, total, 10 * kGiB), 10 * kGiB);
    EXPECT_THROW(plannedFillBytes(11 * kGiB - 1, total, 10 * kGiB), std::runtime_error);
    EXPECT_THROW(plannedFillBytes(total / 100, total, std::nullopt), std::runtime_error);
}

constexpr std::uint64_t kSeed = 0x1122334455667788;
constexpr std::uint64_t kPosition = 5 * kM + 3 * 4096;

void stamp(std::vector<std::uint8_t>& s, std::uint64_t seed, std::uint64_t position) {
    stampSectors(s.data(), seed, position, kSectorBytes);
}

TEST(FullCheckRules, SectorClassificationNamesWhatTheSectorHolds) {
    const std::tuple<const char*, std::function<void(std::vector<std::uint8_t>&)>, SectorState>
        rows[] = {
            {"AsWritten", [](auto&) {}, SectorState::kIntact},
            {"AnotherPosition", [](auto& s) { stamp(s, kSeed, kPosition - 4 * kM); },
             SectorState::kWrapped},
            {"PastTheFill", [](auto& s) { stamp(s, kSeed, kFill); }, SectorState::kChanged},
            {"BetweenSectors", [](auto& s) { stamp(s, kSeed, kPosition + 512); },
             SectorState::kChanged},
            {"AnotherRunsSeed", [](auto& s) { stamp(s, kSeed + 1, kPosition), s[100] ^= 1; },
             SectorState::kForeign},
            {"OnlyTheSeedDamaged", [](auto& s) { s[3] ^= 0x10; }, SectorState::kChanged},
            {"FirstBodyByte", [](auto& s) { s[kSectorStampBytes] ^= 0x01; }, SectorState::kChanged},
        };
    std::vector<std::uint8_t> pattern(kSectorBytes);
    for (std::size_t i = 0; i < pattern.size(); ++i)
        pattern[i] = static_cast<std::uint8_t>(i * 7 + 1);
    for (const auto& [name, damage, expected] : rows) {
        std::vector<std::uint8_t> sector = pattern;
        stamp(sector, kSeed, kPosition);
        damage(sector);
        EXPECT_EQ(classifySector(sector.data(), pattern.data(), kSeed, kPosition, kFill), expected)
            << name;
    }
}

// Runs of (64 MiB slice count, MiB/s) laid end to end.
std::vector<CurveSlice> curve(const std::vector<std::pair<int, double>>& runs) {
    std::vector<CurveSlice> slices;
    for (const auto& [count, rate] : runs) {
        for (int i = 0; i < count; ++i)
            slices.push_back({slices.size() * 64 * kMiB, 64 * kMiB, 64.0 / rate});
    }
    return slices;
}

// The reference is the whole first GiB, so a cache of half a GiB only lowers that rate.
constexpr double kHalfGiB = 1024.0 / (512.0 / 120 + 512.0 / 20);

TEST(FullCheckRules, WriteCurveFindsTheCliffAndTheRatesAroundIt) {
    const struct {
        const char* name;
        std::vector<std::pair<int, double>> runs;
        std::optional<std::uint64_t> cacheBytes;
        double before, after;
    } rows[] = {
        {"Steady", {{40, 100.0}}, kNone, 100.0, 100.0},
        {"CacheRunsOutAfterTwoGiB", {{32, 100.0}, {20, 30.0}}, 2 * kGiB, 100.0, 30.0},
        {"DropUnderAGiBRecovers", {{16, 100.0}, {15, 30.0}, {16, 100.0}}, kNone, 100.0, 100.0},
        {"ShortDropAtTheEndCounts", {{16, 100.0}, {16, 100.0}, {3, 30.0}}, 2 * kGiB, 100.0, 30.0},
        {"ExactlyHalfIsNoCliff", {{16, 100.0}, {20, 50.0}}, kNone, 100.0, 100.0},
        {"CacheUnderAGiB", {{8, 120.0}, {40, 20.0}}, kNone, kHalfGiB, kHalfGiB},
        {"SmallerThanAGiB", {{4, 80.0}}, kNone, 80.0, 80.0},
        // A slice timed at zero seconds has no rate to report, not an infinite one.
        {"TimedAtZeroSeconds", {{4, std::numeric_limits<double>::infinity()}}, kNone, 0.0, 0.0},
    };
    for (const auto& row : rows) {
        const WriteCurveSummary summary = summarizeWriteCurve(curve(row.runs), CurveRules{}, 1e9);
        EXPECT_EQ(summary.cacheBytes, row.cacheBytes) << row.name;
        EXPECT_NEAR(summary.rateBeforeCliffMiBps, row.before, 1e-6) << row.name;
        EXPECT_NEAR(summary.rateAfterCliffMiBps, row.after, 1e-6) << row.name;
    }
    // A model copy runs at the cache rate, then at the rate after the cliff.
    const auto slices = curve({{16, 100.0}, {32, 25.0}});
    const double mib = 1048576.0, pastCache = 6.6e9, cache = 16 * 64 * mib;
    EXPECT_NEAR(summarizeWriteCurve(slices, CurveRules{}, 1e9).modelCopySeconds, 1e9 / (100 * mib),
                1e-9);
    EXPECT_NEAR(summarizeWriteCurve(slices, CurveRules{}, pastCache).modelCopySeconds,
                cache / (100 * mib) + (pastCache - cache) / (25 * mib), 1e-9);
}

// What is done to the run: a disk fault at request (opening, kind, number), at a notice, or a
// refusal before the start (number: 0 cancelled, 1 a missing folder).
// The first three are the substitute disk's own faults, in its order.
enum class Plan { Fail, ShortRead, Cancel, FailOpen, CancelAtNotice, Flip, Tamper, Throw, Refuse };
// Plan, opening, kind, number (Fail: 0 is each of 1 to 16; Flip: the offset; Tamper: see
// tamper()), metrics kept, error (Fail and FailOpen: the operation that fails).
const std::tuple<Plan, int, RequestKind, std::uint64_t, std::size_t, const char*> kFaults[] = {
    {Plan::Fail, 1, W, 0, 0, "Write test file"},
    {Plan::Fail, 1, F, 1, 0, "Flush test data"},
    {Plan::Fail, 2, R, 0, 3, "Read test file"},
    {Plan::Fail, 2, W, 80, 5, "Write test file"},
    {Plan::Fail, 2, F, 1, 5, "Flush test data"},
    {Plan::Fail, 3, R, 0, 6, "Read test file"},
    {Plan::FailOpen, 1, W, 0, 0, "Open uncached test file"},
    {Plan::FailOpen, 2, W, 0, 3, "Open uncached test file"},
    {Plan::FailOpen, 3, W, 0, 6, "Open uncached test file"},
    {Plan::Cancel, 1, W, 3, 0, ""},
    {Plan::Cancel, 2, R, 5, 3, ""},
    {Plan::Cancel, 2, W, 10, 5, ""},
    {Plan::Cancel, 3, R, 3, 6, ""},
    {Plan::CancelAtNotice, 0, W, 90, 6, ""},
    {Plan::CancelAtNotice, 0, W, 95, 7, ""},
    {Plan::Flip, 0, R, 16 * kM - 1, 6, ""},
    {Plan::ShortRead, 3, R, 2, 6, "Short read: drive returned incomplete test data."},
    {Plan::Tamper, 0, W, 0, 7, "Could not read complete small file."},
    {Plan::Tamper, 0, W, 4096, 7, "Small-file integrity mismatch."},
    {Plan::Throw, 0, W, 0, 0, "window gone"},
    {Plan::Refuse, 0, W, 0, 0, ""},
    {Plan::Refuse, 0, W, 1, 0, kChooseExistingFolderMessage},
};

class BenchmarkRun : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::writeWholeFile(target_.path() / "model.gguf", std::string(70000, 'm'));
        before_ = testing::snapshotFolder(target_.path());
        options_ = RunOptions{target_.path(), 16 * kM, 0.1, 4, 6.6, ""};
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
    void expectCleanEnd(const RunResult& result, const MemoryDisk& disk) {
        EXPECT_EQ(testing::snapshotFolder(target_.path()), before_);
        EXPECT_EQ(disk.refusals(), 0);
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
    for (const auto& [plan, opening, kind, number, metricsBefore, message] : kFaults) {
        const bool each = plan == Plan::Fail && number == 0;
        for (std::uint64_t n = each ? 1 : number; n <= (each ? 16 : number); ++n) {
            SCOPED_TRACE(::testing::Message() << static_cast<int>(plan) << " " << opening << " "
                                              << static_cast<int>(kind) << " " << n);
            const bool refused = plan == Plan::Refuse;
            std::atomic<bool> cancel{refused && n == 0};
            MemoryDisk disk(&cancel);
            options_.folder = refused && n == 1 ? target_.path() / "missing" : target_.path();
            std::string error = message;
            std::function<void(int)> hook;
            // The last random request outlasts the 0.1 s limit: its failure still counts.
            if (plan <= Plan::Cancel)
                disk.plan(static_cast<Fault>(plan), nthOfKind(opening, kind, n),
                          n >= 80 ? 0.12 : 0.0);
            if (plan == Plan::Fail || plan == Plan::FailOpen)
                error = MemoryDisk::ioErrorMessage(message);
            if (plan == Plan::FailOpen)
                disk.failOpen(opening);
            if (plan == Plan::Flip) {
                disk.flipByteAt(n);
                error = "Integrity mismatch at MiB " + std::to_string(n / kM) +
                        ". Do not rely on this drive until investigated.";
            }
            if (plan == Plan::CancelAtNotice)
                hook = [&](int percent) { cancel = cancel || percent == static_cast<int>(n); };
            if (plan == Plan::Throw)
                hook = [](int) { throw std::runtime_error("window gone"); };
            // After the last small file is written (93 %), 0 truncates one, any other number
            // flips the byte there.
            if (plan == Plan::Tamper) {
                hook = [&](int percent) {
                    for (const auto& entry : fs::recursive_directory_iterator(target_.path())) {
                        if (percent != 93 || entry.path().filename() != "item-1.bin")
                            continue;
                        std::string bytes = testing::readWholeFile(entry.path());
                        bytes[n] = static_cast<char>(bytes[n] ^ 0xff);
                        testing::writeWholeFile(entry.path(), n ? bytes : bytes.substr(1));
                    }
                };
            }
            const RunResult result = run(disk, cancel, hook);
            const bool cancelled =
                plan == Plan::Cancel || plan == Plan::CancelAtNotice || (refused && n == 0);
            EXPECT_EQ(result.status, cancelled ? RunStatus::kCancelled : RunStatus::kFailed);
            EXPECT_EQ(result.error, error);
            EXPECT_TRUE(result.cleaned && !result.verified);
            EXPECT_EQ(result.metrics.size(), metricsBefore);
            expectCleanEnd(result, disk);
            // The begun request completes, no more; a throwing callback hears of the first
            // notice of the write and the last notice.
            EXPECT_TRUE(plan != Plan::Cancel || opening != 1 || result.bytesWritten == 3 * kM);
            EXPECT_EQ(notices_.size(), refused ? 1u : plan == Plan::Throw ? 2u : notices_.size());
            EXPECT_TRUE(!refused || (disk.openAttempts() == 0 && result.scratchFolder.empty()));
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
        EXPECT_THAT(result.error, StartsWith(taken ? "Create small file (" : cleanup));
        EXPECT_THAT(result.error, ::testing::EndsWith(cleanup));
        EXPECT_TRUE(result.verified != taken && !result.cleaned && result.assessment == kNoRating);
        EXPECT_EQ(result.metrics.size(), taken ? 6u : 8u);
        EXPECT_EQ(testing::snapshotFolder(result.scratchFolder),
                  testing::FolderSnapshot({{name, std::hash<std::string>{}("theirs")}}));
    }
}

// Two complete runs: well-formed requests, fresh scratch names, the same random offsets. The
// random phases stop at their time (request 20 of each outlasts it) or at the operation cap.
TEST_F(BenchmarkRun, CompleteRunsMeasureEverythingAndReproduceTheirOffsets) {
    for (int i = 0; i < 2; ++i) {
        std::atomic<bool> cancel{false};
        MemoryDisk disk(&cancel);
        disk.plan(Fault::Stall, nthOfKind(2, R, 16 + 20), i == 0 ? 0.15 : 0.0);
        disk.plan(Fault::Stall, nthOfKind(2, W, 20), i == 0 ? 0.15 : 0.0);
        options_.randomSecondsPerPhase = i == 0 ? 0.1 : 60.0;
        const RunResult result = run(disk, cancel);
        ASSERT_EQ(result.status, RunStatus::kCompleted) << result.error;
        EXPECT_TRUE(result.verified && result.cleaned && disk.openAttempts() == 3);
        ASSERT_EQ(result.metrics.size(), 8u);
        EXPECT_NE(result.assessment, kNoRating);
        expectCleanEnd(result, disk);
        const auto& m = result.metrics;
        EXPECT_EQ(m[0].bytes + m[1].bytes + m[6].bytes, 20 * kM + 65536);
        // Request time only: a quarter of the requests cannot outlast the whole phase.
        EXPECT_LE(m[2].seconds, m[0].seconds);
        EXPECT_EQ(m[5].bytes, m[5].operations * 4096);
        EXPECT_GE(m[4].seconds, 0.1);
        EXPECT_EQ(m[7].operations, 4u);
        EXPECT_EQ(result.bytesWritten, 16 * kM + m[5].operations * 4096 + 4 * 16384);
        for (std::size_t phase : {4u, 5u}) {
            // Unless this machine is too slow to reach the cap in the time.
            EXPECT_TRUE(i == 0 ? m[phase].operations == 20u
                               : m[phase].seconds >= 60.0 || m[phase].operations == 250000u);
        }
        EXPECT_GE(m[5].maxms, i == 0 ? 150.0 : 0.0);

        // Progress never goes backwards; the random reads give one notice per 256.
        std::size_t randomReadNotices = 0;
        for (std::size_t n = 0; n < notices_.size(); ++n) {
            EXPECT_GE(notices_[n].percent, n ? notices_[n - 1].percent : 0);
            randomReadNotices += notices_[n].message == "Random read / 4 KiB QD1...";
        }
        EXPECT_EQ(randomReadNotices, 1 + m[4].operations / 256);

        // The random reads, then the writes continuing the same draws: 4096 blocks divide 2^64
        // evenly, so every draw is kept and block = draw mod 4096.
        std::mt19937_64 engine(41229);
        for (const auto& request : disk.requests()) {
            if (request.opening == 2 && request.kind != F &&
                (request.kind == W || request.numberOfKind > 16)) {
                ASSERT_EQ(request.offset, (engine() % 4096) * 4096);
            }
        }
    }
}

// Inside a timed phase the bar moves with the time spent: a read held 0.1 s of a 0.5 s phase
// puts the notice after it at least two percent further on.
TEST_F(BenchmarkRun, ProgressInsideARandomPhaseFollowsItsTime) {
    std::atomic<bool> cancel{false};
    MemoryDisk disk(&cancel);
    disk.plan(Fault::Stall, nthOfKind(2, R, 16 + 300), 0.1);
    options_.randomSecondsPerPhase = 0.5;
    ASSERT_EQ(run(disk, cancel).status, RunStatus::kCompleted);
    std::vector<std::int32_t> readPercents;
    for (const Progress& notice : notices_) {
        if (notice.message == "Random read / 4 KiB QD1...")
            readPercents.push_back(notice.percent);
    }
    ASSERT_GE(readPercents.size(), 3u);
    EXPECT_GE(readPercents[2], readPercents[0] + 2);
}

// The build folder: the system's temporary folder may be RAM-backed, which is refused.
#define SKIP_UNLESS_CHECKABLE(target)                                                         \
    testing::TempFolder target(fs::current_path());                                           \
    if (const auto why = messageOf([&] { inspectTarget(target.path()); }); why != "accepted") \
    GTEST_SKIP() << "this folder cannot be checked here: " << why

FullCheckOptions smallCheck(const fs::path& folder, std::uint64_t fileBytes = kFill) {
    FullCheckOptions options;
    options.folder = folder;
    options.limitBytes = kFill;
    options.fileBytes = fileBytes;
    options.curve = CurveRules{kM, 4 * kM, 4 * kM};
    return options;
}

// Requests of one kind at offsets from first to last.
testing::RequestPredicate within(RequestKind kind, std::uint64_t first,
                                 std::uint64_t last = ~0ull) {
    return [=](const testing::RequestRecord& r) {
        return r.kind == kind && r.offset >= first && r.offset <= last;
    };
}

// Bytes found intact, wrapped, foreign, changed and unreadable.
std::vector<std::uint64_t> tally(std::uint64_t intact, std::uint64_t wrapped = 0,
                                 std::uint64_t foreign = 0, std::uint64_t changed = 0,
                                 std::uint64_t unreadable = 0) {
    return {intact, wrapped, foreign, changed, unreadable};
}

// What the disk does, and what the check must make of it.
struct LieCase {
    const char* name;
    friend std::ostream& operator<<(std::ostream& o, const LieCase& r) { return o << r.name; }
    std::function<void(MemoryDisk&)> lie;
    RunStatus status;
    std::uint64_t filled;
    std::vector<std::uint64_t> tally;
    std::optional<std::uint64_t> firstBad;
    const char *errorStart, *verdictStart;
    std::optional<std::uint64_t> cacheBytes = std::nullopt;  // where writes fall off a cliff
};

class FullCheckLies : public ::testing::TestWithParam<LieCase> {};

// A refused write still reads back what was written; every stop reports and cleans up.
TEST_P(FullCheckLies, ClassifiesEverySectorAndFindsTheFirstBadOne) {
    SKIP_UNLESS_CHECKABLE(target);
    const LieCase& row = GetParam();
    const auto before = testing::snapshotFolder(target.path());
    std::atomic<bool> cancel{false};
    MemoryDisk disk(&cancel);
    row.lie(disk);

    const FullCheckResult result =
        runFullCheck(smallCheck(target.path()), cancel, {}, disk.factory());

    EXPECT_EQ(result.status, row.status);
    EXPECT_EQ(result.filledBytes, row.filled);
    const SectorTally& t = result.tally;
    EXPECT_EQ(tally(t.intact, t.wrapped, t.foreign, t.changed, t.unreadable), row.tally);
    EXPECT_EQ(result.firstBadPosition, row.firstBad);
    EXPECT_EQ(result.everyByteIntact(), !row.firstBad && row.tally[0] > 0);
    EXPECT_THAT(result.error, StartsWith(row.errorStart));
    EXPECT_THAT(result.verdict, StartsWith(row.verdictStart));
    EXPECT_TRUE(result.cleaned && disk.refusals() == 0);
    EXPECT_EQ(testing::snapshotFolder(target.path()), before);
    // A slice of each curve per MiB written, and per MiB read back whatever it held.
    EXPECT_EQ(result.writeCurve.size(), row.filled / kM);
    EXPECT_EQ(result.readCurve.size(),
              std::accumulate(row.tally.begin(), row.tally.end() - 1, 0ull) / kM);
    if (row.cacheBytes) {
        EXPECT_EQ(result.write.cacheBytes, row.cacheBytes);
        EXPECT_LT(result.write.rateAfterCliffMiBps, 1.0 / 0.15);
        EXPECT_GT(result.write.rateBeforeCliffMiBps, 2 * result.write.rateAfterCliffMiBps);
    }
}

constexpr auto kDone = RunStatus::kCompleted;
const LieCase kLies[] = {
    {"Honest", [](MemoryDisk&) {}, kDone, kFill, tally(kFill), kNone, "",
     "All 0.0 GB written and read back intact."},
    // The last lap overwrote the first 4 MiB; only the last lap reads back as itself.
    {"WrapsAfterFourMiB", [](MemoryDisk& d) { d.wrapAfter(4 * kM); }, kDone, kFill,
     tally(4 * kM, 12 * kM), 0, "", "0.0 GB of the 0.0 GB written did not come back intact"},
    {"DropsOneWrite", [](MemoryDisk& d) { d.dropWriteAt(nthOfKind(1, W, 6)); }, kDone, kFill,
     tally(15 * kM, 0, kM), 5 * kM, "", "0.0 GB of the 0.0 GB"},
    {"DropsEveryWritePastTwelveMiB", [](MemoryDisk& d) { d.dropWriteAt(within(W, 12 * kM)); },
     kDone, kFill, tally(12 * kM, 0, 4 * kM), 12 * kM, "", "Data written past 0.0 GB is lost"},
    {"FlipsAStampByte", [](MemoryDisk& d) { d.flipByteAt(9 * kM + 2); }, kDone, kFill,
     tally(kFill - 4096, 0, 0, 4096), 9 * kM, "", "0.0 GB of the"},
    {"CannotReadOneMiB", [](MemoryDisk& d) { d.plan(Fault::Fail, within(R, 10 * kM, 10 * kM)); },
     kDone, kFill, tally(15 * kM, 0, 0, 0, kM), 10 * kM, "", "0.0 GB of the"},
    // Far slower than the substitute's own writes even on a busy, sanitised build.
    {"SlowsAfterEightMiB", [](MemoryDisk& d) { d.plan(Fault::Stall, within(W, 8 * kM), 0.15); },
     kDone, kFill, tally(kFill), kNone, "", "All 0.0 GB", 8 * kM},
    {"WriteRefused", [](MemoryDisk& d) { d.plan(Fault::Fail, nthOfKind(1, W, 3)); },
     RunStatus::kFailed, 2 * kM, tally(2 * kM), kNone, "Writing stopped after 0.0 GB: ",
     "Check did not complete after writing 0.0 GB and reading back 0.0 GB; everything"},
    {"CancelledWhileWriting", [](MemoryDisk& d) { d.plan(Fault::Cancel, nthOfKind(1, W, 3)); },
     RunStatus::kCancelled, 3 * kM, tally(0), kNone, "", "Check cancelled after writing 0.0 GB"},
    {"OpenRefused", [](MemoryDisk& d) { d.failOpen(1); }, RunStatus::kFailed, 0, tally(0), kNone,
     "Open uncached test file", "Nothing was written: Open uncached test file"},
};

INSTANTIATE_TEST_SUITE_P(Lies, FullCheckLies, ::testing::ValuesIn(kLies), byName);

// Real uncached files: the fill is split into named files the leftovers rule knows, all removed,
// and the model file is read without being changed.
TEST(FullCheckReal, FillsInNamedFilesReadsTheModelAndLeavesTheFolderAsItWas) {
    SKIP_UNLESS_CHECKABLE(target);
    const fs::path model = target.path() / "model.gguf";
    testing::writeWholeFile(model, std::string(3 * kM + 123, 'm'));
    const auto before = testing::snapshotFolder(target.path());
    FullCheckOptions options = smallCheck(target.path(), 6 * kM);
    options.modelFile = model;
    std::atomic<bool> cancel{false};
    testing::FolderSnapshot scratch;  // names only: the check holds its files open
    const auto progress = [&](const Progress&) {
        for (const auto& entry : fs::recursive_directory_iterator(target.path())) {
            if (isScratchFolderName(entry.path().parent_path().filename().string()))
                scratch[entry.path().filename().string()] = 0;
        }
    };

    const FullCheckResult result = runFullCheck(options, cancel, progress);

    ASSERT_EQ(result.status, RunStatus::kCompleted) << result.error;
    EXPECT_TRUE(result.everyByteIntact() && result.cleaned);
    ASSERT_EQ(scratch.size(), 3u);
    EXPECT_EQ(scratch.begin()->first + scratch.rbegin()->first, "fill-00000.binfill-00002.bin");
    ASSERT_TRUE(result.modelFile.has_value());
    EXPECT_EQ(result.modelFile->bytes, 3 * kM + 123);
    EXPECT_GT(result.modelFile->estimatedSeconds, 0.0);
    EXPECT_EQ(testing::snapshotFolder(target.path()), before);
}

}  // namespace
}  // namespace orvane
