// The shipped program started as a process: natively on Linux, the exe under Wine.
#include <gtest/gtest.h>

#include "orvane_version.h"
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
    std::string out;
    EXPECT_EQ(runProgram({}, out), 3);
    EXPECT_EQ(out, "");  // the usage goes to standard error
    EXPECT_EQ(runProgram({"--preview-format-dialog"}), 3);
}

TEST(CliProcess, HelpAndVersionAnswerOnStandardOutputAndExitZero) {
    struct Row {
        std::vector<std::string> arguments;
        int code;
        std::string output;
        bool wholeOutput;  // otherwise its start
    };
    const Row rows[] = {
        {{"--help"}, 0, "Usage: orvane-varnolt --benchmark FOLDER --report FILE", false},
        {{"--version"}, 0, "orvane-varnolt " ORVANE_VERSION_TEXT "\n", true},
        // Beside other options they are unknown options: no report, nothing printed.
        {{"--help", "x"}, 3, "", true},
        {{"--version", "--benchmark"}, 3, "", true},
    };
    for (const Row& row : rows) {
        std::string out;
        EXPECT_EQ(runProgram(row.arguments, out), row.code) << row.arguments[0];
        EXPECT_EQ(row.wholeOutput ? out : out.substr(0, row.output.size()), row.output)
            << row.arguments[0];
    }
}
#endif

}  // namespace
}  // namespace orvane

#endif
