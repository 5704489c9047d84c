#include <gtest/gtest.h>

#include <functional>

#include "engine/measurement_methods.h"
#include "reports/report_import.h"
#include "reports/suitability.h"
#include "tests/reports/report_fixtures.h"
#include "tests/support/message_of.h"

namespace orvane {
namespace {

using Change = std::function<void(SavedReport&)>;
constexpr double kModelGB = 9;                                     // 9e9 bytes
constexpr double kHundredMillionBytesPerSecond = 95.367431640625;  // MiB/s, exactly 1e8 B/s

// Good on every rule for a 9 GB model under Windows: read 57 s, ample space, fast rates, p99 8 ms.
SavedReport good() {
    return importReport(testing::validReportDocument().dump(), "");
}

SavedReport rated(const Change& change, double modelGB = kModelGB,
                  const std::string& platform = "Windows") {
    SavedReport report = good();
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
    const char* running = "Windows";
};

void PrintTo(const RuleCase& c, std::ostream* out) {
    *out << c.name;
}

class SuitabilityRule : public ::testing::TestWithParam<RuleCase> {};

TEST_P(SuitabilityRule, FiresAloneAtItsBoundary) {
    const RuleCase& c = GetParam();
    const SavedReport report = rated(c.change, c.modelGB, c.running);
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
// The report's platform and method texts; whether they match the running platform's.
Change methods(const char* platform, const char* cache, const char* write) {
    return [=](SavedReport& r) {
        r.platform = platform;
        r.cachePolicy = cache;
        r.writePolicy = write;
    };
}
constexpr const MeasurementMethods& w = kWindowsMeasurementMethods;
constexpr const MeasurementMethods& l = kLinuxMeasurementMethods;
const char* const kMacCache = "F_NOCACHE on the test file.";
const char* const kOtherMethods =
    "Different or unsupported platform/cache/flush methodology; measurements may not be directly "
    "comparable.";
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
    {"NotCleaned", [](SavedReport& r) { r.cleaned = false; }, kModelGB, 1, "Cleanup incomplete."},
    {"NoCapacity", [](SavedReport& r) { r.totalBytes = 0; }, kModelGB, 1, "Capacity missing; model fit unknown."},
    {"ModelAboveFree", [](SavedReport& r) { r.freeBytesBefore = 9e9 - 1; }, kModelGB, 2, "Model exceeds recorded free space."},
    {"HeadroomExactly20Percent", [](SavedReport& r) { r.freeBytesBefore = kModelGB * 1e9 * 1.2; }, kModelGB, 0, nullptr},
    {"HeadroomOneByteShort", [](SavedReport& r) { r.freeBytesBefore = kModelGB * 1e9 * 1.2 - 1; }, kModelGB, 1, "Less than 20% additional free-space headroom."},
    {"Fat32FourGB", [](SavedReport& r) { r.filesystem = "FAT32"; }, 4, 0, nullptr},
    {"Fat32FiveGB", [](SavedReport& r) { r.filesystem = "FAT32"; }, 5, 2, kFat},
    {"Msdos", [](SavedReport& r) { r.filesystem = "MSDOS"; }, 5, 2, kFat},
    {"ExFatIsNotFat32", [](SavedReport& r) { r.filesystem = "exFAT"; }, 5, 0, nullptr},
    {"ReadExactly90s", readRate, 9, 0, nullptr},
    {"ReadJustAbove90s", readRate, 9.001, 1, "Estimated model read exceeds 90 seconds."},
    {"ReadExactly300s", readRate, 30, 1, "Estimated model read exceeds 90 seconds."},
    {"ReadJustAbove300s", readRate, 30.001, 2, "Estimated model read exceeds 300 seconds."},
    {"RandomReadAtMinimum", [](SavedReport& r) { r.randomRead = 1500; }, kModelGB, 0, nullptr},
    {"RandomReadBelow", [](SavedReport& r) { r.randomRead = 845.125; }, kModelGB, 1, "Random read IOPS: 845.125 below 1500 (missing measurements cannot qualify)."},
    {"P99Exactly10", [](SavedReport& r) { r.randomWriteP99 = 10; }, kModelGB, 0, nullptr},
    {"P99Above10", [](SavedReport& r) { r.randomWriteP99 = 10.25; }, kModelGB, 1, "Durable random-write p99 10.25 ms exceeds 10 ms."},
    {"SequentialReadMissing", [](SavedReport& r) { r.sequentialRead = 0; }, kModelGB, 1, "Sequential read missing; estimate unknown."},
    {"LinuxOnLinux", methods("Linux", l.cachePolicy, l.writePolicy), kModelGB, 0, nullptr, "Linux"},
    {"MacOnMac", methods("macOS", kMacCache, "Writes followed by F_FULLFSYNC."), kModelGB, 0, nullptr, "macOS"},
    {"LinuxOnWindows", methods("Linux", l.cachePolicy, l.writePolicy), kModelGB, 1, kOtherMethods},
    {"LinuxMethodsInWindowsReport", methods("Windows", l.cachePolicy, l.writePolicy), kModelGB, 1, kOtherMethods},
    {"WindowsWithoutFlush", methods("Windows", w.cachePolicy, "Large-file Windows write-through."), kModelGB, 1, kOtherMethods},
    {"LinuxWithoutDsync", methods("Linux", l.cachePolicy, "Small-file fsync."), kModelGB, 1, kOtherMethods, "Linux"},
    {"LinuxBuffered", methods("Linux", "Buffered.", l.writePolicy), kModelGB, 1, kOtherMethods, "Linux"},
    {"MacWithoutFullFsync", methods("macOS", kMacCache, "fsync"), kModelGB, 1, kOtherMethods, "macOS"},
    // Several reasons at once: all of them, in rule order, at the worst level.
    {"AllFourMinimumRates", [](SavedReport& r) { r.randomRead = r.randomWrite = r.sequentialWrite = r.smallFileWrite = r.randomWriteP99 = 0; }, kModelGB, 1,
     "Random read IOPS: 0 below 1500 (missing measurements cannot qualify). Random write IOPS: 0 below 200 (missing measurements cannot qualify). "
     "Sequential write MiB/s: 0 below 30 (missing measurements cannot qualify). Small writes files/s: 0 below 100 (missing measurements cannot qualify)."},
    {"FailedNotCleanedAndSlowP99", [](SavedReport& r) { r.status = "Failed"; r.cleaned = false; r.randomWriteP99 = 12; }, kModelGB, 2,
     "Failed or unverified test; retest before use. Cleanup incomplete. Durable random-write p99 12 ms exceeds 10 ms."},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Rules, SuitabilityRule, ::testing::ValuesIn(kRuleCases),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(Suitability, ReadTimeIsKept) {
    EXPECT_EQ(rated([](SavedReport&) {}).modelReadSeconds, 57.220458984375);  // 9e9 B at 150 MiB/s
}

// A size out of range changes no report: a recorded size is above 0 and at most 1000 GB, one
// entered to compare 0.1-1000 GB, checked before any report changes.
TEST(Suitability, SizeOutOfRangeChangesNoReport) {
    SavedReport report = good();
    for (const double size : {0.0, 1000.0001})
        EXPECT_EQ(testing::messageOf([&] { evaluateSuitability(report, size, "Windows"); }),
                  "Recorded model size must be positive and at most 1000 GB.");
    EXPECT_EQ(report.rating, "");
    evaluateSuitability(report, 1000, "Windows");  // the largest size is taken
    std::vector<SavedReport> reports(3, good()), none;
    reports[1].timestampUtc = "2025-02-01T00:00:00Z";
    reports[2].status = "Failed";
    const auto reevaluate = [&](std::vector<SavedReport>& list, double size) {
        return testing::messageOf([&] { reevaluateForModelSize(list, size, "Windows", {}); });
    };
    EXPECT_EQ(reevaluate(reports, 0.09) + reevaluate(reports, 1000.5),
              "Model size must be 0.1-1000.0 GB.Model size must be 0.1-1000.0 GB.");
    EXPECT_EQ(reports[0].rating + reports[1].rating + reports[2].rating, "");
    EXPECT_EQ(reevaluate(none, 0.0) + reevaluate(reports, 0.1) + reevaluate(reports, 1000),
              "acceptedacceptedaccepted");  // the range's ends; an empty list takes any size
    reevaluate(reports, kModelGB);
    EXPECT_EQ(reports[0].rank, 1);
    EXPECT_EQ(reports[1].timestampUtc, "2025-02-01T00:00:00Z");
    EXPECT_EQ(reports[2].rating, "Not recommended");
    EXPECT_EQ(reports[2].rank, 3);
}

}  // namespace
}  // namespace orvane
