#include "engine/pipelined_worker.h"

#include <utility>

namespace orvane {

PipelinedWorker::PipelinedWorker() : thread_([this] { serve(); }) {}

PipelinedWorker::~PipelinedWorker() {
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return !job_; });
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void PipelinedWorker::waitIdle(std::unique_lock<std::mutex>& lock) {
    changed_.wait(lock, [this] { return !job_; });
    if (failure_)
        std::rethrow_exception(std::exchange(failure_, nullptr));
}

void PipelinedWorker::submit(std::function<void()> job) {
    {
        std::unique_lock<std::mutex> lock(mutex_);
        waitIdle(lock);
        job_ = std::move(job);
    }
    changed_.notify_all();
}

void PipelinedWorker::wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    waitIdle(lock);
}

void PipelinedWorker::serve() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || job_; });
        if (!job_)
            return;
        lock.unlock();
        std::exception_ptr failure;
        try {
            job_();
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        failure_ = failure;
        job_ = nullptr;
        changed_.notify_all();
    }
}

}  // namespace orvane
