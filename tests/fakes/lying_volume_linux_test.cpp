// The full check, run as the program, on real volumes that lie: our FUSE image behind a
// direct-I/O loop device, formatted and mounted. Needs root, /dev/fuse and a free loop device.
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "tests/support/shell_command_linux.h"
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

struct Counters {
    double written = 0;
    double read = 0;
};

// The loop device's own count of what went to and came from its backing file.
Counters loopCounters(const std::string& device) {
    std::ifstream in("/sys/block/" + fs::path(device).filename().string() + "/stat");
    double field[7] = {};
    for (double& value : field)
        in >> value;
    return {field[6] * 512, field[2] * 512};
}

// What the lying program itself saw arrive and leave.
Counters lieCounters(const fs::path& stats) {
    std::ifstream in(stats);
    std::string word;
    Counters counters;
    in >> word >> counters.written >> word >> counters.read;
    return counters;
}

class LyingVolume {
  public:
    LyingVolume(const std::string& lie, const std::string& fileSystem) {
        const std::string makeFileSystem =
            fileSystem == "vfat" ? "mkfs.vfat -F 32" : "mkfs.ext4 -q -F -O ^has_journal";
        if (::geteuid() != 0)
            skipReason_ = "mounting FUSE, loop devices and file systems needs root";
        else if (::access("/dev/fuse", R_OK | W_OK) != 0)
            skipReason_ = "no /dev/fuse on this machine";
        else if (shellFirstLine("losetup -f").empty())
            skipReason_ = "no free loop device (losetup -f)";
        else if (!shellSucceeds("grep -qw " + fileSystem + " /proc/filesystems"))
            skipReason_ = "this kernel has no " + fileSystem + " file system";
        else if (!shellSucceeds("command -v " + makeFileSystem.substr(0, makeFileSystem.find(' '))))
            skipReason_ =
                makeFileSystem + " is not installed (scripts/install-deps.sh installs it)";
        if (!skipReason_.empty())
            return;
        fs::create_directory(lieFolder_);
        fs::create_directory(volume_);
        lieMounted_ =
            shellSucceeds(std::string(ORVANE_LYING_DISK) + " " + lie + " --backing " +
                          quoted(folder_.path() / "backing.img") + " " + quoted(lieFolder_));
        if (!lieMounted_) {
            skipReason_ = "the FUSE program could not mount its image";
            return;
        }
        loopDevice_ =
            shellFirstLine("losetup -f --show --direct-io=on " + quoted(lieFolder_ / "disk"));
        if (loopDevice_.empty()) {
            skipReason_ = "losetup could not attach the FUSE image";
            return;
        }
        const std::string name = fs::path(loopDevice_).filename().string();
        if (shellFirstLine("cat /sys/block/" + name + "/loop/dio") != "1") {
            skipReason_ = "the kernel will not do direct I/O from a loop device to a FUSE file";
            return;
        }
        volumeMounted_ = shellSucceeds(makeFileSystem + " " + loopDevice_) &&
                         shellSucceeds("mount " + loopDevice_ + " " + quoted(volume_));
        if (!volumeMounted_)
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

    const std::string& skipReason() const { return skipReason_; }
    const fs::path& volume() const { return volume_; }
    const fs::path& reportFolder() const { return folder_.path(); }
    Counters loop() const { return loopCounters(loopDevice_); }
    Counters lie() const { return lieCounters(lieFolder_ / "stats"); }

  private:
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
    const char* lie;
    const char* fileSystem;
    double wrapMiB;   // 0: the volume keeps everything
    double cliffMiB;  // 0: the volume never slows; else its cache, in MiB written
};

void PrintTo(const LyingCase& lying, std::ostream* out) {
    *out << lying.name;
}

class LyingVolumeCheck : public ::testing::TestWithParam<LyingCase> {};

TEST_P(LyingVolumeCheck, TheProgramSeesTheLie) {
    const LyingCase& lying = GetParam();
    LyingVolume volume(lying.lie, lying.fileSystem);
    if (!volume.skipReason().empty())
        GTEST_SKIP() << volume.skipReason();

    // Set ORVANE_FAKE_REPORTS to keep the reports (JSON, CSV, SVG) for a look.
    const char* keep = std::getenv("ORVANE_FAKE_REPORTS");
    const fs::path report =
        (keep ? fs::path(keep) : volume.reportFolder()) / (std::string(lying.name) + ".json");
    for (const char* extension : {".json", ".csv", ".svg"})
        fs::remove(fs::path(report).replace_extension(extension));
    const Counters loopBefore = volume.loop();
    const Counters lieBefore = volume.lie();
    const std::string command = std::string(ORVANE_CLI_PROGRAM) + " --full-check " +
                                quoted(volume.volume()) + " --report " + quoted(report) +
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

    if (lying.wrapMiB > 0) {
        EXPECT_EQ(WEXITSTATUS(status), 2);
        EXPECT_GT(result["wrappedBytes"].get<double>(), 0);
        // What holds data is the real capacity, less what the file system keeps for itself.
        const double usable = result["usableBytes"].get<double>() / kMiB;
        EXPECT_GT(usable, lying.wrapMiB * 0.75);
        EXPECT_LE(usable, lying.wrapMiB);
    } else {
        EXPECT_EQ(WEXITSTATUS(status), 0);
        EXPECT_EQ(result["intactBytes"].get<double>(), filled);
    }
    if (lying.cliffMiB > 0) {
        ASSERT_TRUE(result["cacheBytes"].is_number());
        // The cache also took what mkfs and mount wrote; the curve sees it to a 64 MiB slice.
        EXPECT_NEAR(result["cacheBytes"].get<double>(), lying.cliffMiB * kMiB - lieBefore.written,
                    64 * kMiB + 1);
        EXPECT_LT(result["rateAfterCliffMiBps"].get<double>(),
                  result["rateBeforeCliffMiBps"].get<double>() / 2);
    } else {
        EXPECT_TRUE(result["cacheBytes"].is_null());
    }

    // Every byte of the fill went through the loop device to the lie and came back: no cache.
    const Counters loopAfter = volume.loop();
    const Counters lieAfter = volume.lie();
    std::printf(
        "fill %.0f MiB; loop device wrote %.0f and read %.0f MiB; the lie took %.0f and "
        "gave %.0f MiB\n",
        filled / kMiB, (loopAfter.written - loopBefore.written) / kMiB,
        (loopAfter.read - loopBefore.read) / kMiB, (lieAfter.written - lieBefore.written) / kMiB,
        (lieAfter.read - lieBefore.read) / kMiB);
    EXPECT_GE(loopAfter.written - loopBefore.written, filled);
    EXPECT_GE(loopAfter.read - loopBefore.read, filled);
    EXPECT_GE(lieAfter.written - lieBefore.written, filled);
    EXPECT_GE(lieAfter.read - lieBefore.read, filled);
}

// No cliff on vfat: FAT extends a file by writing zeros through the cache before the timed writes,
// and a cache that fills by what was written would be spent before the curve starts.
const LyingCase kLyingCases[] = {
    {"WrapsOnExt4", "--size-mib 1024 --wrap-after-mib 320", "ext4", 320, 0},
    {"WrapsOnVfat", "--size-mib 1024 --wrap-after-mib 320", "vfat", 320, 0},
    {"SlowsOnExt4", "--size-mib 1024 --slow-after-mib 576 --slow-mibps 8", "ext4", 0, 576},
};

INSTANTIATE_TEST_SUITE_P(Fakes, LyingVolumeCheck, ::testing::ValuesIn(kLyingCases),
                         [](const ::testing::TestParamInfo<LyingCase>& param) {
                             return std::string(param.param.name);
                         });

}  // namespace
}  // namespace orvane
