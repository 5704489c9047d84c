#pragma once
// Real volumes for tests, set up as root with shell commands (loop devices, mkfs, mount), and a
// FUSE volume: NTFS (ntfs-3g) over a loop device backed by a file. Needs root, /dev/fuse, a free
// loop device, mkntfs and ntfs-3g; skipReason() says which one is missing.

#include <sys/mount.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/temp_folder.h"

namespace orvane::testing {

// True when the command exits 0; its output is discarded.
inline bool shellSucceeds(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// The command's first line of output, without the line end; empty when it fails or prints
// nothing.
inline std::string shellFirstLine(const std::string& command) {
    std::string line;
    if (FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r")) {
        char buffer[256];
        if (std::fgets(buffer, sizeof buffer, pipe))
            line = buffer;
        if (::pclose(pipe) != 0)
            line.clear();
    }
    line.erase(line.find_last_not_of("\r\n") + 1);
    return line;
}

class FuseVolume {
  public:
    FuseVolume() {
        const std::string image = "'" + (folder_.path() / "ntfs.img").string() + "'";
        std::filesystem::create_directory(mountPoint_);
        if (!shellSucceeds(
                "(test $(id -u) = 0 -a -w /dev/fuse && command -v mkntfs && command -v ntfs-3g)"))
            skipReason_ = "needs root, /dev/fuse, mkntfs and ntfs-3g (scripts/install-deps.sh)";
        else if (!shellSucceeds("truncate -s 64M " + image) ||
                 (loopDevice_ = shellFirstLine("losetup -f --show " + image)).empty())
            skipReason_ = "no free loop device, or losetup could not attach the image";
        else if (!shellSucceeds("mkntfs -Q -F " + loopDevice_) ||
                 !shellSucceeds("ntfs-3g " + loopDevice_ + " '" + mountPoint_.string() + "'"))
            skipReason_ = "mkntfs or ntfs-3g failed on " + loopDevice_;
    }
    ~FuseVolume() {
        if (skipReason_.empty())
            ::umount2(mountPoint_.c_str(), 0);
        if (!loopDevice_.empty())
            shellSucceeds("losetup -d " + loopDevice_);
    }

    // Empty when mounted.
    const std::string& skipReason() const { return skipReason_; }
    const std::filesystem::path& mountPoint() const { return mountPoint_; }

  private:
    TempFolder folder_;
    std::filesystem::path mountPoint_ = folder_.path() / "volume";
    std::string loopDevice_;
    std::string skipReason_;
};

}  // namespace orvane::testing
