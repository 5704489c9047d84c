// The worker behind the full check's read-back: order, one job at a time, failures come back.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

#include "engine/pipelined_worker.h"

namespace orvane {
namespace {

TEST(PipelinedWorker, RunsJobsOneAtATimeInOrderAndReturnsTheirFailures) {
    std::vector<int> done;
    std::atomic<int> running{0};
    bool overlapped = false;
    {
        PipelinedWorker worker;
        for (int i = 0; i < 200; ++i) {
            worker.submit([&, i] {
                overlapped |= running.fetch_add(1) != 0;
                done.push_back(i);
                running.fetch_sub(1);
            });
        }
        worker.wait();
        ASSERT_EQ(done.size(), 200u);
        worker.submit([] { throw std::runtime_error("compare failed"); });
        EXPECT_THROW(worker.wait(), std::runtime_error);
        worker.submit([&] { done.push_back(200); });
        // Destroyed with a job in hand: it still runs.
    }
    EXPECT_FALSE(overlapped);
    ASSERT_EQ(done.size(), 201u);
    for (int i = 0; i < 201; ++i)
        EXPECT_EQ(done[static_cast<std::size_t>(i)], i);
}

}  // namespace
}  // namespace orvane
