// The shipped program started as a process: natively on Linux, the exe under Wine.
#include <gtest/gtest.h>

#include "platform/text_encoding.h"
#include "tests/cli/program_process.h"
#include "tests/support/temp_folder.h"

#ifdef ORVANE_CLI_PROGRAM

namespace orvane {
namespace {

TEST(CliProcess, QuickRunExitsZeroWithACompleteReport) {
    testing::TempFolder folder(std::filesystem::current_path());
    const auto report = folder.path() / "report.json";
    EXPECT_EQ(runProgram({"--benchmark", toUtf8(folder.path().native()), "--report",
                          toUtf8(report.native()), "--size-mib", "16", "--seconds", "0.1",
                          "--files", "4"}),
              0);
    const std::string text = testing::readWholeFile(report);
    EXPECT_NE(text.find("\"status\": \"Completed\""), std::string::npos);
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

TEST(CliProcess, RunRefusedByTheEngineExitsTwoWithItsReport) {
    testing::TempFolder folder(std::filesystem::current_path());
    const auto report = folder.path() / "report.json";
    EXPECT_EQ(runProgram({"--benchmark", toUtf8(folder.path().native()), "--report",
                          toUtf8(report.native()), "--files", "0"}),
              2);
    const std::string text = testing::readWholeFile(report);
    EXPECT_NE(text.find("\"status\": \"Failed\""), std::string::npos);
    EXPECT_NE(text.find("Invalid duration or small-file count."), std::string::npos);
}

TEST(CliProcess, BadUsageExitsThreeAndWritesNothing) {
    testing::TempFolder folder(std::filesystem::current_path());
    const std::string target = toUtf8(folder.path().native());
    const std::string report = toUtf8((folder.path() / "r.json").native());
    EXPECT_EQ(runProgram({"--benchmark", target}), 3);
    EXPECT_EQ(runProgram({"--benchmark", target, "--Report", report}), 3);
    EXPECT_EQ(runProgram({"--preview-format-dialog", "x"}), 3);
    EXPECT_EQ(runProgram({"--benchmark", target + "/missing", "--report", report}), 3);
    testing::writeWholeFile(folder.path() / "r.json", "mine");
    EXPECT_EQ(runProgram({"--benchmark", target, "--report", report, "--size-mib", "16"}), 3);
    EXPECT_EQ(testing::readWholeFile(folder.path() / "r.json"), "mine");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

#ifndef _WIN32
TEST(CliProcess, WithoutOptionsLinuxPrintsUsageAndExitsThree) {
    EXPECT_EQ(runProgram({}), 3);
    EXPECT_EQ(runProgram({"--preview-format-dialog"}), 3);
}
#endif

}  // namespace
}  // namespace orvane

#endif
