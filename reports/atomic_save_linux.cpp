#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "platform/platform_error.h"
#include "platform/scope_exit.h"
#include "platform/unique_fd_linux.h"
#include "reports/atomic_save.h"

namespace orvane {

namespace {

std::uint64_t millisecondsSinceBoot() {
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000u +
           static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
}

bool writeAll(int fd, const std::string& text) {
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t result = ::write(fd, text.data() + written, text.size() - written);
        if (result < 0 && errno == EINTR)
            continue;
        if (result <= 0)
            return false;
        written += static_cast<std::size_t>(result);
    }
    return true;
}

}  // namespace

void saveReportAtomically(const std::filesystem::path& target, const std::string& text) {
    const std::string temporary = target.native() + ".tmp-" + std::to_string(::getpid()) + "-" +
                                  std::to_string(millisecondsSinceBoot());

    UniqueFd file(::open(temporary.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644));
    if (!file)
        throw std::runtime_error(kCannotCreateTemporaryReport);
    ScopeExit removeTemporary([&temporary] { ::unlink(temporary.c_str()); });

    // A failed fsync is never retried: the kernel may already have dropped the dirty pages.
    bool ok = writeAll(file.get(), text) && ::fsync(file.get()) == 0;
    ok = ::close(file.release()) == 0 && ok;
    if (!ok || ::rename(temporary.c_str(), target.c_str()) != 0) {
        throw std::runtime_error(kCannotSaveReport);
    }
    removeTemporary.release();

    // The rename is durable only once the folder is flushed. The new report is in place by now,
    // so a failure here cannot claim the previous archive was kept. A folder that cannot be
    // opened for reading (write-only permission) cannot be flushed; its report is written.
    std::filesystem::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    const UniqueFd directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory && ::fsync(directory.get()) != 0 && errno != EINVAL) {
        throwErrnoError("Flush report folder", errno);
    }
}

}  // namespace orvane
