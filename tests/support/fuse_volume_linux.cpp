#include "tests/support/fuse_volume_linux.h"

#include <sys/mount.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace orvane::testing {

namespace {

// The command's first output line; empty when it fails or prints nothing.
std::string firstLineOf(const std::string& command) {
    std::string line;
    if (FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r")) {
        char buffer[256];
        if (std::fgets(buffer, sizeof buffer, pipe))
            line = buffer;
        if (::pclose(pipe) != 0)
            line.clear();
    }
    while (!line.empty() && line.back() == '\n')
        line.pop_back();
    return line;
}

bool succeeds(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace

FuseVolume::FuseVolume() : mountPoint_(folder_.path() / "volume") {
    const std::string image = (folder_.path() / "ntfs.img").string();
    std::filesystem::create_directory(mountPoint_);
    if (::geteuid() != 0)
        skipReason_ = "mounting a FUSE volume over a loop device needs root";
    else if (::access("/dev/fuse", R_OK | W_OK) != 0)
        skipReason_ = "no /dev/fuse on this machine";
    else if (!succeeds("command -v mkntfs && command -v ntfs-3g"))
        skipReason_ = "ntfs-3g is not installed (scripts/install-deps.sh installs it)";
    else if (!succeeds("truncate -s 64M '" + image + "'"))
        skipReason_ = "could not create the image file";
    else if ((loopDevice_ = firstLineOf("losetup -f --show '" + image + "'")).empty())
        skipReason_ = "no free loop device, or losetup could not attach the image";
    else if (!succeeds("mkntfs -Q -F " + loopDevice_) ||
             !succeeds("ntfs-3g " + loopDevice_ + " '" + mountPoint_.string() + "'"))
        skipReason_ = "mkntfs or ntfs-3g failed on " + loopDevice_;
    mounted_ = skipReason_.empty();
}

FuseVolume::~FuseVolume() {
    if (mounted_)
        ::umount2(mountPoint_.c_str(), 0);
    if (!loopDevice_.empty())
        succeeds("losetup -d " + loopDevice_);
}

}  // namespace orvane::testing
