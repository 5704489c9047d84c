#pragma once
// A substitute for the uncached test file: kept in memory, strict about alignment like Windows'
// unbuffered I/O, and able to fail, shorten, corrupt or cancel chosen requests.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "storage/disk_file.h"

namespace orvane::testing {

enum class RequestKind { Read, Write, Flush };

// One request as the substitute saw it. opening counts the factory's successful opens from 1
// (a run: 1 sequential write, 2 sequential read and random phases, 3 verification).
struct RequestRecord {
    int opening = 0;
    RequestKind kind = RequestKind::Read;
    std::uint64_t offset = 0;
    std::uint32_t size = 0;
    std::uint64_t number = 0;        // 1-based over every request of the disk
    std::uint64_t numberOfKind = 0;  // 1-based among this opening's requests of the same kind
};

using RequestPredicate = std::function<bool(const RequestRecord&)>;

// The n-th request of the whole run, of any kind.
RequestPredicate nthRequest(std::uint64_t number);
// The n-th request of one kind within one opening of the file.
RequestPredicate nthOfKind(int opening, RequestKind kind, std::uint64_t number);

class MemoryDisk {
  public:
    // cancelFlag is set by cancelAt; it may be null when no cancellation is planned.
    explicit MemoryDisk(std::atomic<bool>* cancelFlag = nullptr) : cancelFlag_(cancelFlag) {}
    MemoryDisk(const MemoryDisk&) = delete;
    MemoryDisk& operator=(const MemoryDisk&) = delete;

    // A factory over this disk; the disk must outlive every file it opened.
    DiskFileFactory factory();

    // The matching request fails with ioErrorMessage of its operation. stallSeconds delays the
    // failure, so that a timed phase sees its limit reached at that request.
    void failAt(RequestPredicate when, double stallSeconds = 0.0) {
        faults_.push_back({Action::Fail, std::move(when), stallSeconds});
    }
    // The matching read delivers half the data and fails as a short read.
    void shortReadAt(RequestPredicate when) { faults_.push_back({Action::ShortRead, when, 0.0}); }
    // The matching request completes, and the cancel flag is set while it runs.
    void cancelAt(RequestPredicate when) { faults_.push_back({Action::Cancel, when, 0.0}); }
    // The matching request completes normally, but only after seconds, like a stalling device.
    void stallAt(RequestPredicate when, double seconds) {
        faults_.push_back({Action::Stall, std::move(when), seconds});
    }
    // Every read covering this byte returns it inverted, as a failing medium would.
    void flipByteAt(std::uint64_t offset) { flippedBytes_.push_back(offset); }
    // Like a counterfeit drive: offsets wrap after bytes (whole requests), so later writes land
    // on earlier data.
    void wrapAfter(std::uint64_t bytes) { wrapBytes_ = bytes; }
    // The matching write reports success but its data never arrives.
    void dropWriteAt(RequestPredicate when) { droppedWrites_.push_back(std::move(when)); }
    // The n-th open (1-based, counting attempts) fails with the open operation's message.
    void failOpen(int number) { failedOpen_ = number; }
    // Creating the test file also creates this real file beside it.
    void plantBesideTestFile(std::string name, std::string bytes = "planted") {
        planted_.emplace_back(std::move(name), std::move(bytes));
    }

    const std::vector<RequestRecord>& requests() const { return requests_; }
    const std::vector<std::uint8_t>& content() const { return content_; }
    int openAttempts() const { return openAttempts_; }
    // Requests the substitute refused for misalignment; a correct run makes none.
    int misalignedRequests() const { return misaligned_; }
    // Opens refused because the file was still open elsewhere (Windows shares nothing).
    int overlappingOpens() const { return overlappingOpens_; }
    // How many planned request faults (fail, short read, cancel, stall) fired.
    int faultsFired() const { return faultsFired_; }

    // The platform-shaped failure text the substitute uses for an operation.
    static std::string ioErrorMessage(const std::string& operation);
    static std::string invalidParameterMessage(const std::string& operation);

  private:
    class File;
    enum class Action { Fail, ShortRead, Cancel, Stall };
    struct Fault {
        Action action;
        RequestPredicate when;
        double stallSeconds;
    };

    std::unique_ptr<DiskFile> open(const std::filesystem::path& path, bool create);
    // Records the request, checks it and acts on the first planned fault that matches it.
    void request(int opening, RequestKind kind, std::uint64_t offset, void* buffer,
                 std::uint32_t size);

    std::atomic<bool>* cancelFlag_;
    std::vector<Fault> faults_;
    std::vector<std::uint64_t> flippedBytes_;
    std::vector<RequestPredicate> droppedWrites_;
    std::uint64_t wrapBytes_ = 0;
    std::vector<std::pair<std::string, std::string>> planted_;

    std::optional<std::filesystem::path> path_;
    std::vector<std::uint8_t> content_;
    std::vector<RequestRecord> requests_;
    std::uint64_t kindCounts_[3] = {};
    bool isOpen_ = false;
    int failedOpen_ = 0, openAttempts_ = 0, openings_ = 0;
    int misaligned_ = 0, overlappingOpens_ = 0, faultsFired_ = 0;
};

}  // namespace orvane::testing
