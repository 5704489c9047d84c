#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <stdexcept>

#include "platform/platform_error.h"
#include "platform/unique_fd_linux.h"
#include "storage/small_file.h"

namespace orvane {

void writeSmallFile(const std::filesystem::path& path, const void* buffer, std::size_t size,
                    const std::function<void()>& created) {
    UniqueFd fd(::open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644));
    if (!fd)
        throwErrnoError("Create small file", errno);

    if (created) {
        try {
            created();
        } catch (...) {
            fd.reset();
            ::unlink(path.c_str());
            throw;
        }
    }

    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    std::size_t written = 0;
    while (written < size) {
        const ssize_t result = ::write(fd.get(), bytes + written, size - written);
        if (result < 0) {
            if (errno == EINTR)
                continue;
            throwErrnoError("Write/flush small file", errno);
        }
        if (result == 0)
            break;
        written += static_cast<std::size_t>(result);
    }
    if (written == size && ::fsync(fd.get()) != 0)
        throwErrnoError("Write/flush small file", errno);
    // A failed close can lose data on network-like filesystems: report it.
    if (::close(fd.release()) != 0)
        throwErrnoError("Write/flush small file", errno);
    if (written < size)
        throw std::runtime_error(kShortSmallFileWriteMessage);
}

}  // namespace orvane
