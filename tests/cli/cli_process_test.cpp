// The shipped program started as a process: natively on Linux, the exe under Wine.
#include <gtest/gtest.h>

#include "orvane_version.h"
#ifndef _WIN32
#include <signal.h>

#include <chrono>
#include <thread>

#include "engine/run_leftovers.h"
#include "tests/support/fuse_volume_linux.h"
#endif

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
    EXPECT_EQ(out.rfind("Usage: orvane-varnolt", 0), 0u) << out;
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
        // Beside other options they are unknown options: no report, one line saying why.
        {{"--help", "x"}, 3, "orvane-varnolt: ", false},
        {{"--version", "--benchmark"}, 3, "orvane-varnolt: ", false},
    };
    for (const Row& row : rows) {
        std::string out;
        EXPECT_EQ(runProgram(row.arguments, out), row.code) << row.arguments[0];
        EXPECT_EQ(row.wholeOutput ? out : out.substr(0, row.output.size()), row.output)
            << row.arguments[0];
    }
}

namespace fs = std::filesystem;

std::vector<std::string> gibibyteRun(const fs::path& folder, const fs::path& report) {
    return {"--benchmark", folder.string(), "--report", report.string(), "--size-mib",
            "1024",        "--seconds",     "1",        "--files",       "4"};
}

// The scratch folder once the run's test file exists in it.
fs::path waitForTestFile(const fs::path& folder) {
    for (int attempt = 0; attempt < 1000; ++attempt) {
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (isScratchFolderName(entry.path().filename().string()) &&
                fs::exists(entry.path() / "workload.bin")) {
                return entry.path();
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return {};
}

TEST(CliProcess, LinuxTalksOnlyWhenSomethingIsWrong) {
    testing::TempFolder folder(fs::current_path());
    const fs::path report = folder.path() / "r.json";
    testing::writeWholeFile(report, "mine");
    std::string printed;
    EXPECT_EQ(
        runProgram({"--benchmark", folder.path().string(), "--report", report.string()}, printed),
        3);
    EXPECT_EQ(printed, "orvane-varnolt: the report file already exists: " + report.string() + "\n");
    EXPECT_EQ(
        runProgram({"--benchmark", folder.path().string(), "--report", "x.json", "--size-mib", "8"},
                   printed),
        3);
    EXPECT_EQ(printed, "orvane-varnolt: --size-mib must be a whole number from 16 to 3072\n");
    // Not a terminal: no progress line, nothing at all on success.
    EXPECT_EQ(runProgram({"--benchmark", folder.path().string(), "--report",
                          (folder.path() / "done.json").string(), "--size-mib", "16", "--seconds",
                          "0.1", "--files", "4"},
                         printed),
              0);
    EXPECT_EQ(printed, "");
}

TEST(CliProcess, InterruptedRunRemovesItsFilesAndReportsCancelled) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        testing::TempFolder folder(fs::current_path());
        const fs::path report = folder.path() / "report.json";
        const int pid =
            startProgram(gibibyteRun(folder.path(), report), (folder.path() / "out").string());
        ASSERT_FALSE(waitForTestFile(folder.path()).empty());
        ::kill(pid, signal);
        ::kill(pid, signal);  // a second one while cleaning up never abandons the cleanup
        EXPECT_EQ(waitProgram(pid), 2) << signal;
        const std::string text = testing::readWholeFile(report);
        EXPECT_NE(text.find("\"status\": \"Cancelled\""), std::string::npos) << signal;
        EXPECT_NE(text.find("\"cleaned\": true"), std::string::npos) << signal;
        const std::string printed = testing::readWholeFile(folder.path() / "out");
        EXPECT_NE(printed.find("run Cancelled"), std::string::npos) << printed;
        fs::remove(folder.path() / "out");
        EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), {}), 1) << signal;
    }
}

TEST(CliProcess, KilledRunIsListedAndRemovedWithoutTouchingADecoy) {
    testing::TempFolder folder(fs::current_path());
    const int pid =
        startProgram(gibibyteRun(folder.path(), folder.path() / "killed.json"), "/dev/null");
    const fs::path leftover = waitForTestFile(folder.path());
    ASSERT_FALSE(leftover.empty());
    ::kill(pid, SIGKILL);
    EXPECT_EQ(waitProgram(pid), 128 + SIGKILL);
    ASSERT_TRUE(fs::exists(leftover / "workload.bin"));
    const fs::path decoy = folder.path() / ".orvane-varnolt-0123456789abcdef0123456789abcdef";
    fs::create_directory(decoy);
    testing::writeWholeFile(decoy / "workload.bin", "looks like ours");
    testing::writeWholeFile(decoy / "thesis.tex", "mine");

    std::string printed;
    EXPECT_EQ(runProgram({"--benchmark", folder.path().string(), "--report",
                          (folder.path() / "r.json").string(), "--size-mib", "16", "--seconds",
                          "0.1", "--files", "4"},
                         printed),
              0);
    EXPECT_NE(printed.find("an earlier run that was stopped left " + leftover.string()),
              std::string::npos)
        << printed;
    EXPECT_NE(printed.find("not removable: " + decoy.string()), std::string::npos) << printed;

    EXPECT_EQ(runProgram({"--remove-leftovers", folder.path().string()}, printed), 3);
    EXPECT_NE(printed.find("removed " + leftover.string()), std::string::npos) << printed;
    EXPECT_NE(printed.find("not removed: " + decoy.string()), std::string::npos) << printed;
    EXPECT_FALSE(fs::exists(leftover));
    EXPECT_EQ(testing::readWholeFile(decoy / "thesis.tex"), "mine");
    EXPECT_EQ(testing::readWholeFile(decoy / "workload.bin"), "looks like ours");

    fs::remove_all(decoy);
    EXPECT_EQ(runProgram({"--remove-leftovers", folder.path().string()}, printed), 3);
    EXPECT_NE(printed.find("no leftovers"), std::string::npos) << printed;
}

TEST(CliProcess, FuseVolumeIsRefusedBeforeAnythingIsWritten) {
    testing::FuseVolume volume;
    if (!volume.skipReason().empty())
        GTEST_SKIP() << volume.skipReason();
    testing::TempFolder reports(fs::current_path());
    const fs::path report = reports.path() / "r.json";
    std::string printed;
    EXPECT_EQ(runProgram({"--benchmark", volume.mountPoint().string(), "--report", report.string(),
                          "--size-mib", "16", "--seconds", "0.1", "--files", "4"},
                         printed),
              2);
    EXPECT_NE(printed.find("run Failed"), std::string::npos) << printed;
    EXPECT_NE(testing::readWholeFile(report).find("would cache the test file"), std::string::npos);
    EXPECT_EQ(std::distance(fs::directory_iterator(volume.mountPoint()), {}), 0);
}
#endif

}  // namespace
}  // namespace orvane

#endif
