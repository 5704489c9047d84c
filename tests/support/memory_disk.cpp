#include "tests/support/memory_disk.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "platform/platform_error.h"
#include "tests/support/temp_folder.h"

namespace orvane::testing {

namespace {

// The codes each platform gives for an I/O error and for a refused request.
#ifdef _WIN32
constexpr const char* kCodeKind = "Windows";
constexpr unsigned long kCodes[] = {1117, 87};
#else
constexpr const char* kCodeKind = "errno";
constexpr unsigned long kCodes[] = {5, 22};
#endif
constexpr const char* kOperations[] = {"Read test file", "Write test file", "Flush test data"};
constexpr const char* kOpenOperation = "Open uncached test file";

[[noreturn]] void refuse(const std::string& operation, int& refusals) {
    ++refusals;
    throw std::runtime_error(formatPlatformError(operation, kCodeKind, kCodes[1], "Refused."));
}

}  // namespace

RequestPredicate nthOfKind(int opening, RequestKind kind, std::uint64_t number) {
    return [=](const RequestRecord& request) {
        return request.opening == opening && request.kind == kind && request.numberOfKind == number;
    };
}

std::string MemoryDisk::ioErrorMessage(const std::string& operation) {
    return formatPlatformError(operation, kCodeKind, kCodes[0], "Simulated device failure.");
}

class MemoryDisk::File final : public DiskFile {
  public:
    File(MemoryDisk& disk, int opening) : disk_(disk), opening_(opening) {}
    ~File() override { disk_.isOpen_ = false; }
    void readAt(std::uint64_t offset, void* buffer, std::uint32_t size) override {
        disk_.request(opening_, RequestKind::Read, offset, buffer, size);
    }
    void writeAt(std::uint64_t offset, const void* buffer, std::uint32_t size) override {
        disk_.request(opening_, RequestKind::Write, offset, const_cast<void*>(buffer), size);
    }
    void flush() override { disk_.request(opening_, RequestKind::Flush, 0, nullptr, 0); }

  private:
    MemoryDisk& disk_;
    int opening_;
};

DiskFileFactory MemoryDisk::factory() {
    return [this](const std::filesystem::path& path, bool create) { return open(path, create); };
}

std::unique_ptr<DiskFile> MemoryDisk::open(const std::filesystem::path& path, bool create) {
    if (++openAttempts_ == failedOpen_)
        throw std::runtime_error(ioErrorMessage(kOpenOperation));
    // Create needs a new file, open an existing one, and nothing is shared.
    if (isOpen_ || (create && path_) || (!create && (!path_ || *path_ != path)))
        refuse(kOpenOperation, refusals_);
    if (create) {
        path_ = path;
        for (const auto& [name, bytes] : planted_)
            writeWholeFile(path.parent_path() / name, bytes);
    }
    isOpen_ = true;
    return std::make_unique<File>(*this, ++openings_);
}

void MemoryDisk::request(int opening, RequestKind kind, std::uint64_t offset, void* buffer,
                         std::uint32_t size) {
    const auto kindIndex = static_cast<std::size_t>(kind);
    if (requests_.empty() || requests_.back().opening != opening)
        std::fill(std::begin(kindCounts_), std::end(kindCounts_), 0);
    const RequestRecord record{opening, kind, offset, size, ++kindCounts_[kindIndex]};
    requests_.push_back(record);
    const auto planned = std::find_if(faults_.begin(), faults_.end(),
                                      [&](const Planned& p) { return p.when(record); });
    const Fault fault = planned == faults_.end() ? Fault::Stall : planned->fault;
    if (planned != faults_.end()) {
        std::this_thread::sleep_for(std::chrono::duration<double>(planned->seconds));
        if (fault == Fault::Cancel && cancelFlag_ != nullptr)
            cancelFlag_->store(true);
    }
    const char* operation = kOperations[kindIndex];
    if (kind != RequestKind::Flush && (offset % 4096 != 0 || size % 4096 != 0 ||
                                       reinterpret_cast<std::uintptr_t>(buffer) % 4096 != 0))
        refuse(operation, refusals_);
    if (fault == Fault::Fail)
        throw std::runtime_error(ioErrorMessage(operation));
    const std::uint64_t at = wrapBytes_ ? offset % wrapBytes_ : offset;
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    if (kind == RequestKind::Write) {
        content_.resize(std::max<std::size_t>(content_.size(), at + size));
        if (fault != Fault::Drop)
            std::memcpy(content_.data() + at, bytes, size);
    } else if (kind == RequestKind::Read) {
        if (at + size > content_.size())
            throw std::runtime_error(kShortReadMessage);
        std::memcpy(bytes, content_.data() + at, fault == Fault::ShortRead ? size / 2 : size);
        if (fault == Fault::ShortRead)
            throw std::runtime_error(kShortReadMessage);
        for (const std::uint64_t flipped : flippedBytes_) {
            if (flipped >= offset && flipped < offset + size)
                bytes[flipped - offset] ^= 0xff;
        }
    }
}

}  // namespace orvane::testing
