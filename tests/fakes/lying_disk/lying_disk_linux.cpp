// A disk image that lies, served by FUSE as the one file /disk. Either its offsets wrap after
// WRAP MiB (a counterfeit's real capacity behind a bigger one), or its writes past SLOW_AFTER MiB
// crawl at MIBPS (a write cache that has filled); 0 turns a lie off. Nothing is cached on the
// way: every open is direct I/O, and /stats counts the bytes written and read that came through.
//
//   orvane-lying-disk SIZE_MIB WRAP_MIB SLOW_AFTER_MIB MIBPS BACKING_FILE MOUNTPOINT
#define FUSE_USE_VERSION 35
#include <fcntl.h>
#include <fuse.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;
std::uint64_t sizeBytes = 0, wrapBytes = 0, slowAfterBytes = 0;
double slowMiBps = 0.0;
int backing = -1;
std::atomic<std::uint64_t> written{0}, readBack{0};
std::mutex paceLock;
std::chrono::steady_clock::time_point nextFree{};

bool is(const char* path, const char* name) {
    return std::strcmp(path, name) == 0;
}

// Splits [offset, offset+size) where a counterfeit's ignored high address bits wrap it, and moves
// each piece.
template <typename Move>
int transfer(std::uint64_t offset, std::size_t size, Move move) {
    if (offset >= sizeBytes)
        return 0;
    size = static_cast<std::size_t>(std::min<std::uint64_t>(size, sizeBytes - offset));
    std::size_t done = 0;
    while (done < size) {
        const std::uint64_t at = wrapBytes ? (offset + done) % wrapBytes : offset + done;
        const std::uint64_t piece =
            std::min<std::uint64_t>(size - done, wrapBytes ? wrapBytes - at : size);
        const ssize_t moved = move(done, static_cast<std::size_t>(piece), static_cast<off_t>(at));
        if (moved <= 0)
            return moved < 0 ? -errno : static_cast<int>(done);
        done += static_cast<std::size_t>(moved);
    }
    return static_cast<int>(done);
}

// Writes past the cache take their turn on one slow channel, however many threads ask.
void pace(std::size_t size) {
    if (slowMiBps <= 0.0 || written.load() + size <= slowAfterBytes)
        return;
    const auto cost = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(static_cast<double>(size) / kMiB / slowMiBps));
    std::chrono::steady_clock::time_point until;
    {
        std::lock_guard<std::mutex> lock(paceLock);
        until = nextFree = std::max(nextFree, std::chrono::steady_clock::now()) + cost;
    }
    std::this_thread::sleep_until(until);
}

int getAttributes(const char* path, struct stat* attributes, fuse_file_info*) {
    *attributes = {};
    attributes->st_nlink = 1;
    attributes->st_mode = is(path, "/") ? S_IFDIR | 0755 : S_IFREG | 0600;
    attributes->st_size = static_cast<off_t>(is(path, "/disk") ? sizeBytes : 4096);
    return is(path, "/") || is(path, "/disk") || is(path, "/stats") ? 0 : -ENOENT;
}

int openFile(const char* path, fuse_file_info* file) {
    file->direct_io = 1;
    return is(path, "/disk") || is(path, "/stats") ? 0 : -ENOENT;
}

int readFile(const char* path, char* buffer, std::size_t size, off_t offset, fuse_file_info*) {
    if (is(path, "/stats")) {
        const std::string text =
            std::to_string(written.load()) + " " + std::to_string(readBack.load()) + "\n";
        const std::size_t count = offset > 0 ? 0 : std::min(size, text.size());
        std::memcpy(buffer, text.data(), count);
        return static_cast<int>(count);
    }
    const int done = transfer(static_cast<std::uint64_t>(offset), size,
                              [&](std::size_t at, std::size_t count, off_t where) {
                                  const ssize_t got = ::pread(backing, buffer + at, count, where);
                                  // Never-written places of a sparse image read as zeros.
                                  if (got == 0)
                                      std::memset(buffer + at, 0, count);
                                  return got == 0 ? static_cast<ssize_t>(count) : got;
                              });
    readBack += static_cast<std::uint64_t>(std::max(done, 0));
    return done;
}

int writeFile(const char* path, const char* buffer, std::size_t size, off_t offset,
              fuse_file_info*) {
    if (!is(path, "/disk"))
        return -EACCES;
    pace(size);
    const int done = transfer(static_cast<std::uint64_t>(offset), size,
                              [&](std::size_t at, std::size_t count, off_t where) {
                                  return ::pwrite(backing, buffer + at, count, where);
                              });
    written += static_cast<std::uint64_t>(std::max(done, 0));
    return done;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 7) {
        std::fputs(
            "usage: orvane-lying-disk SIZE_MIB WRAP_MIB SLOW_AFTER_MIB MIBPS BACKING_FILE "
            "MOUNTPOINT\n",
            stderr);
        return 2;
    }
    sizeBytes = std::strtoull(argv[1], nullptr, 10) * kMiB;
    wrapBytes = std::strtoull(argv[2], nullptr, 10) * kMiB;
    slowAfterBytes = std::strtoull(argv[3], nullptr, 10) * kMiB;
    slowMiBps = std::strtod(argv[4], nullptr);
    backing = ::open(argv[5], O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (backing < 0) {
        std::perror(argv[5]);
        return 1;
    }
    // Without fsync the kernel takes every flush as done, which is what this disk promises.
    fuse_operations operations{};
    operations.getattr = getAttributes;
    operations.open = openFile;
    operations.read = readFile;
    operations.write = writeFile;
    // Without -f it returns once the mount is up, which is when the caller may use it.
    char* arguments[] = {argv[0], argv[6]};
    return fuse_main(2, arguments, &operations, nullptr);
}
