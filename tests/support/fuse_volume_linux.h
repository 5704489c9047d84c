#pragma once
// A real FUSE volume for tests: NTFS (ntfs-3g) over a loop device backed by a file. Needs root,
// /dev/fuse, a free loop device, mkntfs and ntfs-3g; skipReason() says which one is missing.

#include <filesystem>
#include <string>

#include "tests/support/temp_folder.h"

namespace orvane::testing {

class FuseVolume {
  public:
    FuseVolume();
    FuseVolume(const FuseVolume&) = delete;
    FuseVolume& operator=(const FuseVolume&) = delete;
    ~FuseVolume();

    // Empty when mounted.
    const std::string& skipReason() const { return skipReason_; }
    const std::filesystem::path& mountPoint() const { return mountPoint_; }

  private:
    TempFolder folder_;
    std::filesystem::path mountPoint_;
    std::string loopDevice_;
    bool mounted_ = false;
    std::string skipReason_;
};

}  // namespace orvane::testing
