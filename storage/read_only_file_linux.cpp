#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/platform_error.h"
#include "platform/unique_fd_linux.h"
#include "storage/read_only_file.h"

namespace orvane {

namespace {

class LinuxReadOnlyFile final : public ReadOnlyFile {
  public:
    explicit LinuxReadOnlyFile(UniqueFd fd) : fd_(std::move(fd)) {}

    std::uint64_t size() override {
        struct stat facts {};
        if (::fstat(fd_.get(), &facts) != 0)
            throwErrnoError("Read model file size", errno);
        return static_cast<std::uint64_t>(facts.st_size);
    }

    std::uint32_t readUpTo(std::uint64_t offset, void* buffer, std::uint32_t size) override {
        std::uint32_t total = 0;
        while (total < size) {
            const ssize_t got = ::pread(fd_.get(), static_cast<char*>(buffer) + total, size - total,
                                        static_cast<off_t>(offset + total));
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                throwErrnoError("Read model file", errno);
            if (got == 0)
                break;
            total += static_cast<std::uint32_t>(got);
            // A direct read that stops short of an aligned length has reached the end.
            if (total % 4096 != 0)
                break;
        }
        return total;
    }

  private:
    UniqueFd fd_;
};

}  // namespace

std::unique_ptr<ReadOnlyFile> openReadOnlyPlatformFile(const std::filesystem::path& path) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_DIRECT | O_CLOEXEC));
    if (!fd)
        throwErrnoError("Open model file uncached", errno);
    return std::make_unique<LinuxReadOnlyFile>(std::move(fd));
}

}  // namespace orvane
