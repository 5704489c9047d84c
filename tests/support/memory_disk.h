#pragma once
// A substitute for the uncached test file: kept in memory, strict about alignment like Windows'
// unbuffered I/O, and able to fail, shorten, drop, corrupt or cancel chosen requests.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/platform_error.h"
#include "storage/disk_file.h"
#include "tests/support/temp_folder.h"

namespace orvane::testing {

enum class RequestKind { Read, Write, Flush };

// One request as the substitute saw it. opening counts the factory's successful opens from 1
// (a run: 1 sequential write, 2 sequential read and random phases, 3 verification);
// numberOfKind counts from 1 among this opening's requests of the same kind.
struct RequestRecord {
    int opening = 0;
    RequestKind kind = RequestKind::Read;
    std::uint64_t offset = 0;
    std::uint64_t numberOfKind = 0;
};

using RequestPredicate = std::function<bool(const RequestRecord&)>;

// The n-th request of one kind within one opening of the file.
inline RequestPredicate nthOfKind(int opening, RequestKind kind, std::uint64_t number) {
    return [=](const RequestRecord& request) {
        return request.opening == opening && request.kind == kind && request.numberOfKind == number;
    };
}

// What befalls the request: it fails with ioErrorMessage, delivers half its data as a short read,
// completes while the cancel flag is set, only stalls, or reports a write whose data never lands.
enum class Fault { Fail, ShortRead, Cancel, Stall, Drop };

class MemoryDisk {
  public:
    // cancelFlag is set by Fault::Cancel; it may be null when no cancellation is planned.
    explicit MemoryDisk(std::atomic<bool>* cancelFlag = nullptr) : cancelFlag_(cancelFlag) {}

    // A factory over this disk; the disk must outlive every file it opened.
    DiskFileFactory factory() {
        return [this](const auto& path, bool create) { return open(path, create); };
    }
    // The first planned fault whose predicate matches acts, after stalling for seconds.
    void plan(Fault fault, RequestPredicate when, double seconds = 0.0) {
        faults_.emplace_back(fault, std::move(when), seconds);
    }
    void dropWriteAt(RequestPredicate when) { plan(Fault::Drop, std::move(when)); }
    // Every read covering this byte returns it inverted, as a failing medium would.
    void flipByteAt(std::uint64_t offset) { flippedBytes_.push_back(offset); }
    // Like a counterfeit drive: offsets wrap after bytes, so later writes land on earlier data.
    void wrapAfter(std::uint64_t bytes) { wrapBytes_ = bytes; }
    // The n-th open (1-based, counting attempts) fails with the open operation's I/O error.
    void failOpen(int number) { failedOpen_ = number; }
    // Creating the test file also creates this real file beside it.
    void plantBesideTestFile(std::string name, std::string bytes) {
        planted_.emplace_back(std::move(name), std::move(bytes));
    }

    const std::vector<RequestRecord>& requests() const { return requests_; }
    int openAttempts() const { return openAttempts_; }
    // Misaligned requests and opens while the file is still open (Windows shares nothing): a
    // correct run makes none.
    int refusals() const { return refusals_; }

    // The I/O error the substitute gives for an operation.
    static std::string ioErrorMessage(const std::string& operation) {
        return formatPlatformError(operation, "errno", 5, "Simulated device failure.");
    }

  private:
    struct File final : DiskFile {
        File(MemoryDisk& disk, int opening) : disk_(disk), opening_(opening) {}
        ~File() override { disk_.isOpen_ = false; }
        void readAt(std::uint64_t offset, void* buffer, std::uint32_t size) override {
            disk_.request(opening_, RequestKind::Read, offset, buffer, size);
        }
        void writeAt(std::uint64_t offset, const void* buffer, std::uint32_t size) override {
            disk_.request(opening_, RequestKind::Write, offset, const_cast<void*>(buffer), size);
        }
        void flush() override { disk_.request(opening_, RequestKind::Flush, 0, nullptr, 0); }
        MemoryDisk& disk_;
        int opening_;
    };

    [[noreturn]] void refuse(const std::string& operation) {
        ++refusals_;
        throw std::runtime_error(formatPlatformError(operation, "errno", 22, "Refused."));
    }

    std::unique_ptr<DiskFile> open(const std::filesystem::path& path, bool create) {
        if (++openAttempts_ == failedOpen_)
            throw std::runtime_error(ioErrorMessage("Open uncached test file"));
        // Create needs a new file, open an existing one, and nothing is shared.
        if (isOpen_ || (create && path_) || (!create && (!path_ || *path_ != path)))
            refuse("Open uncached test file");
        if (create) {
            path_ = path;
            for (const auto& [name, bytes] : planted_)
                writeWholeFile(path.parent_path() / name, bytes);
        }
        isOpen_ = true;
        return std::make_unique<File>(*this, ++openings_);
    }

    void request(int opening, RequestKind kind, std::uint64_t offset, void* buffer,
                 std::uint32_t size) {
        static const char* const operations[] = {"Read test file", "Write test file",
                                                 "Flush test data"};
        const auto kindIndex = static_cast<std::size_t>(kind);
        if (requests_.empty() || requests_.back().opening != opening)
            std::fill(std::begin(kindCounts_), std::end(kindCounts_), 0);
        requests_.push_back({opening, kind, offset, ++kindCounts_[kindIndex]});
        const auto planned = std::find_if(faults_.begin(), faults_.end(), [&](const auto& p) {
            return std::get<RequestPredicate>(p)(requests_.back());
        });
        const Fault fault = planned == faults_.end() ? Fault::Stall : std::get<Fault>(*planned);
        if (planned != faults_.end())
            std::this_thread::sleep_for(std::chrono::duration<double>(std::get<double>(*planned)));
        if (fault == Fault::Cancel && cancelFlag_ != nullptr)
            cancelFlag_->store(true);
        if (kind != RequestKind::Flush && (offset % 4096 != 0 || size % 4096 != 0 ||
                                           reinterpret_cast<std::uintptr_t>(buffer) % 4096 != 0))
            refuse(operations[kindIndex]);
        if (fault == Fault::Fail)
            throw std::runtime_error(ioErrorMessage(operations[kindIndex]));
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

    std::atomic<bool>* cancelFlag_;
    std::vector<std::tuple<Fault, RequestPredicate, double>> faults_;
    std::vector<std::uint64_t> flippedBytes_;
    std::uint64_t wrapBytes_ = 0;
    std::vector<std::pair<std::string, std::string>> planted_;
    std::optional<std::filesystem::path> path_;
    std::vector<std::uint8_t> content_;
    std::vector<RequestRecord> requests_;
    std::uint64_t kindCounts_[3] = {};
    bool isOpen_ = false;
    int failedOpen_ = 0, openAttempts_ = 0, openings_ = 0, refusals_ = 0;
};

}  // namespace orvane::testing
