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

bool isDisk(const char* path) {
    return std::strcmp(path, "/disk") == 0;
}
bool isStats(const char* path) {
    return std::strcmp(path, "/stats") == 0;
}

std::string statsText() {
    return "written " + std::to_string(lie.written.load()) + "\nread " +
           std::to_string(lie.read.load()) + "\n";
}

// Where a byte of the image really lives: a counterfeit ignores the high address bits.
std::uint64_t physical(std::uint64_t offset) {
    return lie.wrapBytes ? offset % lie.wrapBytes : offset;
}

// Splits [offset, offset+size) at the wrap points and moves each piece.
template <typename Move>
int transfer(std::uint64_t offset, std::size_t size, Move move) {
    if (offset >= lie.sizeBytes)
        return 0;
    size = static_cast<std::size_t>(std::min<std::uint64_t>(size, lie.sizeBytes - offset));
    std::size_t done = 0;
    while (done < size) {
        const std::uint64_t at = physical(offset + done);
        std::uint64_t piece = size - done;
        if (lie.wrapBytes)
            piece = std::min(piece, lie.wrapBytes - at);
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
    if (std::strcmp(path, "/") == 0) {
        attributes->st_mode = S_IFDIR | 0755;
        attributes->st_nlink = 2;
    } else if (isDisk(path) || isStats(path)) {
        attributes->st_mode = S_IFREG | (isDisk(path) ? 0600 : 0444);
        attributes->st_nlink = 1;
        attributes->st_size = static_cast<off_t>(isDisk(path) ? lie.sizeBytes : 4096);
    } else {
        return -ENOENT;
    }
    return 0;
}

int listFolder(const char* path, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*,
               fuse_readdir_flags) {
    if (std::strcmp(path, "/") != 0)
        return -ENOENT;
    for (const char* name : {".", "..", "disk", "stats"})
        fill(buffer, name, nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
    return 0;
}

int openFile(const char* path, fuse_file_info* file) {
    if (!isDisk(path) && !isStats(path))
        return -ENOENT;
    if (isStats(path) && (file->flags & O_ACCMODE) != O_RDONLY)
        return -EACCES;
    file->direct_io = 1;
    return 0;
}

int readFile(const char* path, char* buffer, std::size_t size, off_t offset, fuse_file_info*) {
    if (isStats(path)) {
        const std::string text = statsText();
        if (static_cast<std::size_t>(offset) >= text.size())
            return 0;
        const std::size_t count = std::min(size, text.size() - static_cast<std::size_t>(offset));
        std::memcpy(buffer, text.data() + offset, count);
        return static_cast<int>(count);
    }
    const int done = transfer(static_cast<std::uint64_t>(offset), size,
                              [&](std::size_t at, std::size_t count, off_t where) {
                                  const ssize_t got =
                                      ::pread(lie.backing, buffer + at, count, where);
                                  // Never-written places of a sparse image read as zeros.
                                  if (got == 0) {
                                      std::memset(buffer + at, 0, count);
                                      return static_cast<ssize_t>(count);
                                  }
                                  return got;
                              });
    if (done > 0)
        lie.read += static_cast<std::uint64_t>(done);
    return done;
}

int writeFile(const char* path, const char* buffer, std::size_t size, off_t offset,
              fuse_file_info*) {
    if (!isDisk(path))
        return -EACCES;
    pace(size);
    const int done = transfer(static_cast<std::uint64_t>(offset), size,
                              [&](std::size_t at, std::size_t count, off_t where) {
                                  return ::pwrite(lie.backing, buffer + at, count, where);
                              });
    if (done > 0)
        lie.written += static_cast<std::uint64_t>(done);
    return done;
}

int syncFile(const char*, int, fuse_file_info*) {
    return 0;
}

bool readNumber(const char* text, double& value) {
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && value >= 0.0;
}

int usage() {
    std::fputs(
        "usage: orvane-lying-disk --size-mib N --backing FILE [--wrap-after-mib K] "
        "[--slow-after-mib C --slow-mibps R] MOUNTPOINT\n",
        stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string backing;
    std::string mountPoint;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        double value = 0.0;
        if (name.rfind("--", 0) != 0) {
            mountPoint = name;
        } else if (i + 1 >= argc) {
            return usage();
        } else if (name == "--backing") {
            backing = argv[++i];
        } else if (!readNumber(argv[++i], value)) {
            return usage();
        } else if (name == "--size-mib") {
            lie.sizeBytes = static_cast<std::uint64_t>(value) * kMiB;
        } else if (name == "--wrap-after-mib") {
            lie.wrapBytes = static_cast<std::uint64_t>(value) * kMiB;
        } else if (name == "--slow-after-mib") {
            lie.slowAfterBytes = static_cast<std::uint64_t>(value) * kMiB;
        } else if (name == "--slow-mibps") {
            lie.slowMiBps = value;
        } else {
            return usage();
        }
    }
    if (lie.sizeBytes == 0 || backing.empty() || mountPoint.empty())
        return usage();
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
