#include <gtest/gtest.h>

#include "engine/run_records.h"

namespace orvane {
namespace {

TEST(RunRecords, FreshResultHoldsTheDocumentedDefaults) {
    const RunResult result;
    EXPECT_EQ(result.status, RunStatus::kRunning);
    EXPECT_TRUE(result.metrics.empty());
    EXPECT_FALSE(result.verified);
    EXPECT_FALSE(result.cleaned);
    EXPECT_EQ(result.options.testBytes, 1073741824u);
    EXPECT_EQ(result.options.randomSecondsPerPhase, 8.0);
    EXPECT_EQ(result.options.smallFiles, 200);
    EXPECT_EQ(result.options.modelGB, 6.6);
    EXPECT_EQ(result.options.profile, "Standard");
    EXPECT_TRUE(result.options.folder.empty());
    EXPECT_TRUE(result.scratchFolder.empty());
    EXPECT_EQ(result.bytesWritten, 0u);
    EXPECT_EQ(result.volume.logicalSectorBytes, 0u);
    EXPECT_EQ(Cancelled().what(), std::string("Test cancelled"));
}

TEST(RunRecords, CopyIsIndependentOfItsSource) {
    RunResult source;
    Metric metric;
    metric.id = metric_id::kRandomRead;
    metric.note = "note";
    source.metrics.push_back(metric);
    RunResult copy = source;
    source.metrics[0].note = "changed";
    source.metrics.clear();
    ASSERT_EQ(copy.metrics.size(), 1u);
    EXPECT_EQ(copy.metrics[0].id, "random_read");
    EXPECT_EQ(copy.metrics[0].note, "note");
}

}  // namespace
}  // namespace orvane
