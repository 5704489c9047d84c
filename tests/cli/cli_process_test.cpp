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

namespace fs = std::filesystem;

std::vector<std::string> quickRun(const fs::path& folder, const fs::path& report,
                                  const char* sizeMiB = "16") {
    return {"--benchmark", toUtf8(folder.native()),
            "--report",    toUtf8(report.native()),
            "--size-mib",  sizeMiB,
            "--seconds",   "0.1",
            "--files",     "4"};
}

std::size_t entries(const fs::path& folder) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), {}));
}

TEST(CliProcess, QuickRunExitsZeroWithACompleteReportAndBadUsageExitsThree) {
    testing::TempFolder folder(fs::current_path());
    const auto report = folder.path() / "report.json";
    EXPECT_EQ(runProgram(quickRun(folder.path(), report)), 0);
    const std::string text = testing::readWholeFile(report);
    EXPECT_NE(text.find("\"status\": \"Completed\""), std::string::npos);
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(entries(folder.path()), 1u);
    // An existing report is never touched.
    EXPECT_EQ(runProgram(quickRun(folder.path(), report)), 3);
    EXPECT_EQ(testing::readWholeFile(report), text);
    EXPECT_EQ(runProgram({"--preview-format-dialog", "x"}), 3);
    EXPECT_EQ(entries(folder.path()), 1u);
}

#ifndef _WIN32
// Linux talks only when something is wrong: one line on exit 3, nothing on success.
TEST(CliProcess, LinuxAnswersOnItsOutputWithTheRightExitCode) {
    testing::TempFolder folder(fs::current_path());
    const fs::path report = folder.path() / "r.json";
    testing::writeWholeFile(report, "mine");
    const std::string usage = "Usage: orvane-varnolt --benchmark FOLDER --report FILE";
    const struct {
        std::vector<std::string> arguments;
        int code;
        std::string output;
        bool wholeOutput;  // otherwise its start
    } rows[] = {
        {{}, 3, usage, false},
        {{"--help"}, 0, usage, false},
        {{"--version"}, 0, "orvane-varnolt " ORVANE_VERSION_TEXT "\n", true},
        // Beside other options they are unknown options: no report, one line saying why.
        {{"--help", "x"}, 3, "orvane-varnolt: ", false},
        {{"--version", "--benchmark"}, 3, "orvane-varnolt: ", false},
        {{"--preview-format-dialog"}, 3, usage, false},
        {quickRun(folder.path(), report), 3,
         "orvane-varnolt: the report file already exists: " + report.string() + "\n", true},
        {quickRun(folder.path(), "x.json", "8"), 3,
         "orvane-varnolt: --size-mib must be a whole number from 16 to 3072\n", true},
        // Not a terminal: no progress line.
        {quickRun(folder.path(), folder.path() / "done.json"), 0, "", true},
    };
    for (const auto& row : rows) {
        std::string out;
        EXPECT_EQ(runProgram(row.arguments, out), row.code) << out;
        EXPECT_EQ(row.wholeOutput ? out : out.substr(0, row.output.size()), row.output);
    }
}

std::vector<std::string> gibibyteRun(const fs::path& folder, const fs::path& report) {
    auto arguments = quickRun(folder, report, "1024");
    arguments[7] = "1";  // seconds
    return arguments;
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

TEST(CliProcess, InterruptedRunRemovesItsFilesAndReportsCancelled) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        testing::TempFolder folder(fs::current_path());
        const fs::path report = folder.path() / "report.json";
        const fs::path out = folder.path() / "out";
        const int pid = startProgram(gibibyteRun(folder.path(), report), out.string());
        ASSERT_FALSE(waitForTestFile(folder.path()).empty());
        ::kill(pid, signal);
        ::kill(pid, signal);  // a second one while cleaning up never abandons the cleanup
        EXPECT_EQ(waitProgram(pid), 2) << signal;
        const std::string text = testing::readWholeFile(report);
        EXPECT_NE(text.find("\"status\": \"Cancelled\""), std::string::npos) << signal;
        EXPECT_NE(text.find("\"cleaned\": true"), std::string::npos) << signal;
        EXPECT_NE(testing::readWholeFile(out).find("run Cancelled"), std::string::npos);
        EXPECT_EQ(entries(folder.path()), 2u) << signal;  // the report and the output
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
    const fs::path decoy = folder.path() / ".orvane-varnolt-0123456789abcdef0123456789abcdef";
    fs::create_directory(decoy);
    testing::writeWholeFile(decoy / "workload.bin", "looks like ours");
    testing::writeWholeFile(decoy / "thesis.tex", "mine");

    std::string printed;
    EXPECT_EQ(runProgram(quickRun(folder.path(), folder.path() / "r.json"), printed), 0);
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
    EXPECT_EQ(runProgram(quickRun(volume.mountPoint(), report), printed), 2);
    EXPECT_NE(printed.find("run Failed"), std::string::npos) << printed;
    EXPECT_NE(testing::readWholeFile(report).find("would cache the test file"), std::string::npos);
    EXPECT_EQ(entries(volume.mountPoint()), 0u);
}
#endif

}  // namespace
}  // namespace orvane

#endif
