// The full check over substitute disks that lie in each known way, and once over real files; the
// sector classification and the write curve's cliff rule beneath it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <limits>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

#include "engine/full_check.h"
#include "engine/sector_classification.h"
#include "storage/target_inspection.h"
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
using testing::RequestRecord;
using ::testing::StartsWith;

constexpr std::uint64_t kM = 1048576;
constexpr std::uint64_t kFill = 16 * kM;

// The build folder: the system's temporary folder may be RAM-backed, which is refused.
#define SKIP_UNLESS_CHECKABLE(target)                                             \
    testing::TempFolder target(fs::current_path());                               \
    try {                                                                         \
        inspectTarget(target.path());                                             \
    } catch (const std::exception& refusal) {                                     \
        GTEST_SKIP() << "this folder cannot be checked here: " << refusal.what(); \
    }

FullCheckOptions smallCheck(const fs::path& folder, std::uint64_t fileBytes = kFill) {
    FullCheckOptions options;
    options.folder = folder;
    options.limitBytes = kFill;
    options.fileBytes = fileBytes;
    options.curve = CurveRules{kM, 4 * kM, 4 * kM};
    return options;
}

// Every parameterised test here is named by its row.
const auto byName = [](const auto& param) { return std::string(param.param.name); };

constexpr auto kRead = RequestKind::Read;
constexpr auto kWrite = RequestKind::Write;

