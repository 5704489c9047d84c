#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>

#include <csignal>

#include <gtest/gtest.h>

#include "platform/unique_fd_linux.h"
#include "reports/atomic_save.h"
#include "tests/reports/atomic_save_checks.h"
#include "tests/support/temp_folder.h"

namespace orvane {
namespace {

using Names = std::vector<std::filesystem::path>;

// Sets the immutable flag (nobody, root included, may then create, rename over or remove
// entries) and clears it again on the way out, so the folder can be removed.
class Immutable {
  public:
    explicit Immutable(std::filesystem::path path) : path_(std::move(path)) { set_ = flag(true); }
    ~Immutable() {
        if (set_)
            flag(false);
    }
    bool set() const { return set_; }

  private:
    bool flag(bool on) const {
        const UniqueFd fd(::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
        int flags = 0;
        if (!fd || ::ioctl(fd.get(), FS_IOC_GETFLAGS, &flags) != 0)
            return false;
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        return ::ioctl(fd.get(), FS_IOC_SETFLAGS, &flags) == 0;
    }
    std::filesystem::path path_;
    bool set_ = false;
};

class AtomicSaveLinux : public ::testing::Test {
  protected:
    void SetUp() override { testing::writeWholeFile(target_, "previous archive"); }
    void TearDown() override {
        std::filesystem::permissions(folder_.path(), std::filesystem::perms::owner_all);
        EXPECT_EQ(testing::readWholeFile(target_), "previous archive");
        EXPECT_EQ(testing::folderEntries(folder_.path()), Names{"report.json"});
    }
    testing::TempFolder folder_;
    const std::filesystem::path target_ = folder_.path() / "report.json";
};

TEST_F(AtomicSaveLinux, FolderWithoutWritePermissionKeepsNothing) {
    std::filesystem::permissions(
        folder_.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    // Root ignores permissions; an immutable folder refuses even root.
    const Immutable locked(folder_.path());
    if (::access(folder_.path().c_str(), W_OK) == 0 && !locked.set())
        GTEST_SKIP() << "running as root on a filesystem without FS_IMMUTABLE_FL";
    testing::expectSaveFailure(target_, "new", kCannotCreateTemporaryReport);
}

TEST_F(AtomicSaveLinux, FailedReplaceKeepsTheOldFileAndRemovesTheTemporary) {
    const Immutable locked(target_);
    if (!locked.set())
        GTEST_SKIP() << "cannot set FS_IMMUTABLE_FL here (needs root and ext4/XFS/btrfs)";
    testing::expectSaveFailure(target_, "new text", kCannotSaveReport);
}

TEST_F(AtomicSaveLinux, FailedWriteKeepsTheOldFileAndRemovesTheTemporary) {
    // A file size limit makes the write stop part-way with EFBIG.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    testing::expectSaveFailure(target_, std::string(5000, 'n'), kCannotSaveReport);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
}

}  // namespace
}  // namespace orvane
