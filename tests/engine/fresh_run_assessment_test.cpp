#include <gtest/gtest.h>

#include "engine/fresh_run_assessment.h"
#include "platform/text_encoding.h"

namespace orvane {
namespace {

constexpr const char* kPlanning =
    ". Planning thresholds, not a certification or an inference-speed prediction.";
constexpr std::uint64_t kTwentyGiB = 21474836480ull;

Metric metric(const char* id, double value, double p99 = 0) {
    Metric m;
    m.id = id;
    m.value = value;
    m.p99ms = p99;
    return m;
}

RunResult completedRun(double read, double randomRead, double write) {
    RunResult result;
    result.status = RunStatus::kCompleted;
    result.verified = true;
    result.cleaned = true;
    result.volume.filesystem = fromUtf8("NTFS");
    result.volume.freeBytesBefore = 64 * 1073741824ull;
    result.metrics = {metric("sequential_write", write), metric("sequential_read", read),
                      metric("random_read", randomRead)};
    return result;
}

TEST(FreshRunAssessment, LabelsAtTheirThresholds) {
    EXPECT_EQ(assessFreshRun(completedRun(300, 2000, 100)),
              std::string("Good storage candidate") + kPlanning);
    EXPECT_EQ(assessFreshRun(completedRun(250, 3000, 200)),
              std::string("Usable, with slower model switching") + kPlanning);
    EXPECT_EQ(assessFreshRun(completedRun(100, 500, 30)),
              std::string("Usable, with slower model switching") + kPlanning);
    EXPECT_EQ(assessFreshRun(completedRun(500, 5000, 29.9)),
              std::string("Better for model archives; expect slow starts or stalls") + kPlanning);
    EXPECT_EQ(assessFreshRun(completedRun(500, 499.9, 500)),
              std::string("Better for model archives; expect slow starts or stalls") + kPlanning);
    RunResult none = completedRun(0, 0, 0);
    none.metrics.clear();
    EXPECT_EQ(assessFreshRun(none),
              std::string("Better for model archives; expect slow starts or stalls") + kPlanning);
}

TEST(FreshRunAssessment, OnlyACleanVerifiedCompletedRunIsRated) {
    const std::string noRating =
        "No suitability rating: a complete, verified test with successful cleanup is required.";
    RunResult warning = completedRun(3000, 90000, 3000);
    warning.status = RunStatus::kCleanupWarning;
    EXPECT_EQ(assessFreshRun(warning), noRating);
    RunResult unverified = completedRun(3000, 90000, 3000);
    unverified.verified = false;
    EXPECT_EQ(assessFreshRun(unverified), noRating);
    RunResult uncleaned = completedRun(3000, 90000, 3000);
    uncleaned.cleaned = false;
    EXPECT_EQ(assessFreshRun(uncleaned), noRating);
}

TEST(FreshRunAssessment, RemarksAtTheirBoundaries) {
    RunResult run = completedRun(300, 2000, 100);
    run.volume.filesystem = fromUtf8("fat32");
    run.volume.freeBytesBefore = kTwentyGiB;
    run.metrics.push_back(metric("write_first_quarter", 100));
    run.metrics.push_back(metric("write_last_quarter", 60));
    run.metrics[2].p99ms = 50.0;
    EXPECT_EQ(assessFreshRun(run), std::string("Good storage candidate") + kPlanning);

    run.volume.freeBytesBefore = kTwentyGiB - 1;
    EXPECT_NE(assessFreshRun(run).find(" Less than 20 GiB free"), std::string::npos);
    run.metrics[4].value = 59.9;
    EXPECT_NE(assessFreshRun(run).find(" Writes slowed by more than 40% across this test."),
              std::string::npos);
    run.metrics[2].p99ms = 50.1;
    EXPECT_NE(assessFreshRun(run).find(" Read p99 latency exceeded 50 ms"), std::string::npos);
}

TEST(FreshRunAssessment, AllRemarksInTheirOrder) {
    RunResult run = completedRun(300, 2000, 100);
    run.volume.filesystem = fromUtf8("FAT32");
    run.volume.freeBytesBefore = 1;
    run.metrics.push_back(metric("write_first_quarter", 100));
    run.metrics.push_back(metric("write_last_quarter", 10));
    run.metrics[2].p99ms = 80;
    run.metrics.push_back(metric("random_write", 900, 51));
    EXPECT_EQ(assessFreshRun(run),
              std::string("Good storage candidate") + kPlanning +
                  " FAT32 cannot store a single file of 4 GiB or more; many models will not fit."
                  " Less than 20 GiB free: plan space for models, runtimes and outputs."
                  " Writes slowed by more than 40% across this test."
                  " Read p99 latency exceeded 50 ms; intermittent stalls are possible."
                  " Write p99 latency exceeded 50 ms; intermittent stalls are possible.");
}

}  // namespace
}  // namespace orvane
