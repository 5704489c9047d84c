#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "cli/run_command_line.h"
#include "platform/platform_error.h"
#include "platform/scope_exit.h"
#include "platform/unique_fd_linux.h"

namespace orvane {

void writeNewReportFile(const std::filesystem::path& path, const std::string& text) {
    UniqueFd fd(::open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644));
    if (!fd)
        throwErrnoError("Create report file", errno);
    // O_EXCL made it ours: a partial report would only block the retry.
    ScopeExit removePartial([&] {
        fd.reset();
        ::unlink(path.c_str());
    });
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t result = ::write(fd.get(), text.data() + written, text.size() - written);
        if (result < 0 && errno == EINTR)
            continue;
        if (result <= 0)
            throwErrnoError("Write report file", result < 0 ? errno : EIO);
        written += static_cast<std::size_t>(result);
    }
    if (::fsync(fd.get()) != 0)
        throwErrnoError("Flush report file", errno);
    if (::close(fd.release()) != 0)
        throwErrnoError("Close report file", errno);
    removePartial.release();
}

}  // namespace orvane
