#include <sys/mman.h>

#include <cerrno>

#include "platform/platform_error.h"
#include "storage/aligned_buffer.h"

namespace orvane {

AlignedBuffer::AlignedBuffer(std::size_t size) : size_(size) {
    if (size == 0)
        return;
    // MAP_POPULATE commits the pages now, as VirtualAlloc's MEM_COMMIT does.
    void* block = mmap(nullptr, size, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (block == MAP_FAILED) {
        const int error = errno;
        size_ = 0;
        throwErrnoError("Allocate aligned buffer", error);
    }
    data_ = static_cast<std::uint8_t*>(block);
}

void AlignedBuffer::release() noexcept {
    if (data_ != nullptr)
        munmap(data_, size_);
    data_ = nullptr;
    size_ = 0;
}

}  // namespace orvane
