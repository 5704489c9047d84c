#include <gtest/gtest.h>

#include <functional>

#include "engine/fresh_run_assessment.h"
#include "platform/text_encoding.h"

namespace orvane {
namespace {

const std::string kPlanning =
    ". Planning thresholds, not a certification or an inference-speed prediction.";
const std::string kGood = "Good storage candidate" + kPlanning;
const std::string kUsable = "Usable, with slower model switching" + kPlanning;
const std::string kArchive = "Better for model archives; expect slow starts or stalls" + kPlanning;
const std::string kNoRating =
    "No suitability rating: a complete, verified test with successful cleanup is required.";
constexpr std::uint64_t kTwentyGiB = 21474836480ull;

Metric metric(const char* id, double value, double p99 = 0) {
    Metric m;
    m.id = id;
    m.value = value;
    m.p99ms = p99;
    return m;
}

// Sequential write, sequential read, random read, then the two write quarters (100 then 60).
RunResult completedRun(double read, double randomRead, double write) {
    RunResult result;
    result.status = RunStatus::kCompleted;
    result.verified = result.cleaned = true;
    result.volume.filesystem = fromUtf8("fat32");  // only the exact name "FAT32" is remarked
    result.volume.freeBytesBefore = kTwentyGiB;
    result.metrics = {metric("sequential_write", write), metric("sequential_read", read),
                      metric("random_read", randomRead, 50.0), metric("write_first_quarter", 100),
                      metric("write_last_quarter", 60)};
    return result;
}

struct AssessmentCase {
    const char* name;
    double read, randomRead, write;
    std::function<void(RunResult&)> change;
    std::string expected;
};

void PrintTo(const AssessmentCase& c, std::ostream* out) {
    *out << c.name;
}

class FreshRunAssessment : public ::testing::TestWithParam<AssessmentCase> {};

TEST_P(FreshRunAssessment, GivesItsLabelAndRemarks) {
    RunResult run = completedRun(GetParam().read, GetParam().randomRead, GetParam().write);
    if (GetParam().change)
        GetParam().change(run);
    EXPECT_EQ(assessFreshRun(run), GetParam().expected);
}

const AssessmentCase kCases[] = {
    {"GoodAtEveryThreshold", 300, 2000, 100, {}, kGood},
    {"UsableReadBelowGood", 299.9, 3000, 200, {}, kUsable},
    {"UsableRandomBelowGood", 500, 1999.9, 200, {}, kUsable},
    {"UsableWriteBelowGood", 500, 3000, 99.9, {}, kUsable},
    {"UsableAtEveryThreshold", 100, 500, 30, {}, kUsable},
    {"ArchiveReadBelow", 99.9, 5000, 500, {}, kArchive},
    {"ArchiveRandomBelow", 500, 499.9, 500, {}, kArchive},
    {"ArchiveWriteBelow", 500, 5000, 29.9, {}, kArchive},
    {"ArchiveWithoutMetrics", 500, 5000, 500, [](RunResult& r) { r.metrics.clear(); }, kArchive},
    {"CleanupWarning", 3000, 90000, 3000,
     [](RunResult& r) { r.status = RunStatus::kCleanupWarning; }, kNoRating},
    {"Unverified", 3000, 90000, 3000, [](RunResult& r) { r.verified = false; }, kNoRating},
    {"Uncleaned", 3000, 90000, 3000, [](RunResult& r) { r.cleaned = false; }, kNoRating},
    {"LessThan20GiBFree", 300, 2000, 100,
     [](RunResult& r) { r.volume.freeBytesBefore = kTwentyGiB - 1; },
     kGood + " Less than 20 GiB free: plan space for models, runtimes and outputs."},
    {"WritesSlowedJustOver40Percent", 300, 2000, 100,
     [](RunResult& r) { r.metrics[4].value = 59.9; },
     kGood + " Writes slowed by more than 40% across this test."},
    {"NoFirstQuarterNoSlowdown", 300, 2000, 100,
     [](RunResult& r) { r.metrics[3].value = r.metrics[4].value = 0; }, kGood},
    {"ReadStallJustOver50ms", 300, 2000, 100, [](RunResult& r) { r.metrics[2].p99ms = 50.1; },
     kGood + " Read p99 latency exceeded 50 ms; intermittent stalls are possible."},
    {"AllRemarksInTheirOrder", 300, 2000, 100,
     [](RunResult& r) {
         r.volume.filesystem = fromUtf8("FAT32");
         r.volume.freeBytesBefore = 1;
         r.metrics[4].value = 10;
         r.metrics[2].p99ms = 80;
         r.metrics.push_back(metric("random_write", 900, 51));
     },
     kGood + " FAT32 cannot store a single file of 4 GiB or more; many models will not fit."
             " Less than 20 GiB free: plan space for models, runtimes and outputs."
             " Writes slowed by more than 40% across this test."
             " Read p99 latency exceeded 50 ms; intermittent stalls are possible."
             " Write p99 latency exceeded 50 ms; intermittent stalls are possible."},
};

INSTANTIATE_TEST_SUITE_P(Rules, FreshRunAssessment, ::testing::ValuesIn(kCases),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace orvane
