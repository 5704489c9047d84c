// A disk image that lies, served by FUSE as the one file /disk. Either its offsets wrap after
// --wrap-after-mib (a counterfeit's real capacity behind a bigger one), or its writes past
// --slow-after-mib crawl at --slow-mibps (a write cache that has filled). Nothing is cached on
// the way: every open is direct I/O, and /stats counts the bytes that really came through.
//
//   orvane-lying-disk --size-mib N --backing FILE [--wrap-after-mib K]
//                     [--slow-after-mib C --slow-mibps R] MOUNTPOINT
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
#include <vector>

namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;

struct Lie {
    std::uint64_t sizeBytes = 0;
    std::uint64_t wrapBytes = 0;  // 0: no wrap
    std::uint64_t slowAfterBytes = 0;
    double slowMiBps = 0.0;  // 0: never slow
    int backing = -1;
    std::atomic<std::uint64_t> written{0};
    std::atomic<std::uint64_t> read{0};
    std::mutex pace;
    std::chrono::steady_clock::time_point nextFree{};
};

Lie lie;

bool is(const char* path, const char* name) {
    return std::strcmp(path, name) == 0;
}

// Splits [offset, offset+size) where a counterfeit's ignored high address bits wrap it, and moves
// each piece.
template <typename Move>
int transfer(std::uint64_t offset, std::size_t size, Move move) {
    if (offset >= lie.sizeBytes)
        return 0;
    size = static_cast<std::size_t>(std::min<std::uint64_t>(size, lie.sizeBytes - offset));
    std::size_t done = 0;
    while (done < size) {
        const std::uint64_t at = lie.wrapBytes ? (offset + done) % lie.wrapBytes : offset + done;
        const std::uint64_t piece =
            std::min<std::uint64_t>(size - done, lie.wrapBytes ? lie.wrapBytes - at : size);
        const ssize_t moved = move(done, static_cast<std::size_t>(piece), static_cast<off_t>(at));
        if (moved <= 0)
            return moved < 0 ? -errno : static_cast<int>(done);
        done += static_cast<std::size_t>(moved);
    }
    return static_cast<int>(done);
}

// Writes past the cache take their turn on one slow channel, however many threads ask.
void pace(std::size_t size) {
    if (lie.slowMiBps <= 0.0 || lie.written.load() + size <= lie.slowAfterBytes)
        return;
    const auto cost = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(static_cast<double>(size) / kMiB / lie.slowMiBps));
    std::chrono::steady_clock::time_point until;
    {
        std::lock_guard<std::mutex> lock(lie.pace);
        lie.nextFree = std::max(lie.nextFree, std::chrono::steady_clock::now()) + cost;
        until = lie.nextFree;
    }
    std::this_thread::sleep_until(until);
}

int getAttributes(const char* path, struct stat* attributes, fuse_file_info*) {
    *attributes = {};
    attributes->st_nlink = 1;
    if (is(path, "/"))
        attributes->st_mode = S_IFDIR | 0755;
    else if (is(path, "/disk") || is(path, "/stats"))
        attributes->st_mode = S_IFREG | (is(path, "/disk") ? 0600 : 0444);
    else
        return -ENOENT;
    attributes->st_size = static_cast<off_t>(is(path, "/disk") ? lie.sizeBytes : 4096);
    return 0;
}

int listFolder(const char*, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*,
               fuse_readdir_flags) {
    for (const char* name : {".", "..", "disk", "stats"})
        fill(buffer, name, nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
    return 0;
}

int openFile(const char* path, fuse_file_info* file) {
    if (!is(path, "/disk") && !is(path, "/stats"))
        return -ENOENT;
    if (is(path, "/stats") && (file->flags & O_ACCMODE) != O_RDONLY)
        return -EACCES;
    file->direct_io = 1;
    return 0;
}

int readFile(const char* path, char* buffer, std::size_t size, off_t offset, fuse_file_info*) {
    if (is(path, "/stats")) {
        const std::string text = "written " + std::to_string(lie.written.load()) + "\nread " +
                                 std::to_string(lie.read.load()) + "\n";
        const auto from = std::min(text.size(), static_cast<std::size_t>(offset));
        const std::size_t count = std::min(size, text.size() - from);
        std::memcpy(buffer, text.data() + from, count);
        return static_cast<int>(count);
    }
    const int done = transfer(static_cast<std::uint64_t>(offset), size,
                              [&](std::size_t at, std::size_t count, off_t where) {
                                  const ssize_t got =
                                      ::pread(lie.backing, buffer + at, count, where);
                                  // Never-written places of a sparse image read as zeros.
                                  if (got == 0)
                                      std::memset(buffer + at, 0, count);
                                  return got == 0 ? static_cast<ssize_t>(count) : got;
                              });
    lie.read += static_cast<std::uint64_t>(std::max(done, 0));
    return done;
}

int writeFile(const char* path, const char* buffer, std::size_t size, off_t offset,
              fuse_file_info*) {
    if (!is(path, "/disk"))
        return -EACCES;
    pace(size);
    const int done = transfer(static_cast<std::uint64_t>(offset), size,
                              [&](std::size_t at, std::size_t count, off_t where) {
                                  return ::pwrite(lie.backing, buffer + at, count, where);
                              });
    lie.written += static_cast<std::uint64_t>(std::max(done, 0));
    return done;
}

int syncFile(const char*, int, fuse_file_info*) {
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string backing;
    std::string mountPoint;
    bool valid = true;
    for (int i = 1; i < argc && valid; ++i) {
        const std::string name = argv[i];
        if (name.rfind("--", 0) != 0) {
            mountPoint = name;
            continue;
        }
        valid = i + 1 < argc;
        if (valid && name == "--backing") {
            backing = argv[++i];
            continue;
        }
        char* end = nullptr;
        const double value = valid ? std::strtod(argv[++i], &end) : 0.0;
        valid = valid && end != argv[i] && *end == '\0' && value >= 0.0;
        if (name == "--size-mib")
            lie.sizeBytes = static_cast<std::uint64_t>(value) * kMiB;
        else if (name == "--wrap-after-mib")
            lie.wrapBytes = static_cast<std::uint64_t>(value) * kMiB;
        else if (name == "--slow-after-mib")
            lie.slowAfterBytes = static_cast<std::uint64_t>(value) * kMiB;
        else if (name == "--slow-mibps")
            lie.slowMiBps = value;
        else
            valid = false;
    }
    if (!valid || lie.sizeBytes == 0 || backing.empty() || mountPoint.empty()) {
        std::fputs(
            "usage: orvane-lying-disk --size-mib N --backing FILE [--wrap-after-mib K] "
            "[--slow-after-mib C --slow-mibps R] MOUNTPOINT\n",
            stderr);
        return 2;
    }
    lie.backing = ::open(backing.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lie.backing < 0) {
        std::perror(backing.c_str());
        return 1;
    }
    fuse_operations operations{};
    operations.getattr = getAttributes;
    operations.readdir = listFolder;
    operations.open = openFile;
    operations.read = readFile;
    operations.write = writeFile;
    operations.fsync = syncFile;
    // Without -f it returns once the mount is up, which is when the caller may use it.
    std::string program = argv[0];
    std::vector<char*> arguments{program.data(), mountPoint.data()};
    return fuse_main(static_cast<int>(arguments.size()), arguments.data(), &operations, nullptr);
}
