#pragma once
// Caps the size of every file this process writes, as a full volume would: a write past it fails
// with EFBIG (SIGXFSZ is ignored meanwhile). The limit and the signal's handler come back at the
// end of the scope.

#include <sys/resource.h>

#include <csignal>
#include <stdexcept>

namespace orvane::testing {

class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        if (::getrlimit(RLIMIT_FSIZE, &saved_) != 0)
            throw std::runtime_error("getrlimit failed");
        rlimit small = saved_;
        small.rlim_cur = bytes;
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        if (::setrlimit(RLIMIT_FSIZE, &small) != 0) {
            std::signal(SIGXFSZ, previousHandler_);
            throw std::runtime_error("setrlimit failed");
        }
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit saved_{};
    void (*previousHandler_)(int) = SIG_DFL;
};

}  // namespace orvane::testing
