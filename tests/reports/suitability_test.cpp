#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <stdexcept>

#include "engine/measurement_methods.h"
#include "reports/suitability.h"
#include "tests/reports/report_fixtures.h"

namespace orvane {
namespace {

using Change = std::function<void(SavedReport&)>;
constexpr double kModelGB = 9;                                     // 9e9 bytes
constexpr double kHundredMillionBytesPerSecond = 95.367431640625;  // MiB/s, exactly 1e8 B/s
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

SavedReport rated(const Change& change, double modelGB = kModelGB,
                  const std::string& platform = "Windows") {
    SavedReport report = testing::goodSavedReport();
    change(report);
    evaluateSuitability(report, modelGB, platform);
    return report;
}

// One change to the good report, the level and the reasons it must give.
struct RuleCase {
    const char* name;
    Change change;
    double modelGB;
    int level;
    const char* reason;  // nullptr: the fixed suitable reason
};

void PrintTo(const RuleCase& c, std::ostream* out) {
    *out << c.name;
}

class SuitabilityRule : public ::testing::TestWithParam<RuleCase> {};

TEST_P(SuitabilityRule, FiresAloneAtItsBoundary) {
    const RuleCase& c = GetParam();
    const SavedReport report = rated(c.change, c.modelGB);
    EXPECT_EQ(report.suitabilityLevel, c.level);
    EXPECT_EQ(report.reason, c.reason ? std::string(c.reason) + " " : kSuitableReason);
    EXPECT_EQ(report.rating, c.level == 0   ? "Suitable"
                             : c.level == 1 ? "Caution"
                                            : "Not recommended");
}

void readRate(SavedReport& r) {
    r.sequentialRead = kHundredMillionBytesPerSecond;
    r.freeBytesBefore = r.totalBytes = 1e12;
}
const char* const kFat = "FAT32 single-file limit is 4,294,967,295 bytes.";
const char* const kFailed = "Failed or unverified test; retest before use.";
const char* const kIncomplete =
    "Incomplete test; retest before drawing conclusions about the media.";

// clang-format off
const RuleCase kRuleCases[] = {
    {"Good", [](SavedReport&) {}, kModelGB, 0, nullptr},
    {"Failed", [](SavedReport& r) { r.status = "Failed"; }, kModelGB, 2, kFailed},
    {"Unverified", [](SavedReport& r) { r.verified = false; }, kModelGB, 2, kFailed},
    {"Cancelled", [](SavedReport& r) { r.status = "Cancelled"; }, kModelGB, 1, kIncomplete},
    {"CleanupWarning", [](SavedReport& r) { r.status = "Cleanup warning"; }, kModelGB, 1, kIncomplete},
    {"NotCleaned", [](SavedReport& r) { r.cleaned = false; }, kModelGB, 1, "Cleanup incomplete."},
    {"NoCapacity", [](SavedReport& r) { r.totalBytes = 0; }, kModelGB, 1, "Capacity missing; model fit unknown."},
    {"ModelAboveFree", [](SavedReport& r) { r.freeBytesBefore = 9e9 - 1; }, kModelGB, 2, "Model exceeds recorded free space."},
    {"HeadroomExactly20Percent", [](SavedReport& r) { r.freeBytesBefore = kModelGB * 1e9 * 1.2; }, kModelGB, 0, nullptr},
    {"HeadroomOneByteShort", [](SavedReport& r) { r.freeBytesBefore = kModelGB * 1e9 * 1.2 - 1; }, kModelGB, 1, "Less than 20% additional free-space headroom."},
    {"Fat32FourGB", [](SavedReport& r) { r.filesystem = "FAT32"; }, 4, 0, nullptr},
    {"Fat32FiveGB", [](SavedReport& r) { r.filesystem = "FAT32"; }, 5, 2, kFat},
    {"VfatNamedFat32", [](SavedReport& r) { r.filesystem = "vfat (fat32)"; }, 5, 2, kFat},
    {"Msdos", [](SavedReport& r) { r.filesystem = "MSDOS"; }, 5, 2, kFat},
    {"ExFatIsNotFat32", [](SavedReport& r) { r.filesystem = "exFAT"; }, 5, 0, nullptr},
    {"ReadExactly90s", readRate, 9, 0, nullptr},
    {"ReadJustAbove90s", readRate, 9.001, 1, "Estimated model read exceeds 90 seconds."},
    {"ReadExactly300s", readRate, 30, 1, "Estimated model read exceeds 90 seconds."},
    {"ReadJustAbove300s", readRate, 30.001, 2, "Estimated model read exceeds 300 seconds."},
    {"RandomReadAtMinimum", [](SavedReport& r) { r.randomRead = 1500; }, kModelGB, 0, nullptr},
    {"RandomReadBelow", [](SavedReport& r) { r.randomRead = 845.125; }, kModelGB, 1, "Random read IOPS: 845.125 below 1500 (missing measurements cannot qualify)."},
    {"RandomWriteBelow", [](SavedReport& r) { r.randomWrite = 199.5; }, kModelGB, 1, "Random write IOPS: 199.5 below 200 (missing measurements cannot qualify)."},
    {"SequentialWriteBelow", [](SavedReport& r) { r.sequentialWrite = 29.9999999; }, kModelGB, 1, "Sequential write MiB/s: 30 below 30 (missing measurements cannot qualify)."},
    {"SmallWritesHigh", [](SavedReport& r) { r.smallFileWrite = 12345678; }, kModelGB, 0, nullptr},
    {"SmallWritesLow", [](SavedReport& r) { r.smallFileWrite = 99; }, kModelGB, 1, "Small writes files/s: 99 below 100 (missing measurements cannot qualify)."},
    {"P99Exactly10", [](SavedReport& r) { r.randomWriteP99 = 10; }, kModelGB, 0, nullptr},
    {"P99Above10", [](SavedReport& r) { r.randomWriteP99 = 10.25; }, kModelGB, 1, "Durable random-write p99 10.25 ms exceeds 10 ms."},
    {"SequentialReadMissing", [](SavedReport& r) { r.sequentialRead = 0; }, kModelGB, 1, "Sequential read missing; estimate unknown."},
    // Several reasons at once: all of them, in rule order, at the worst level.
    {"AllFourMinimumRates", [](SavedReport& r) { r.randomRead = r.randomWrite = r.sequentialWrite = r.smallFileWrite = r.randomWriteP99 = 0; }, kModelGB, 1,
     "Random read IOPS: 0 below 1500 (missing measurements cannot qualify). Random write IOPS: 0 below 200 (missing measurements cannot qualify). "
     "Sequential write MiB/s: 0 below 30 (missing measurements cannot qualify). Small writes files/s: 0 below 100 (missing measurements cannot qualify)."},
    {"FailedNotCleanedAndSlowP99", [](SavedReport& r) { r.status = "Failed"; r.cleaned = false; r.randomWriteP99 = 12; }, kModelGB, 2,
     "Failed or unverified test; retest before use. Cleanup incomplete. Durable random-write p99 12 ms exceeds 10 ms."},
    {"CancelledAndNotCleaned", [](SavedReport& r) { r.status = "Cancelled"; r.cleaned = false; }, kModelGB, 1,
     "Incomplete test; retest before drawing conclusions about the media. Cleanup incomplete."},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Rules, SuitabilityRule, ::testing::ValuesIn(kRuleCases),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(Suitability, ReadTimeAndItsBoundariesAreExact) {
    EXPECT_DOUBLE_EQ(rated([](SavedReport&) {}).modelReadSeconds, 60.0);
    EXPECT_EQ(rated(readRate, 9).modelReadSeconds, 90.0);
    EXPECT_EQ(rated(readRate, 30).modelReadSeconds, 300.0);
}

// Report platform, its method texts, the running platform: whether they count as the same method.
TEST(Suitability, RecognisesEachPlatformsOwnMethods) {
    const MeasurementMethods& w = kWindowsMeasurementMethods;
    const MeasurementMethods& l = kLinuxMeasurementMethods;
    const char* mac = "F_NOCACHE on the test file.";
    const char* macWrite = "Writes followed by F_FULLFSYNC.";
    const struct {
        const char *platform, *cache, *write, *running;
        bool matches;
    } cases[] = {{"Windows", w.cachePolicy, w.writePolicy, "Windows", true},
                 {"Linux", l.cachePolicy, l.writePolicy, "Linux", true},
                 {"Linux", l.cachePolicy, l.writePolicy, "Windows", false},
                 {"Windows", w.cachePolicy, w.writePolicy, "Linux", false},
                 {"Windows", l.cachePolicy, l.writePolicy, "Windows", false},
                 {"Windows", w.cachePolicy, "Large-file Windows write-through.", "Windows", false},
                 {"Linux", l.cachePolicy, "Small-file fsync.", "Linux", false},
                 {"Linux", "Buffered.", l.writePolicy, "Linux", false},
                 {"macOS", mac, macWrite, "macOS", true},
                 {"macOS", mac, "fsync", "macOS", false},
                 {"macOS", mac, macWrite, "Windows", false},
                 {"windows", w.cachePolicy, w.writePolicy, "Windows", false}};
    for (const auto& c : cases) {
        const SavedReport report = rated(
            [&](SavedReport& r) {
                r.platform = c.platform;
                r.cachePolicy = c.cache;
                r.writePolicy = c.write;
            },
            kModelGB, c.running);
        EXPECT_EQ(report.reason, c.matches
                                     ? kSuitableReason
                                     : "Different or unsupported platform/cache/flush methodology; "
                                       "measurements may not be directly comparable. ")
            << c.platform << " on " << c.running << ": " << c.write;
    }
}

TEST(Suitability, ModelSizeOutsideItsRangeLeavesTheReportUnchanged) {
    for (const double size :
         {0.0, -1.0, 1000.0001, std::numeric_limits<double>::infinity(), kNaN}) {
        SavedReport report = testing::goodSavedReport();
        report.suitabilityLevel = 2;
        try {
            evaluateSuitability(report, size, "Windows");
            ADD_FAILURE() << size << " accepted";
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), "Recorded model size must be positive and at most 1000 GB.");
        }
        EXPECT_EQ(report.suitabilityLevel, 2);
        EXPECT_TRUE(std::isinf(report.modelReadSeconds));
    }
    SavedReport largest = testing::goodSavedReport();
    EXPECT_NO_THROW(evaluateSuitability(largest, 1000, "Windows"));
}

TEST(Suitability, ReevaluationChecksTheSizeBeforeChangingAnyReport) {
    std::vector<SavedReport> reports(3, testing::goodSavedReport());
    reports[1].timestampUtc = "2025-02-01T00:00:00Z";
    reports[2].status = "Failed";
    for (const double size : {0.09, 1000.5, kNaN}) {
        try {
            reevaluateForModelSize(reports, size, "Windows", {});
            ADD_FAILURE() << size << " accepted";
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), "Model size must be 0.1-1000.0 GB.");
        }
        EXPECT_EQ(reports[0].rating + reports[1].rating + reports[2].rating, "");
    }
    std::vector<SavedReport> none;
    EXPECT_NO_THROW(reevaluateForModelSize(none, 0.0, "Windows", {}));
    EXPECT_NO_THROW(reevaluateForModelSize(reports, 0.1, "Windows", {}));  // the range's ends
    EXPECT_NO_THROW(reevaluateForModelSize(reports, 1000, "Windows", {}));
    reevaluateForModelSize(reports, kModelGB, "Windows", {});
    EXPECT_EQ(reports[0].rank, 1);
    EXPECT_EQ(reports[1].timestampUtc, "2025-02-01T00:00:00Z");
    EXPECT_EQ(reports[2].rating, "Not recommended");
    EXPECT_EQ(reports[2].rank, 3);
}

}  // namespace
}  // namespace orvane
