// The full check over substitute disks that lie in each known way, and once over real files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/full_check.h"
#include "storage/target_inspection.h"
#include "tests/support/folder_snapshot.h"
#include "tests/support/memory_disk.h"
#include "tests/support/temp_folder.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
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

testing::RequestPredicate writeFrom(std::uint64_t offset) {
    return [offset](const RequestRecord& r) {
        return r.kind == RequestKind::Write && r.offset >= offset;
    };
}

struct LieCase {
    const char* name;
    std::function<void(MemoryDisk&)> lie;
    SectorTally expected;
    std::optional<std::uint64_t> firstBad;
    const char* verdictStart;
};

void PrintTo(const LieCase& row, std::ostream* out) {
    *out << row.name;
}

class FullCheckLies : public ::testing::TestWithParam<LieCase> {};

TEST_P(FullCheckLies, ClassifiesEverySectorAndFindsTheFirstBadOne) {
    SKIP_UNLESS_CHECKABLE(target)
    const auto before = testing::snapshotFolder(target.path());
    MemoryDisk disk;
    GetParam().lie(disk);
    std::atomic<bool> cancel{false};

    const FullCheckResult result =
        runFullCheck(smallCheck(target.path()), cancel, {}, disk.factory());

    ASSERT_EQ(result.status, RunStatus::kCompleted) << result.error;
    EXPECT_EQ(result.filledBytes, kFill);
    const auto counts = [](const SectorTally& t) {
        return std::vector<std::uint64_t>{t.intact, t.wrapped, t.foreign, t.changed, t.unreadable};
    };
    EXPECT_EQ(counts(result.tally), counts(GetParam().expected));
    EXPECT_EQ(result.firstBadPosition, GetParam().firstBad);
    EXPECT_EQ(result.everyByteIntact(), !GetParam().firstBad);
    EXPECT_THAT(result.verdict, StartsWith(GetParam().verdictStart));
    EXPECT_EQ(disk.misalignedRequests(), 0);
    EXPECT_TRUE(result.cleaned);
    EXPECT_EQ(testing::snapshotFolder(target.path()), before);
}

const LieCase kLies[] = {
    {"Honest",
     [](MemoryDisk&) {},
     {kFill, 0, 0, 0, 0},
     std::nullopt,
     "All 0.0 GB written and read back intact."},
    // The last lap overwrote the first 4 MiB; only the last lap reads back as itself.
    {"WrapsAfterFourMiB",
     [](MemoryDisk& d) { d.wrapAfter(4 * kM); },
     {4 * kM, 12 * kM, 0, 0, 0},
     0,
     "0.0 GB of the 0.0 GB written did not come back intact"},
    {"DropsOneWrite",
     [](MemoryDisk& d) { d.dropWriteAt(nthOfKind(1, RequestKind::Write, 6)); },
     {15 * kM, 0, kM, 0, 0},
     5 * kM,
     "0.0 GB of the 0.0 GB"},
    {"DropsEveryWritePastTwelveMiB",
     [](MemoryDisk& d) { d.dropWriteAt(writeFrom(12 * kM)); },
     {12 * kM, 0, 4 * kM, 0, 0},
     12 * kM,
     "Data written past 0.0 GB is lost"},
    {"FlipsABodyByte",
     [](MemoryDisk& d) { d.flipByteAt(7 * kM + 3 * 4096 + 100); },
     {kFill - 4096, 0, 0, 4096, 0},
     7 * kM + 3 * 4096,
     "0.0 GB of the"},
    {"FlipsAStampByte",
     [](MemoryDisk& d) { d.flipByteAt(9 * kM + 2); },
     {kFill - 4096, 0, 0, 4096, 0},
     9 * kM,
     "0.0 GB of the"},
    {"CannotReadOneMiB",
     [](MemoryDisk& d) {
         d.failAt([](const RequestRecord& r) {
             return r.kind == RequestKind::Read && r.offset == 10 * kM;
         });
     },
     {15 * kM, 0, 0, 0, kM},
     10 * kM,
     "0.0 GB of the"},
};

