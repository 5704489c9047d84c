#include <gmock/gmock.h>
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

constexpr double kModelGB = 9;                                     // 9e9 bytes
constexpr double kHundredMillionBytesPerSecond = 95.367431640625;  // MiB/s, exactly 1e8 B/s

SavedReport rated(const std::function<void(SavedReport&)>& change, double modelGB = kModelGB,
                  const std::string& platform = "Windows") {
    SavedReport report = testing::goodSavedReport();
    change(report);
    evaluateSuitability(report, modelGB, platform);
    return report;
}

TEST(Suitability, GoodReportIsSuitableWithTheFixedReason) {
    const SavedReport report = rated([](SavedReport&) {});
    EXPECT_EQ(report.suitabilityLevel, 0);
    EXPECT_EQ(report.rating, "Suitable");
    EXPECT_EQ(report.reason, kSuitableReason);
    EXPECT_DOUBLE_EQ(report.modelReadSeconds, 60.0);
}

// One change to the good report, the level and the one reason it must give.
struct RuleCase {
    const char* name;
    std::function<void(SavedReport&)> change;
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

const auto readRate = [](SavedReport& r) { r.sequentialRead = kHundredMillionBytesPerSecond; };

const RuleCase kRuleCases[] = {
    {"Failed", [](SavedReport& r) { r.status = "Failed"; }, kModelGB, 2,
     "Failed or unverified test; retest before use."},
    {"Unverified", [](SavedReport& r) { r.verified = false; }, kModelGB, 2,
     "Failed or unverified test; retest before use."},
    {"Cancelled", [](SavedReport& r) { r.status = "Cancelled"; }, kModelGB, 1,
     "Incomplete test; retest before drawing conclusions about the media."},
    {"CleanupWarning", [](SavedReport& r) { r.status = "Cleanup warning"; }, kModelGB, 1,
     "Incomplete test; retest before drawing conclusions about the media."},
    {"NotCleaned", [](SavedReport& r) { r.cleaned = false; }, kModelGB, 1, "Cleanup incomplete."},
    {"NoCapacity", [](SavedReport& r) { r.totalBytes = 0; }, kModelGB, 1,
     "Capacity missing; model fit unknown."},
    {"ModelAboveFree", [](SavedReport& r) { r.freeBytesBefore = 9e9 - 1; }, kModelGB, 2,
     "Model exceeds recorded free space."},
    {"HeadroomExactly20Percent", [](SavedReport& r) { r.freeBytesBefore = kModelGB * 1e9 * 1.2; },
     kModelGB, 0, nullptr},
    {"HeadroomOneByteShort", [](SavedReport& r) { r.freeBytesBefore = kModelGB * 1e9 * 1.2 - 1; },
     kModelGB, 1, "Less than 20% additional free-space headroom."},
    {"Fat32FourGB", [](SavedReport& r) { r.filesystem = "FAT32"; }, 4, 0, nullptr},
    {"Fat32FiveGB", [](SavedReport& r) { r.filesystem = "FAT32"; }, 5, 2,
     "FAT32 single-file limit is 4,294,967,295 bytes."},
    {"VfatNamedFat32", [](SavedReport& r) { r.filesystem = "vfat (fat32)"; }, 5, 2,
     "FAT32 single-file limit is 4,294,967,295 bytes."},
    {"Msdos", [](SavedReport& r) { r.filesystem = "MSDOS"; }, 5, 2,
     "FAT32 single-file limit is 4,294,967,295 bytes."},
    {"ExFatIsNotFat32", [](SavedReport& r) { r.filesystem = "exFAT"; }, 5, 0, nullptr},
    {"ReadExactly90s", readRate, 9, 0, nullptr},
    {"ReadJustAbove90s", readRate, 9.001, 1, "Estimated model read exceeds 90 seconds."},
    {"ReadExactly300s",
     [](SavedReport& r) {
         readRate(r);
         r.freeBytesBefore = r.totalBytes = 1e12;
     },
     30, 1, "Estimated model read exceeds 90 seconds."},
    {"ReadJustAbove300s",
     [](SavedReport& r) {
         readRate(r);
         r.freeBytesBefore = r.totalBytes = 1e12;
     },
     30.001, 2, "Estimated model read exceeds 300 seconds."},
    {"RandomReadAtMinimum", [](SavedReport& r) { r.randomRead = 1500; }, kModelGB, 0, nullptr},
    {"RandomReadBelow", [](SavedReport& r) { r.randomRead = 845.125; }, kModelGB, 1,
     "Random read IOPS: 845.125 below 1500 (missing measurements cannot qualify)."},
    {"RandomWriteBelow", [](SavedReport& r) { r.randomWrite = 199.5; }, kModelGB, 1,
     "Random write IOPS: 199.5 below 200 (missing measurements cannot qualify)."},
    {"SequentialWriteBelow", [](SavedReport& r) { r.sequentialWrite = 29.9999999; }, kModelGB, 1,
     "Sequential write MiB/s: 30 below 30 (missing measurements cannot qualify)."},
    {"SmallWritesHigh", [](SavedReport& r) { r.smallFileWrite = 12345678; }, kModelGB, 0, nullptr},
    {"SmallWritesLow", [](SavedReport& r) { r.smallFileWrite = 99; }, kModelGB, 1,
     "Small writes files/s: 99 below 100 (missing measurements cannot qualify)."},
    {"P99Exactly10", [](SavedReport& r) { r.randomWriteP99 = 10; }, kModelGB, 0, nullptr},
    {"P99Above10", [](SavedReport& r) { r.randomWriteP99 = 10.25; }, kModelGB, 1,
     "Durable random-write p99 10.25 ms exceeds 10 ms."},
    {"SequentialReadMissing", [](SavedReport& r) { r.sequentialRead = 0; }, kModelGB, 1,
     "Sequential read missing; estimate unknown."},
    // Several reasons at once: all of them, in rule order, at the worst level.
    {"AllFourMinimumRates",
     [](SavedReport& r) {
         r.randomRead = r.randomWrite = r.sequentialWrite = r.smallFileWrite = 0;
         r.randomWriteP99 = 0;
     },
     kModelGB, 1,
     "Random read IOPS: 0 below 1500 (missing measurements cannot qualify). "
     "Random write IOPS: 0 below 200 (missing measurements cannot qualify). "
     "Sequential write MiB/s: 0 below 30 (missing measurements cannot qualify). "
     "Small writes files/s: 0 below 100 (missing measurements cannot qualify)."},
    {"FailedNotCleanedAndSlowP99",
     [](SavedReport& r) {
         r.status = "Failed";
         r.cleaned = false;
         r.randomWriteP99 = 12;
     },
     kModelGB, 2,
     "Failed or unverified test; retest before use. Cleanup incomplete. Durable "
     "random-write p99 12 ms exceeds 10 ms."},
    {"CancelledAndNotCleaned",
     [](SavedReport& r) {
         r.status = "Cancelled";
         r.cleaned = false;
     },
     kModelGB, 1,
     "Incomplete test; retest before drawing conclusions about the media. Cleanup incomplete."},
};

INSTANTIATE_TEST_SUITE_P(Rules, SuitabilityRule, ::testing::ValuesIn(kRuleCases),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(Suitability, ReadTimeBoundariesAreExact) {
    SavedReport report = testing::goodSavedReport();
    report.sequentialRead = kHundredMillionBytesPerSecond;
    report.freeBytesBefore = report.totalBytes = 1e12;
    evaluateSuitability(report, 9, "Windows");
    EXPECT_EQ(report.modelReadSeconds, 90.0);
    evaluateSuitability(report, 30, "Windows");
    EXPECT_EQ(report.modelReadSeconds, 300.0);
}

// Platform of the report, its method texts, the running platform, whether they match.
struct MethodCase {
    const char* name;
    const char* reportPlatform;
    const char* cachePolicy;
    const char* writePolicy;
    const char* runningPlatform;
    bool matches;
};

void PrintTo(const MethodCase& c, std::ostream* out) {
    *out << c.name;
}

class SuitabilityMethodology : public ::testing::TestWithParam<MethodCase> {};

TEST_P(SuitabilityMethodology, RecognisesEachPlatformsOwnMethods) {
    const MethodCase& c = GetParam();
    const SavedReport report = rated(
        [&](SavedReport& r) {
            r.platform = c.reportPlatform;
            r.cachePolicy = c.cachePolicy;
            r.writePolicy = c.writePolicy;
        },
        kModelGB, c.runningPlatform);
    const std::string methodology =
        "Different or unsupported platform/cache/flush methodology; measurements may not be "
        "directly comparable. ";
    EXPECT_EQ(report.reason, c.matches ? kSuitableReason : methodology);
}

constexpr const char* kMacCache = "F_NOCACHE on the test file.";
constexpr const char* kMacWrite = "Writes followed by F_FULLFSYNC.";

const MethodCase kMethodCases[] = {
    {"WindowsOnWindows", "Windows", kWindowsMeasurementMethods.cachePolicy,
     kWindowsMeasurementMethods.writePolicy, "Windows", true},
    {"LinuxOnLinux", "Linux", kLinuxMeasurementMethods.cachePolicy,
     kLinuxMeasurementMethods.writePolicy, "Linux", true},
    {"LinuxBesideWindows", "Linux", kLinuxMeasurementMethods.cachePolicy,
     kLinuxMeasurementMethods.writePolicy, "Windows", false},
    {"WindowsBesideLinux", "Windows", kWindowsMeasurementMethods.cachePolicy,
     kWindowsMeasurementMethods.writePolicy, "Linux", false},
    {"LinuxTextsUnderWindowsName", "Windows", kLinuxMeasurementMethods.cachePolicy,
     kLinuxMeasurementMethods.writePolicy, "Windows", false},
    {"WindowsWithoutFlush", "Windows", kWindowsMeasurementMethods.cachePolicy,
     "Large-file Windows write-through.", "Windows", false},
    {"LinuxWithoutDsync", "Linux", kLinuxMeasurementMethods.cachePolicy, "Small-file fsync.",
     "Linux", false},
    {"LinuxWithoutDirect", "Linux", "Buffered.", kLinuxMeasurementMethods.writePolicy, "Linux",
     false},
    {"MacOnMac", "macOS", kMacCache, kMacWrite, "macOS", true},
    {"MacWithoutFullSync", "macOS", kMacCache, "fsync", "macOS", false},
    {"MacBesideWindows", "macOS", kMacCache, kMacWrite, "Windows", false},
    {"CaseMatters", "windows", kWindowsMeasurementMethods.cachePolicy,
     kWindowsMeasurementMethods.writePolicy, "Windows", false},
};

INSTANTIATE_TEST_SUITE_P(Platforms, SuitabilityMethodology, ::testing::ValuesIn(kMethodCases),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(Suitability, ModelSizeOutsideItsRangeLeavesTheReportUnchanged) {
    for (const double size : {0.0, -1.0, 1000.0001, std::numeric_limits<double>::infinity(),
                              std::numeric_limits<double>::quiet_NaN()}) {
        SavedReport report = testing::goodSavedReport();
        report.reason = "before";
        report.suitabilityLevel = 2;
        try {
            evaluateSuitability(report, size, "Windows");
            ADD_FAILURE() << size << " accepted";
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), "Recorded model size must be positive and at most 1000 GB.");
        }
        EXPECT_EQ(report.reason, "before");
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
    for (const double size : {0.09, 1000.5, std::numeric_limits<double>::quiet_NaN()}) {
        try {
            reevaluateForModelSize(reports, size, "Windows", {});
            ADD_FAILURE() << size << " accepted";
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), "Model size must be 0.1-1000.0 GB.");
        }
        for (const SavedReport& report : reports)
            EXPECT_EQ(report.rating, "");
    }
    std::vector<SavedReport> none;
    EXPECT_NO_THROW(reevaluateForModelSize(none, 0.0, "Windows", {}));
    EXPECT_NO_THROW(reevaluateForModelSize(reports, 0.1, "Windows", {}));  // the range's ends
    EXPECT_NO_THROW(reevaluateForModelSize(reports, 1000, "Windows", {}));

    reevaluateForModelSize(reports, kModelGB, "Windows", {});
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[0].rank, 1);
    EXPECT_EQ(reports[0].timestampUtc, "2025-01-31T18:04:05Z");
    EXPECT_EQ(reports[1].timestampUtc, "2025-02-01T00:00:00Z");
    EXPECT_EQ(reports[2].rating, "Not recommended");
    EXPECT_EQ(reports[2].rank, 3);
}

}  // namespace
}  // namespace orvane
