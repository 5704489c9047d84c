#pragma once
// A substitute for the uncached test file: kept in memory, strict about alignment like Windows'
// unbuffered I/O, and able to fail, shorten, drop, corrupt or cancel chosen requests.

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
    std::uint64_t numberOfKind = 0;  // 1-based among this opening's requests of the same kind
};

using RequestPredicate = std::function<bool(const RequestRecord&)>;

// The n-th request of one kind within one opening of the file.
RequestPredicate nthOfKind(int opening, RequestKind kind, std::uint64_t number);

// What befalls the request: it fails with ioErrorMessage, delivers half its data as a short read,
// completes while the cancel flag is set, only stalls, or reports a write whose data never lands.
enum class Fault { Fail, ShortRead, Cancel, Stall, Drop };

class MemoryDisk {
  public:
    // cancelFlag is set by Fault::Cancel; it may be null when no cancellation is planned.
    explicit MemoryDisk(std::atomic<bool>* cancelFlag = nullptr) : cancelFlag_(cancelFlag) {}
    MemoryDisk(const MemoryDisk&) = delete;
    MemoryDisk& operator=(const MemoryDisk&) = delete;

    // A factory over this disk; the disk must outlive every file it opened.
    DiskFileFactory factory();
    // The first planned fault whose predicate matches acts, after stalling for seconds.
    void plan(Fault fault, RequestPredicate when, double seconds = 0.0) {
        faults_.push_back({fault, std::move(when), seconds});
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
    const std::vector<std::uint8_t>& content() const { return content_; }
    int openAttempts() const { return openAttempts_; }
    // Misaligned requests and opens while the file is still open (Windows shares nothing): a
    // correct run makes none.
    int refusals() const { return refusals_; }

    // The platform-shaped I/O error the substitute gives for an operation.
    static std::string ioErrorMessage(const std::string& operation);

  private:
    class File;
    struct Planned {
        Fault fault;
        RequestPredicate when;
        double seconds;
    };

    std::unique_ptr<DiskFile> open(const std::filesystem::path& path, bool create);
    void request(int opening, RequestKind kind, std::uint64_t offset, void* buffer,
                 std::uint32_t size);

    std::atomic<bool>* cancelFlag_;
    std::vector<Planned> faults_;
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
