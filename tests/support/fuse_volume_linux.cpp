#include "tests/support/fuse_volume_linux.h"

#include <sys/mount.h>
#include <unistd.h>

#include "tests/support/shell_command_linux.h"

namespace orvane::testing {

FuseVolume::FuseVolume() : mountPoint_(folder_.path() / "volume") {
    const std::string image = (folder_.path() / "ntfs.img").string();
    std::filesystem::create_directory(mountPoint_);
    if (::geteuid() != 0)
        skipReason_ = "mounting a FUSE volume over a loop device needs root";
    else if (::access("/dev/fuse", R_OK | W_OK) != 0)
        skipReason_ = "no /dev/fuse on this machine";
    else if (!shellSucceeds("command -v mkntfs && command -v ntfs-3g"))
        skipReason_ = "ntfs-3g is not installed (scripts/install-deps.sh installs it)";
    else if (!shellSucceeds("truncate -s 64M '" + image + "'"))
        skipReason_ = "could not create the image file";
    else if ((loopDevice_ = shellFirstLine("losetup -f --show '" + image + "'")).empty())
        skipReason_ = "no free loop device, or losetup could not attach the image";
    else if (!shellSucceeds("mkntfs -Q -F " + loopDevice_) ||
             !shellSucceeds("ntfs-3g " + loopDevice_ + " '" + mountPoint_.string() + "'"))
        skipReason_ = "mkntfs or ntfs-3g failed on " + loopDevice_;
    mounted_ = skipReason_.empty();
}

FuseVolume::~FuseVolume() {
    if (mounted_)
        ::umount2(mountPoint_.c_str(), 0);
    if (!loopDevice_.empty())
        shellSucceeds("losetup -d " + loopDevice_);
}

}  // namespace orvane::testing
