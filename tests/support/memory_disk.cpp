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

#ifdef _WIN32
constexpr const char* kCodeKind = "Windows";
constexpr unsigned long kIoError = 1117;  // ERROR_IO_DEVICE
constexpr unsigned long kInvalidParameter = 87;
constexpr unsigned long kFileExists = 80;
constexpr unsigned long kNotFound = 2;
constexpr unsigned long kSharingViolation = 32;
#else
constexpr const char* kCodeKind = "errno";
constexpr unsigned long kIoError = 5;  // EIO
constexpr unsigned long kInvalidParameter = 22;
constexpr unsigned long kFileExists = 17;
constexpr unsigned long kNotFound = 2;
constexpr unsigned long kSharingViolation = 16;  // EBUSY
#endif

constexpr const char* kOpenOperation = "Open uncached test file";

[[noreturn]] void throwSimulated(const std::string& operation, unsigned long code,
                                 const char* text) {
    throw std::runtime_error(formatPlatformError(operation, kCodeKind, code, text));
}

const char* operationOf(RequestKind kind) {
    switch (kind) {
        case RequestKind::Read:
            return "Read test file";
        case RequestKind::Write:
            return "Write test file";
        case RequestKind::Flush:
            return "Flush test data";
    }
    return "";
}

}  // namespace

RequestPredicate nthRequest(std::uint64_t number) {
    return [number](const RequestRecord& request) { return request.number == number; };
}

RequestPredicate nthOfKind(int opening, RequestKind kind, std::uint64_t number) {
    return [=](const RequestRecord& request) {
        return request.opening == opening && request.kind == kind && request.numberOfKind == number;
    };
}

std::string MemoryDisk::ioErrorMessage(const std::string& operation) {
    return formatPlatformError(operation, kCodeKind, kIoError, "Simulated device failure.");
}

std::string MemoryDisk::invalidParameterMessage(const std::string& operation) {
    return formatPlatformError(operation, kCodeKind, kInvalidParameter,
                               "Simulated refusal of a misaligned request.");
}

class MemoryDisk::File final : public DiskFile {
  public:
    File(MemoryDisk& disk, int opening) : disk_(disk), opening_(opening) {}
    ~File() override { disk_.isOpen_ = false; }
    void readAt(std::uint64_t offset, void* buffer, std::uint32_t size) override {
        disk_.read(opening_, offset, buffer, size);
    }
    void writeAt(std::uint64_t offset, const void* buffer, std::uint32_t size) override {
        disk_.write(opening_, offset, buffer, size);
    }
    void flush() override { disk_.flush(opening_); }

  private:
    MemoryDisk& disk_;
    int opening_;
};

DiskFileFactory MemoryDisk::factory() {
    return [this](const std::filesystem::path& path, bool create) { return open(path, create); };
}

void MemoryDisk::failAt(RequestPredicate when, double stallSeconds) {
    faults_.push_back({Action::Fail, std::move(when), stallSeconds});
}

void MemoryDisk::shortReadAt(RequestPredicate when) {
    faults_.push_back({Action::ShortRead, std::move(when), 0.0});
}

void MemoryDisk::cancelAt(RequestPredicate when) {
    faults_.push_back({Action::Cancel, std::move(when), 0.0});
}

void MemoryDisk::stallAt(RequestPredicate when, double seconds) {
    faults_.push_back({Action::Stall, std::move(when), seconds});
}

std::unique_ptr<DiskFile> MemoryDisk::open(const std::filesystem::path& path, bool create) {
    ++openAttempts_;
    if (openAttempts_ == failedOpen_)
        throw std::runtime_error(ioErrorMessage(kOpenOperation));
    // No sharing, as the real file is opened: a second open while one is live is refused.
    if (isOpen_) {
        ++overlappingOpens_;
        throwSimulated(kOpenOperation, kSharingViolation, "The file is in use.");
    }
    if (create) {
        if (path_)
            throwSimulated(kOpenOperation, kFileExists, "The file exists.");
        path_ = path;
        for (const auto& [name, bytes] : planted_)
            writeWholeFile(path.parent_path() / name, bytes);
    } else if (!path_ || *path_ != path) {
        throwSimulated(kOpenOperation, kNotFound, "The file does not exist.");
    }
    isOpen_ = true;
    return std::make_unique<File>(*this, ++openings_);
}

