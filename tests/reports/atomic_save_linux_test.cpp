#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>

#include <csignal>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/unique_fd_linux.h"
#include "reports/atomic_save.h"
#include "tests/reports/atomic_save_checks.h"
#include "tests/support/temp_folder.h"

namespace orvane {
namespace {

using ::testing::ElementsAre;

// Sets or clears the immutable flag: nobody, root included, may then create, rename over or
// remove entries. False when the filesystem or the caller cannot.
bool setImmutable(const std::filesystem::path& path, bool on) {
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    int flags = 0;
    if (!fd || ::ioctl(fd.get(), FS_IOC_GETFLAGS, &flags) != 0)
        return false;
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    return ::ioctl(fd.get(), FS_IOC_SETFLAGS, &flags) == 0;
}

// Clears the flag again even when a check fails, so the folder can be removed.
class Immutable {
  public:
    explicit Immutable(std::filesystem::path path) : path_(std::move(path)) {
        set_ = setImmutable(path_, true);
    }
    ~Immutable() {
        if (set_)
            setImmutable(path_, false);
    }
    bool set() const { return set_; }

  private:
    std::filesystem::path path_;
    bool set_ = false;
};

TEST(AtomicSaveLinux, FolderWithoutWritePermissionKeepsNothing) {
    testing::TempFolder folder;
    const auto target = folder.path() / "report.json";
    testing::writeWholeFile(target, "old");
    std::filesystem::permissions(
        folder.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    if (::access(folder.path().c_str(), W_OK) != 0) {
        testing::expectSaveFailure(target, "new", kCannotCreateTemporaryReport);
    } else {
        // Root ignores permissions; an immutable folder refuses even root.
        const Immutable locked(folder.path());
        if (!locked.set())
            GTEST_SKIP() << "running as root on a filesystem without FS_IMMUTABLE_FL";
        testing::expectSaveFailure(target, "new", kCannotCreateTemporaryReport);
    }
    std::filesystem::permissions(folder.path(), std::filesystem::perms::owner_all);
    EXPECT_EQ(testing::readWholeFile(target), "old");
    EXPECT_THAT(testing::folderEntries(folder.path()), ElementsAre("report.json"));
}

TEST(AtomicSaveLinux, FailedReplaceKeepsTheOldFileAndRemovesTheTemporary) {
    testing::TempFolder folder;
    const auto target = folder.path() / "report.json";
    testing::writeWholeFile(target, "previous archive");
    {
        const Immutable locked(target);
        if (!locked.set())
            GTEST_SKIP() << "cannot set FS_IMMUTABLE_FL here (needs root and ext4/XFS/btrfs)";
        testing::expectSaveFailure(target, "new text", kCannotSaveReport);
    }
    EXPECT_EQ(testing::readWholeFile(target), "previous archive");
    EXPECT_THAT(testing::folderEntries(folder.path()), ElementsAre("report.json"));
}

TEST(AtomicSaveLinux, FailedWriteKeepsTheOldFileAndRemovesTheTemporary) {
    testing::TempFolder folder;
    const auto target = folder.path() / "report.json";
    testing::writeWholeFile(target, "previous archive");
    // A file size limit makes the write stop part-way with EFBIG.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    testing::expectSaveFailure(target, std::string(5000, 'n'), kCannotSaveReport);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(testing::readWholeFile(target), "previous archive");
    EXPECT_THAT(testing::folderEntries(folder.path()), ElementsAre("report.json"));
}

}  // namespace
}  // namespace orvane
