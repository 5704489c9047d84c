#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "cli/interrupt_signals.h"
#include "platform/platform_error.h"

namespace orvane {

namespace {

// Only a lock-free atomic may be touched from a signal handler.
static_assert(std::atomic<bool>::is_always_lock_free);
std::atomic<bool> requested{false};

constexpr char kStopping[] = "\norvane-varnolt: stopping; removing the test files...\n";
constexpr char kStillCleaning[] = "\norvane-varnolt: still cleaning up; please wait.\n";

void writeNotice(const char* text, std::size_t size) {
    while (size > 0) {
        const ssize_t done = ::write(STDERR_FILENO, text, size);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return;
        text += done;
        size -= static_cast<std::size_t>(done);
    }
}

// Async-signal-safe: an atomic exchange and write(2).
void onInterrupt(int) {
    const int savedErrno = errno;
    if (requested.exchange(true))
        writeNotice(kStillCleaning, sizeof kStillCleaning - 1);
    else
        writeNotice(kStopping, sizeof kStopping - 1);
    errno = savedErrno;
}

}  // namespace

void installInterruptHandlers() {
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        if (::sigaction(signal, &action, nullptr) != 0)
            throwErrnoError("Install signal handler", errno);
    }
}

const std::atomic<bool>& interruptRequested() {
    return requested;
}

}  // namespace orvane