INSTANTIATE_TEST_SUITE_P(Lies, FullCheckLies, ::testing::ValuesIn(kLies),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(FullCheckCurve, ACliffAfterEightMiBIsFoundThere) {
    SKIP_UNLESS_CHECKABLE(target)
    MemoryDisk disk;
    // Far slower than the substitute's own writes even on a busy, sanitised build.
    disk.stallAt(writeFrom(8 * kM), 0.15);
    std::atomic<bool> cancel{false};

    const FullCheckResult result =
        runFullCheck(smallCheck(target.path()), cancel, {}, disk.factory());

    ASSERT_EQ(result.status, RunStatus::kCompleted) << result.error;
    ASSERT_EQ(result.writeCurve.size(), 16u);
    EXPECT_EQ(result.write.cacheBytes, 8 * kM);
    EXPECT_LT(result.write.rateAfterCliffMiBps, 1.0 / 0.15);
    EXPECT_GT(result.write.rateBeforeCliffMiBps, 2 * result.write.rateAfterCliffMiBps);
    EXPECT_EQ(result.readCurve.size(), 16u);
}

struct StopCase {
    const char* name;
    std::function<void(MemoryDisk&)> fault;
    RunStatus status;
    std::uint64_t filled;
    std::uint64_t readBackIntact;
    const char* errorStart;
    const char* verdictStart;
};

void PrintTo(const StopCase& row, std::ostream* out) {
    *out << row.name;
}

class FullCheckStops : public ::testing::TestWithParam<StopCase> {};

// A refused write or a cancel still reads back what was written, reports it and cleans up.
TEST_P(FullCheckStops, KeepsWhatWasMeasuredAndCleansUp) {
    SKIP_UNLESS_CHECKABLE(target)
    const auto before = testing::snapshotFolder(target.path());
    std::atomic<bool> cancel{false};
    MemoryDisk disk(&cancel);
    GetParam().fault(disk);

    const FullCheckResult result =
        runFullCheck(smallCheck(target.path(), 4 * kM), cancel, {}, disk.factory());

    EXPECT_EQ(result.status, GetParam().status);
    EXPECT_EQ(result.filledBytes, GetParam().filled);
    EXPECT_THAT(result.error, StartsWith(GetParam().errorStart));
    EXPECT_THAT(result.verdict, StartsWith(GetParam().verdictStart));
    EXPECT_EQ(result.tally.intact, GetParam().readBackIntact);
    EXPECT_TRUE(result.cleaned);
    EXPECT_EQ(testing::snapshotFolder(target.path()), before);
}

const StopCase kStops[] = {
    {"WriteRefused", [](MemoryDisk& d) { d.failAt(nthOfKind(1, RequestKind::Write, 3)); },
     RunStatus::kFailed, 2 * kM, 2 * kM, "Writing stopped after 0.0 GB: ",
     "Check did not complete after writing 0.0 GB and reading back 0.0 GB; everything"},
    {"CancelledWhileWriting",
     [](MemoryDisk& d) { d.cancelAt(nthOfKind(1, RequestKind::Write, 3)); }, RunStatus::kCancelled,
     3 * kM, 0, "", "Check cancelled after writing 0.0 GB"},
    {"OpenRefused", [](MemoryDisk& d) { d.failOpen(1); }, RunStatus::kFailed, 0, 0,
     "Open uncached test file", "Nothing was written: Open uncached test file"},
};

INSTANTIATE_TEST_SUITE_P(Stops, FullCheckStops, ::testing::ValuesIn(kStops),
                         [](const auto& param) { return std::string(param.param.name); });

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
        for (const auto& entry : fs::directory_iterator(target.path())) {
            if (entry.is_directory()) {
                scratchNames.push_back(entry.path().filename().string());
                for (const auto& file : fs::directory_iterator(entry.path()))
                    scratchNames.push_back(file.path().filename().string());
            }
        }
    };

    const FullCheckResult result = runFullCheck(options, cancel, progress);

    ASSERT_EQ(result.status, RunStatus::kCompleted) << result.error;
    EXPECT_TRUE(result.everyByteIntact());
    ASSERT_EQ(scratchNames.size(), 4u);
    // Windows' gtest has only the simple regular expressions: no counted repeats.
    EXPECT_THAT(scratchNames[0], StartsWith(".orvane-varnolt-"));
    EXPECT_EQ(scratchNames[0].size(), 16u + 32u);
    std::sort(scratchNames.begin() + 1, scratchNames.end());
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

}  // namespace
}  // namespace orvane
