#pragma once
// One job at a time on a second thread, so the caller can fetch the next piece of work while the
// last one is processed: the full check reads the next MiB while the previous one is compared.

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace orvane {

class PipelinedWorker {
  public:
    PipelinedWorker();
    PipelinedWorker(const PipelinedWorker&) = delete;
    PipelinedWorker& operator=(const PipelinedWorker&) = delete;
    // Finishes the job in hand first.
    ~PipelinedWorker();

    // Waits for the previous job (rethrowing what it threw), then hands this one over.
    void submit(std::function<void()> job);
    // Returns when no job is left; rethrows what the last one threw.
    void wait();

  private:
    void waitIdle(std::unique_lock<std::mutex>& lock);
    void serve();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void()> job_;
    std::exception_ptr failure_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace orvane
