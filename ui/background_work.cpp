#include "ui/background_work.h"

#include "engine/benchmark_run.h"

namespace orvane {

BackgroundWork BackgroundWork::product() {
    return {
        [](const RunOptions& options, const std::atomic<bool>& cancelRequested,
           const ProgressCallback& progress) {
            return runBenchmark(options, cancelRequested, progress);
        },
        [](std::function<void()> body) { return std::thread(std::move(body)); },
    };
}

}  // namespace orvane
