#include <gtest/gtest.h>

#include "cli/progress_line.h"

namespace orvane {
namespace {

TEST(ProgressLine, ShowsPhasePercentElapsedAndTimeLeft) {
    const struct {
        int percent;
        double elapsed;
        const char* expected;
    } rows[] = {
        {0, 0.2, "[  0%] Writing  0:00 elapsed"},
        {25, 10.0, "[ 25%] Writing  0:10 elapsed, about 0:30 left"},
        {50, 0.5, "[ 50%] Writing  0:01 elapsed"},  // no estimate within the first second
        {99, 3599.6, "[ 99%] Writing  1:00:00 elapsed, about 0:36 left"},
        {100, 75.0, "[100%] Writing  1:15 elapsed"},
        {140, 5.0, "[100%] Writing  0:05 elapsed"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(progressLineText(row.percent, "Writing", row.elapsed), row.expected);
}

}  // namespace
}  // namespace orvane
