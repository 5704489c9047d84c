#include <sys/resource.h>

#include <csignal>

#include "tests/reports/atomic_save_checks.h"

namespace orvane::testing {
namespace {

TEST_F(FailedSave, WriteStoppedPartWay) {
    // A file size limit stops the write with EFBIG.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    expectSaveFailure(target_, std::string(5000, 'n'), kCannotSaveReport);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
}

}  // namespace
}  // namespace orvane::testing
