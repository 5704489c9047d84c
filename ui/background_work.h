#pragma once
// How the window runs its background work. The product runs the full benchmark on a new thread;
// tests shorten the run or refuse the thread, so every path of the window can be driven.

#include <atomic>
#include <functional>
#include <thread>

#include "engine/run_records.h"

namespace orvane {

using RunFunction =
    std::function<RunResult(const RunOptions&, const std::atomic<bool>&, const ProgressCallback&)>;
using ThreadStarter = std::function<std::thread(std::function<void()>)>;

struct BackgroundWork {
    RunFunction run;            // runBenchmark on the platform's files
    ThreadStarter startThread;  // a new std::thread; throws std::system_error when it cannot

    static BackgroundWork product();
};

}  // namespace orvane