void MemoryDisk::checkAlignment(const char* operation, std::uint64_t offset, const void* buffer,
                                std::uint32_t size) {
    const auto address = reinterpret_cast<std::uintptr_t>(buffer);
    if (offset % 4096 != 0 || size % 4096 != 0 || address % 4096 != 0) {
        ++misaligned_;
        throw std::runtime_error(invalidParameterMessage(operation));
    }
}

const MemoryDisk::Fault* MemoryDisk::record(int opening, RequestKind kind, std::uint64_t offset,
                                            std::uint32_t size) {
    RequestRecord request;
    request.opening = opening;
    request.kind = kind;
    request.offset = offset;
    request.size = size;
    request.number = requests_.size() + 1;
    const auto kindIndex = static_cast<std::size_t>(kind);
    const bool sameOpening = !requests_.empty() && requests_.back().opening == opening;
    if (!sameOpening)
        std::fill(std::begin(kindCounts_), std::end(kindCounts_), 0);
    request.numberOfKind = ++kindCounts_[kindIndex];
    requests_.push_back(request);

    for (const Fault& fault : faults_) {
        if (!fault.when(request))
            continue;
        ++faultsFired_;
        if (fault.stallSeconds > 0) {
            std::this_thread::sleep_for(std::chrono::duration<double>(fault.stallSeconds));
        }
        if (fault.action == Action::Cancel && cancelFlag_ != nullptr)
            cancelFlag_->store(true);
        return &fault;
    }
    return nullptr;
}

void MemoryDisk::read(int opening, std::uint64_t offset, void* buffer, std::uint32_t size) {
    const Fault* fault = record(opening, RequestKind::Read, offset, size);
    checkAlignment(operationOf(RequestKind::Read), offset, buffer, size);
    if (fault && fault->action == Action::Fail)
        throw std::runtime_error(ioErrorMessage(operationOf(RequestKind::Read)));
    const std::uint64_t logical = offset;
    offset = wrapped(offset);
    if (offset + size > content_.size())
        throw std::runtime_error(kShortReadMessage);

    auto* bytes = static_cast<std::uint8_t*>(buffer);
    if (fault && fault->action == Action::ShortRead) {
        std::memcpy(bytes, content_.data() + offset, size / 2);
        throw std::runtime_error(kShortReadMessage);
    }
    std::memcpy(bytes, content_.data() + offset, size);
    for (const std::uint64_t flipped : flippedBytes_) {
        if (flipped >= logical && flipped < logical + size)
            bytes[flipped - logical] ^= 0xff;
    }
}

void MemoryDisk::write(int opening, std::uint64_t offset, const void* buffer, std::uint32_t size) {
    const Fault* fault = record(opening, RequestKind::Write, offset, size);
    checkAlignment(operationOf(RequestKind::Write), offset, buffer, size);
    if (fault && fault->action == Action::Fail) {
        throw std::runtime_error(ioErrorMessage(operationOf(RequestKind::Write)));
    }
    const RequestRecord& request = requests_.back();
    offset = wrapped(offset);
    if (offset + size > content_.size())
        content_.resize(offset + size);
    for (const RequestPredicate& dropped : droppedWrites_) {
        if (dropped(request))
            return;
    }
    std::memcpy(content_.data() + offset, buffer, size);
}

void MemoryDisk::flush(int opening) {
    const Fault* fault = record(opening, RequestKind::Flush, 0, 0);
    if (fault && fault->action == Action::Fail) {
        throw std::runtime_error(ioErrorMessage(operationOf(RequestKind::Flush)));
    }
}

}  // namespace orvane::testing
