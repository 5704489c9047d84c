#include "platform/platform_error.h"
#include "platform/windows_api.h"
#include "storage/aligned_buffer.h"

namespace orvane {

AlignedBuffer::AlignedBuffer(std::size_t size) : size_(size) {
    if (size == 0)
        return;
    void* block = VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (block == nullptr) {
        size_ = 0;
        throwWindowsError("Allocate aligned buffer");
    }
    data_ = static_cast<std::uint8_t*>(block);
}

void AlignedBuffer::release() noexcept {
    if (data_ != nullptr)
        VirtualFree(data_, 0, MEM_RELEASE);
    data_ = nullptr;
    size_ = 0;
}

}  // namespace orvane
