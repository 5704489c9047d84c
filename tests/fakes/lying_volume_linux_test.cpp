// The full check, run as the program, on real volumes that lie: our FUSE image behind a
// direct-I/O loop device, formatted with ext4 and mounted. Needs root, /dev/fuse and a free loop
// device.
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>

#include "tests/support/fuse_volume_linux.h"
#include "tests/support/temp_folder.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using testing::shellFirstLine;
using testing::shellSucceeds;
constexpr double kMiB = 1048576.0;

std::string quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

class LyingVolume {
  public:
    LyingVolume(const std::string& lie, const std::string& fileSystem) {
        const std::string makeFileSystem =
            fileSystem == "vfat" ? "mkfs.vfat -F 32" : "mkfs.ext4 -q -F -O ^has_journal";
        const std::string serve = "mkdir " + quoted(lieFolder_) + " " + quoted(volume_) + " && " +
                                  ORVANE_LYING_DISK + " " + lie + " " +
                                  quoted(folder_.path() / "backing.img") + " " + quoted(lieFolder_);
        if (!shellSucceeds("(test $(id -u) = 0 -a -w /dev/fuse && losetup -f && grep -qw " +
                           fileSystem + " /proc/filesystems && command -v mkfs." + fileSystem +
                           ")"))
            skipReason_ = "needs root, /dev/fuse, a free loop device, and the " + fileSystem +
                          " file system with its mkfs (scripts/install-deps.sh)";
        else if (!(lieMounted_ = shellSucceeds(serve)))
            skipReason_ = "the FUSE program could not mount its image";
        else if ((loopDevice_ = shellFirstLine("losetup -f --show --direct-io=on " +
                                               quoted(lieFolder_ / "disk")))
                     .empty())
            skipReason_ = "losetup could not attach the FUSE image";
        else if (shellFirstLine("cat /sys/block/" + fs::path(loopDevice_).filename().string() +
                                "/loop/dio") != "1")
            skipReason_ = "the kernel will not do direct I/O from a loop device to a FUSE file";
        else if (!(volumeMounted_ = shellSucceeds(makeFileSystem + " " + loopDevice_) &&
                                    shellSucceeds("mount " + loopDevice_ + " " + quoted(volume_))))
            skipReason_ = makeFileSystem + " or mount failed on " + loopDevice_;
    }
    LyingVolume(const LyingVolume&) = delete;
    LyingVolume& operator=(const LyingVolume&) = delete;
    ~LyingVolume() {
        if (volumeMounted_)
            ::umount2(volume_.c_str(), 0);
        if (!loopDevice_.empty())
            shellSucceeds("losetup -d " + loopDevice_);
        if (lieMounted_)
            ::umount2(lieFolder_.c_str(), MNT_DETACH);
    }

    // What the lying program itself saw: bytes written, then bytes read.
    std::pair<double, double> lieCounters() const {
        std::pair<double, double> counters;
        std::ifstream(lieFolder_ / "stats") >> counters.first >> counters.second;
        return counters;
    }

    testing::TempFolder folder_;
    fs::path lieFolder_ = folder_.path() / "lie";
    fs::path volume_ = folder_.path() / "volume";
    std::string loopDevice_;
    bool lieMounted_ = false;
    bool volumeMounted_ = false;
    std::string skipReason_;
};

struct LyingCase {
    const char* name;
    friend std::ostream& operator<<(std::ostream& o, const LyingCase& r) { return o << r.name; }
    const char* lie;
    const char* fileSystem;
    double wrapMiB;   // 0: the volume keeps everything
    double cliffMiB;  // 0: the volume never slows; else its cache, in MiB written
};

class LyingVolumeCheck : public ::testing::TestWithParam<LyingCase> {};

TEST_P(LyingVolumeCheck, TheProgramSeesTheLie) {
    const LyingCase& lying = GetParam();
    LyingVolume volume(lying.lie, lying.fileSystem);
    if (!volume.skipReason_.empty())
        GTEST_SKIP() << volume.skipReason_;

    const fs::path report = volume.folder_.path() / "report.json";
    const auto before = volume.lieCounters();
    const std::string command = std::string(ORVANE_CLI_PROGRAM) + " --full-check " +
                                quoted(volume.volume_) + " --report " + quoted(report) +
                                " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    std::ifstream in(report);
    ASSERT_TRUE(in) << "no report";
    const nlohmann::json result = nlohmann::json::parse(in);
    SCOPED_TRACE(result["verdict"].get<std::string>());
    EXPECT_EQ(result["status"], "Completed");
    const double filled = result["filledBytes"].get<double>();
    ASSERT_GT(filled, 256 * kMiB);
    EXPECT_EQ(WEXITSTATUS(status), lying.wrapMiB > 0 ? 2 : 0);
    if (lying.wrapMiB > 0) {
        EXPECT_GT(result["wrappedBytes"].get<double>(), 0);
        // What holds data is the real capacity, less what the file system keeps for itself.
        const double usable = result["usableBytes"].get<double>() / kMiB;
        EXPECT_GT(usable, lying.wrapMiB * 0.75);
        EXPECT_LE(usable, lying.wrapMiB);
        EXPECT_TRUE(result["cacheBytes"].is_null());
    } else {
        EXPECT_EQ(result["intactBytes"].get<double>(), filled);
        // The cache also took what mkfs and mount wrote; the curve sees it to a 64 MiB slice.
        EXPECT_NEAR(result["cacheBytes"].get<double>(), lying.cliffMiB * kMiB - before.first,
                    64 * kMiB + 1);
        EXPECT_LT(result["rateAfterCliffMiBps"].get<double>(),
                  result["rateBeforeCliffMiBps"].get<double>() / 2);
    }
    // Every byte of the fill went to the lie and came back from it: nothing was cached.
    const auto after = volume.lieCounters();
    EXPECT_GE(after.first - before.first, filled);
    EXPECT_GE(after.second - before.second, filled);
}

const LyingCase kLyingCases[] = {
    {"WrapsOnExt4", "1024 320 0 0", "ext4", 320, 0},
    {"WrapsOnVfat", "1024 320 0 0", "vfat", 320, 0},
    {"SlowsOnExt4", "1024 0 576 8", "ext4", 0, 576},
};

INSTANTIATE_TEST_SUITE_P(Fakes, LyingVolumeCheck, ::testing::ValuesIn(kLyingCases),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace orvane
