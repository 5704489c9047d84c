#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <sstream>

#include "cli/run_command_line.h"
#include "platform/text_encoding.h"
#include "reports/report_import.h"
#include "tests/support/memory_disk.h"
#include "tests/support/temp_folder.h"

namespace orvane {
namespace {

class CommandLineBenchmark : public ::testing::Test {
  protected:
    int run(std::vector<std::string> options) {
        std::vector<NativeString> arguments{fromUtf8("orvane-varnolt")};
        for (const auto& option : options)
            arguments.push_back(fromUtf8(option));
        return runCommandLineBenchmark(arguments, disk_.factory());
    }
    std::string target() const { return toUtf8(folder_.path().native()); }
    std::string report() const { return toUtf8((folder_.path() / "report.json").native()); }
    std::vector<std::string> quick(std::vector<std::string> extra = {}) const {
        std::vector<std::string> options{"--benchmark", target(), "--report",  report(),
                                         "--size-mib",  "16",     "--seconds", "0.1",
                                         "--files",     "4"};
        options.insert(options.end(), extra.begin(), extra.end());
        return options;
    }
    std::size_t entries() const {
        return static_cast<std::size_t>(
            std::distance(std::filesystem::directory_iterator(folder_.path()), {}));
    }

    testing::TempFolder folder_;
    testing::MemoryDisk disk_;
};

TEST_F(CommandLineBenchmark, CompletedRunWritesAReportThatImportsAgain) {
    EXPECT_EQ(run(quick({"--model-gb", "12.5"})), kExitCompleted);
    const SavedReport saved =
        importReport(testing::readWholeFile(folder_.path() / "report.json"), "");
    EXPECT_EQ(saved.document->at("status"), "Completed");
    EXPECT_EQ(saved.document->at("profile"), "CLI");
    EXPECT_EQ(saved.document->at("testBytes"), 16u * 1048576u);
    EXPECT_EQ(saved.document->at("modelGB"), 12.5);
    EXPECT_EQ(entries(), 1u);  // the report, and nothing of the run
}

TEST_F(CommandLineBenchmark, RunThatFailsInTheEngineStillWritesItsReport) {
    EXPECT_EQ(run(quick({"--files", "0"})), kExitReportedNotCompleted);
    const SavedReport saved =
        importReport(testing::readWholeFile(folder_.path() / "report.json"), "");
    EXPECT_EQ(saved.document->at("status"), "Failed");
    EXPECT_EQ(saved.document->at("error"), "Invalid duration or small-file count.");
}

TEST_F(CommandLineBenchmark, UsageErrorsWriteNothing) {
    EXPECT_EQ(run({"--benchmark", target()}), kExitFailed);
    EXPECT_EQ(run({"--report", report()}), kExitFailed);
    EXPECT_EQ(run({"--benchmark", target(), "--Report", report()}), kExitFailed);
    EXPECT_EQ(run({"--preview-format-dialog", "x"}), kExitFailed);
    EXPECT_EQ(run(quick({"--size-mib", "15"})), kExitFailed);
    EXPECT_EQ(run({"--benchmark", target() + "/missing", "--report", report()}), kExitFailed);
    EXPECT_EQ(entries(), 0u);
    EXPECT_EQ(disk_.openAttempts(), 0);
}

TEST_F(CommandLineBenchmark, AnExistingReportIsNeverTouched) {
    testing::writeWholeFile(folder_.path() / "report.json", "keep me");
    EXPECT_EQ(run(quick()), kExitFailed);
    EXPECT_EQ(testing::readWholeFile(folder_.path() / "report.json"), "keep me");
    EXPECT_EQ(disk_.openAttempts(), 0);  // refused before the run
}

TEST_F(CommandLineBenchmark, AReportPathThatCannotWorkIsRefusedBeforeTheRun) {
    const auto file = folder_.path() / "file";
    testing::writeWholeFile(file, "x");
    std::vector<std::filesystem::path> refused{folder_.path() / "missing" / "r.json",
                                               file / "r.json"};
#ifndef _WIN32
    std::filesystem::create_symlink(folder_.path() / "nowhere", folder_.path() / "dangling.json");
    refused.push_back(folder_.path() / "dangling.json");
#endif
    for (const auto& report : refused) {
        std::ostringstream said;
        CommandLineTerminal terminal;
        terminal.messages = &said;
        std::vector<NativeString> arguments{fromUtf8("orvane-varnolt")};
        for (const auto& option : quick())
            arguments.push_back(fromUtf8(option));
        arguments[4] = report.native();
        EXPECT_EQ(runCommandLineBenchmark(arguments, disk_.factory(), terminal), kExitFailed)
            << report;
        const std::string text = said.str();
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
    }
    EXPECT_EQ(disk_.openAttempts(), 0);  // refused before the run wrote anything
    EXPECT_FALSE(std::filesystem::exists(folder_.path() / "missing"));
}

TEST_F(CommandLineBenchmark, ACancelledRunSaysSoAndStillWritesItsReport) {
    std::atomic<bool> cancel{true};
    std::ostringstream said;
    CommandLineTerminal terminal;
    terminal.messages = &said;
    terminal.cancelRequested = &cancel;
    std::vector<NativeString> arguments{fromUtf8("orvane-varnolt")};
    for (const auto& option : quick())
        arguments.push_back(fromUtf8(option));
    EXPECT_EQ(runCommandLineBenchmark(arguments, disk_.factory(), terminal),
              kExitReportedNotCompleted);
    EXPECT_EQ(said.str(), "orvane-varnolt: run Cancelled (report written to " + report() + ")\n");
    const SavedReport saved =
        importReport(testing::readWholeFile(folder_.path() / "report.json"), "");
    EXPECT_EQ(saved.document->at("status"), "Cancelled");
}

TEST_F(CommandLineBenchmark, AReportAppearingDuringTheRunIsNeverOverwritten) {
    // The check before the run passes; the file appears while the run works.
    std::atomic<bool> unused{false};
    testing::MemoryDisk racing(&unused);
    const auto planted = folder_.path() / "report.json";
    DiskFileFactory factory = [&](const std::filesystem::path& path, bool create) {
        if (!std::filesystem::exists(planted))
            testing::writeWholeFile(planted, "raced");
        return racing.factory()(path, create);
    };
    std::vector<NativeString> arguments{fromUtf8("orvane-varnolt")};
    for (const auto& option : quick())
        arguments.push_back(fromUtf8(option));
    EXPECT_EQ(runCommandLineBenchmark(arguments, factory), kExitFailed);
    EXPECT_EQ(testing::readWholeFile(planted), "raced");
}

}  // namespace
}  // namespace orvane
