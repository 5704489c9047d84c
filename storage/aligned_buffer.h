#pragma once
// Page-aligned, committed, read-write memory for uncached I/O.

#include <cstddef>
#include <cstdint>

namespace orvane {

class AlignedBuffer {
  public:
    AlignedBuffer() = default;
    explicit AlignedBuffer(std::size_t size);
    AlignedBuffer(const AlignedBuffer&) = delete;
    AlignedBuffer& operator=(const AlignedBuffer&) = delete;
    AlignedBuffer(AlignedBuffer&& other) noexcept;
    AlignedBuffer& operator=(AlignedBuffer&& other) noexcept;
    ~AlignedBuffer();

    std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }

  private:
    void release() noexcept;

    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace orvane
