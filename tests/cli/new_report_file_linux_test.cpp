#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include "cli/run_command_line.h"
#include "tests/support/temp_folder.h"

namespace orvane {
namespace {

TEST(NewReportFile, AReportThatCouldNotBeWrittenIsRemoved) {
    // A file size limit fails the write part-way, as a full volume does.
    testing::TempFolder folder;
    const auto path = folder.path() / "report.json";
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    EXPECT_THROW(writeNewReportFile(path, std::string(1000, 'r')), std::runtime_error);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(std::filesystem::exists(path));

    writeNewReportFile(path, "done");
    EXPECT_EQ(testing::readWholeFile(path), "done");
    EXPECT_THROW(writeNewReportFile(path, "again"), std::runtime_error);
    EXPECT_EQ(testing::readWholeFile(path), "done");  // a refusal never removes the existing one
}

}  // namespace
}  // namespace orvane