// Requests of one kind at offsets from first to last.
testing::RequestPredicate within(RequestKind kind, std::uint64_t first,
                                 std::uint64_t last = ~0ull) {
    return [=](const RequestRecord& r) {
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
    const char* errorStart;
    const char* verdictStart;
    std::optional<std::uint64_t> cacheBytes = std::nullopt;  // where writes fall off a cliff
};

class FullCheckLies : public ::testing::TestWithParam<LieCase> {};

// A refused write still reads back what was written; every stop reports and cleans up.
TEST_P(FullCheckLies, ClassifiesEverySectorAndFindsTheFirstBadOne) {
    SKIP_UNLESS_CHECKABLE(target)
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
    EXPECT_EQ(disk.refusals(), 0);
    EXPECT_TRUE(result.cleaned);
    EXPECT_EQ(testing::snapshotFolder(target.path()), before);
    // A slice of each curve per MiB written, and per MiB read back whatever it held.
    const std::vector<std::uint64_t>& found = row.tally;
    EXPECT_EQ(result.writeCurve.size(), row.filled / kM);
    EXPECT_EQ(result.readCurve.size(), std::accumulate(found.begin(), found.end() - 1, 0ull) / kM);
    if (row.cacheBytes) {
        EXPECT_EQ(result.write.cacheBytes, row.cacheBytes);
        EXPECT_LT(result.write.rateAfterCliffMiBps, 1.0 / 0.15);
        EXPECT_GT(result.write.rateBeforeCliffMiBps, 2 * result.write.rateAfterCliffMiBps);
    }
}

constexpr auto kDone = RunStatus::kCompleted;
const LieCase kLies[] = {
    {"Honest", [](MemoryDisk&) {}, kDone, kFill, tally(kFill), std::nullopt, "",
     "All 0.0 GB written and read back intact."},
    // The last lap overwrote the first 4 MiB; only the last lap reads back as itself.
    {"WrapsAfterFourMiB", [](MemoryDisk& d) { d.wrapAfter(4 * kM); }, kDone, kFill,
     tally(4 * kM, 12 * kM), 0, "", "0.0 GB of the 0.0 GB written did not come back intact"},
    {"DropsOneWrite", [](MemoryDisk& d) { d.dropWriteAt(nthOfKind(1, kWrite, 6)); }, kDone, kFill,
     tally(15 * kM, 0, kM), 5 * kM, "", "0.0 GB of the 0.0 GB"},
    {"DropsEveryWritePastTwelveMiB", [](MemoryDisk& d) { d.dropWriteAt(within(kWrite, 12 * kM)); },
     kDone, kFill, tally(12 * kM, 0, 4 * kM), 12 * kM, "", "Data written past 0.0 GB is lost"},
    {"FlipsABodyByte", [](MemoryDisk& d) { d.flipByteAt(7 * kM + 3 * 4096 + 100); }, kDone, kFill,
     tally(kFill - 4096, 0, 0, 4096), 7 * kM + 3 * 4096, "", "0.0 GB of the"},
    {"FlipsAStampByte", [](MemoryDisk& d) { d.flipByteAt(9 * kM + 2); }, kDone, kFill,
     tally(kFill - 4096, 0, 0, 4096), 9 * kM, "", "0.0 GB of the"},
    {"CannotReadOneMiB",
     [](MemoryDisk& d) { d.plan(Fault::Fail, within(kRead, 10 * kM, 10 * kM)); }, kDone, kFill,
     tally(15 * kM, 0, 0, 0, kM), 10 * kM, "", "0.0 GB of the"},
    // Far slower than the substitute's own writes even on a busy, sanitised build.
    {"SlowsAfterEightMiB",
     [](MemoryDisk& d) { d.plan(Fault::Stall, within(kWrite, 8 * kM), 0.15); }, kDone, kFill,
     tally(kFill), std::nullopt, "", "All 0.0 GB", 8 * kM},
    {"WriteRefused", [](MemoryDisk& d) { d.plan(Fault::Fail, nthOfKind(1, kWrite, 3)); },
     RunStatus::kFailed, 2 * kM, tally(2 * kM), std::nullopt, "Writing stopped after 0.0 GB: ",
     "Check did not complete after writing 0.0 GB and reading back 0.0 GB; everything"},
    {"CancelledWhileWriting", [](MemoryDisk& d) { d.plan(Fault::Cancel, nthOfKind(1, kWrite, 3)); },
     RunStatus::kCancelled, 3 * kM, tally(0), std::nullopt, "",
     "Check cancelled after writing 0.0 GB"},
    {"OpenRefused", [](MemoryDisk& d) { d.failOpen(1); }, RunStatus::kFailed, 0, tally(0),
     std::nullopt, "Open uncached test file", "Nothing was written: Open uncached test file"},
};

INSTANTIATE_TEST_SUITE_P(Lies, FullCheckLies, ::testing::ValuesIn(kLies), byName);

// Real uncached files: the fill is split into named files the leftovers rule knows, all removed,
// and the model file is read without being changed.
TEST(FullCheckReal, FillsInNamedFilesReadsTheModelAndLeavesTheFolderAsItWas) {
    SKIP_UNLESS_CHECKABLE(target)
    const fs::path model = target.path() / "model.gguf";
    testing::writeWholeFile(model, std::string(3 * kM + 123, 'm'));
    const auto before = testing::snapshotFolder(target.path());
    FullCheckOptions options = smallCheck(target.path(), 6 * kM);
    options.modelFile = model;
    std::atomic<bool> cancel{false};
    std::vector<std::string> scratchNames;
    const auto progress = [&](const Progress& notice) {
        if (!scratchNames.empty() || notice.message.rfind("Reading back", 0) != 0)
            return;
        for (const auto& entry : fs::recursive_directory_iterator(target.path())) {
            if (entry.path().parent_path() != target.path() || entry.is_directory())
                scratchNames.push_back(entry.path().filename().string());
        }
    };

    const FullCheckResult result = runFullCheck(options, cancel, progress);

    ASSERT_EQ(result.status, RunStatus::kCompleted) << result.error;
    EXPECT_TRUE(result.everyByteIntact());
    ASSERT_EQ(scratchNames.size(), 4u);
    std::sort(scratchNames.begin(), scratchNames.end());
    // Windows' gtest has only the simple regular expressions: no counted repeats.
    EXPECT_THAT(scratchNames[0], StartsWith(".orvane-varnolt-"));
    EXPECT_EQ(scratchNames[0].size(), 16u + 32u);
    EXPECT_EQ(scratchNames[1], "fill-00000.bin");
    EXPECT_EQ(scratchNames[3], "fill-00002.bin");
    ASSERT_TRUE(result.modelFile.has_value());
    EXPECT_EQ(result.modelFile->bytes, 3 * kM + 123);
    EXPECT_GT(result.modelFile->estimatedSeconds, 0.0);
    EXPECT_TRUE(result.cleaned);
    EXPECT_EQ(testing::snapshotFolder(target.path()), before);
}

TEST(FullCheckPlan, KeepsTheMarginAndRefusesALimitThatDoesNotFit) {
    const std::uint64_t total = 100 * kGiB;  // margin: 1 % = 1 GiB
    EXPECT_EQ(fillMarginBytes(total), total / 100);
    EXPECT_EQ(fillMarginBytes(kGiB), 256 * kM);
    EXPECT_EQ(plannedFillBytes(11 * kGiB + 5, total, std::nullopt), 10 * kGiB);
    EXPECT_EQ(plannedFillBytes(11 * kGiB, total, 10 * kGiB), 10 * kGiB);
    EXPECT_THROW(plannedFillBytes(11 * kGiB - 1, total, 10 * kGiB), std::runtime_error);
    EXPECT_THROW(plannedFillBytes(total / 100, total, std::nullopt), std::runtime_error);
}

constexpr std::uint64_t kSeed = 0x1122334455667788;
constexpr std::uint64_t kPosition = 5 * kM + 3 * 4096;

struct SectorCase {
    const char* name;
    friend std::ostream& operator<<(std::ostream& o, const SectorCase& r) { return o << r.name; }
    std::function<void(std::vector<std::uint8_t>&)> damage;
    SectorState expected;
};

class SectorClassification : public ::testing::TestWithParam<SectorCase> {};

TEST_P(SectorClassification, NamesWhatTheSectorHolds) {
    std::vector<std::uint8_t> pattern(kSectorBytes);
    for (std::size_t i = 0; i < pattern.size(); ++i)
        pattern[i] = static_cast<std::uint8_t>(i * 7 + 1);
    std::vector<std::uint8_t> sector = pattern;
    stampSectors(sector.data(), kSeed, kPosition, kSectorBytes);
    GetParam().damage(sector);
    EXPECT_EQ(classifySector(sector.data(), pattern.data(), kSeed, kPosition, kFill),
              GetParam().expected);
}

void stamp(std::vector<std::uint8_t>& s, std::uint64_t seed, std::uint64_t position) {
    stampSectors(s.data(), seed, position, kSectorBytes);
}

const SectorCase kSectors[] = {
    {"AsWritten", [](auto&) {}, SectorState::kIntact},
    {"AnotherPositionsStamp", [](auto& s) { stamp(s, kSeed, kPosition - 4 * kM); },
     SectorState::kWrapped},
    {"StampPastTheFill", [](auto& s) { stamp(s, kSeed, kFill); }, SectorState::kChanged},
    {"StampBetweenSectors", [](auto& s) { stamp(s, kSeed, kPosition + 512); },
     SectorState::kChanged},
    {"NeverWritten", [](auto& s) { std::fill(s.begin(), s.end(), 0); }, SectorState::kForeign},
    {"AnotherRunsSeed", [](auto& s) { stamp(s, kSeed + 1, kPosition), s[100] ^= 1; },
     SectorState::kForeign},
    {"OnlyTheSeedDamaged", [](auto& s) { s[3] ^= 0x10; }, SectorState::kChanged},
    {"BodyByteFlipped", [](auto& s) { s[4095] ^= 0xff; }, SectorState::kChanged},
    {"FirstBodyByteFlipped", [](auto& s) { s[kSectorStampBytes] ^= 0x01; }, SectorState::kChanged},
};

INSTANTIATE_TEST_SUITE_P(Cases, SectorClassification, ::testing::ValuesIn(kSectors), byName);

// Runs of (64 MiB slice count, MiB/s) laid end to end.
std::vector<CurveSlice> curve(const std::vector<std::pair<int, double>>& runs) {
    std::vector<CurveSlice> slices;
    for (const auto& [count, rate] : runs) {
        for (int i = 0; i < count; ++i)
            slices.push_back({slices.size() * 64 * kMiB, 64 * kMiB, 64.0 / rate});
    }
    return slices;
}

struct CurveCase {
    const char* name;
    friend std::ostream& operator<<(std::ostream& o, const CurveCase& r) { return o << r.name; }
    std::vector<std::pair<int, double>> runs;
    std::optional<std::uint64_t> cacheBytes;
    double before;
    double after;
};

class WriteCurve : public ::testing::TestWithParam<CurveCase> {};

TEST_P(WriteCurve, FindsTheCliffAndTheRatesAroundIt) {
    const CurveCase& c = GetParam();
    const WriteCurveSummary summary = summarizeWriteCurve(curve(c.runs), CurveRules{}, 1e9);
    EXPECT_EQ(summary.cacheBytes, c.cacheBytes);
    EXPECT_NEAR(summary.rateBeforeCliffMiBps, c.before, 1e-6);
    EXPECT_NEAR(summary.rateAfterCliffMiBps, c.after, 1e-6);
}

// The reference is the whole first GiB, so a cache of half a GiB only lowers that rate.
constexpr double kHalfGiBCache = 1024.0 / (512.0 / 120 + 512.0 / 20);

const CurveCase kCurves[] = {
    {"Steady", {{40, 100.0}}, std::nullopt, 100.0, 100.0},
    {"CacheRunsOutAfterTwoGiB", {{32, 100.0}, {20, 30.0}}, 2 * kGiB, 100.0, 30.0},
    {"DropShorterThanAGiBThenRecovers",
     {{16, 100.0}, {15, 30.0}, {16, 100.0}},
     std::nullopt,
     100.0,
     100.0},
    {"ShortDropAtTheEndCounts", {{16, 100.0}, {16, 100.0}, {3, 30.0}}, 2 * kGiB, 100.0, 30.0},
    {"ExactlyHalfIsNoCliff", {{16, 100.0}, {20, 50.0}}, std::nullopt, 100.0, 100.0},
    {"CacheSmallerThanTheFirstGiB",
     {{8, 120.0}, {40, 20.0}},
     std::nullopt,
     kHalfGiBCache,
     kHalfGiBCache},
    {"SmallerThanAGiB", {{4, 80.0}}, std::nullopt, 80.0, 80.0},
    // A slice timed at zero seconds has no rate to report, not an infinite one.
    {"TimedAtZeroSeconds", {{4, std::numeric_limits<double>::infinity()}}, std::nullopt, 0.0, 0.0},
};

INSTANTIATE_TEST_SUITE_P(Cases, WriteCurve, ::testing::ValuesIn(kCurves), byName);

TEST(WriteCurveModelCopy, CopiesAtTheCacheRateThenAtTheRateAfter) {
    const auto slices = curve({{16, 100.0}, {32, 25.0}});
    const double mib = 1048576.0, pastCache = 6.6e9, cache = 16 * 64 * mib;
    EXPECT_NEAR(summarizeWriteCurve(slices, CurveRules{}, 1e9).modelCopySeconds, 1e9 / (100 * mib),
                1e-9);
    EXPECT_NEAR(summarizeWriteCurve(slices, CurveRules{}, pastCache).modelCopySeconds,
                cache / (100 * mib) + (pastCache - cache) / (25 * mib), 1e-9);
}

}  // namespace
}  // namespace orvane
