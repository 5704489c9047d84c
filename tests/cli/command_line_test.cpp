// The terminal program's options, the benchmark and the full check from their command lines to
// their report files and exit codes, and the progress line.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <sstream>

#include "cli/command_line_options.h"
#include "cli/full_check_command.h"
#include "cli/leftovers_command.h"
#include "cli/progress_line.h"
#include "cli/run_command_line.h"
#include "platform/text_encoding.h"
#include "reports/report_import.h"
#include "tests/support/folder_snapshot.h"
#include "tests/support/memory_disk.h"
#include "tests/support/message_of.h"
#include "tests/support/temp_folder.h"
#ifndef _WIN32
#include "tests/support/file_size_limit_linux.h"
#endif

namespace orvane {
namespace {

namespace fs = std::filesystem;
constexpr std::uint64_t kM = 1048576;

std::vector<NativeString> argv(const std::vector<std::string>& texts) {
    std::vector<NativeString> arguments{fromUtf8("orvane-varnolt")};
    for (const auto& text : texts)
        arguments.push_back(fromUtf8(text));
    return arguments;
}

// The words of a command line without quoting.
std::vector<NativeString> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> texts;
    for (std::string word; in >> word;)
        texts.push_back(word);
    return argv(texts);
}

// Both ends of --size-mib are taken, the last repeat wins; each refusal says why.
TEST(CommandLineOptions, ValuesAreTakenWholeOrRefused) {
    const CommandLineRequest all = parseCommandLineOptions(
        argv({"--benchmark", "E:\\models", "--report", "r.json", "--size-mib", "3072", "--size-mib",
              " 16", "--seconds", "0", "--files", "0", "--model-gb", "70.5", "--quiet"}));
    EXPECT_EQ(toUtf8(all.options.folder.native() + all.reportPath.native()), "E:\\modelsr.json");
    EXPECT_EQ(all.options.profile, "CLI");
    EXPECT_EQ(all.options.testBytes, 16 * kM);
    EXPECT_EQ(all.options.randomSecondsPerPhase + all.options.smallFiles, 0.0);  // run checks them
    EXPECT_EQ(all.options.modelGB, 70.5);
    EXPECT_TRUE(all.quiet && !all.fullCheck);
    const CommandLineRequest check = parseCommandLineOptions(
        words("--model-gb 40 --full-check F --report r --limit-gib 1048576 --model-file m.gguf"));
    ASSERT_TRUE(check.fullCheck.has_value());
    EXPECT_EQ(toUtf8(check.fullCheck->folder.native() + check.fullCheck->modelFile.native()),
              "Fm.gguf");
    EXPECT_EQ(check.fullCheck->limitBytes, 1048576 * kGiB);
    EXPECT_EQ(check.fullCheck->modelGB, 40.0);
    constexpr const char* kSize = "--size-mib must be a whole number from 16 to 3072";
    constexpr const char* kBoth = "--benchmark FOLDER and --report FILE are both required";
    constexpr const char* kLimit = "--limit-gib must be a whole number of GiB from 1 to 1048576";
    constexpr const char* kCheckOnly = "--limit-gib and --model-file belong to --full-check";
    const std::string valid = "--benchmark d --report r ";
    // clang-format off
    const std::pair<std::string, std::string> rows[] = {
        {valid + "--size-mib 15", kSize}, {valid + "--size-mib 3073", kSize}, {valid + "--size-mib 16.5", kSize},
        {valid + "--seconds 3s", "--seconds must be a number of seconds"},
        {valid + "--files 99999999999", "--files must be a whole number"},
        {valid + "--model-gb 6.6GB", "--model-gb must be a number of gigabytes"},
        {"--preview-format-dialog x", "unknown option: --preview-format-dialog"},
        {"--benchmark d --Report r", "unknown option: --Report"}, {"--benchmark d --report", "--report needs a value"},
        {"--benchmark d", kBoth}, {"--report r", kBoth},
        {"--full-check F --report r --size-mib 16", "--full-check takes no benchmark options"},
        {valid + "--limit-gib 2", kCheckOnly}, {valid + "--model-file m", kCheckOnly},
        {"--full-check F", "--full-check FOLDER and --report FILE are both required"},
        {"--full-check F --report r --limit-gib 0", kLimit}, {"--full-check F --report r --limit-gib 1048577", kLimit},
    };
    // clang-format on
    for (const auto& [line, message] : rows)
        EXPECT_EQ(testing::messageOf([&] { parseCommandLineOptions(words(line)); }), message)
            << line;
}

TEST(TerminalText, ProgressLineAndLeftover) {
    // clang-format off
    const std::tuple<int, double, const char*> rows[] = {
        {0, 0.2, "[  0%] Writing  0:00 elapsed"}, {1, 1.0, "[  1%] Writing  0:01 elapsed, about 1:39 left"},
        {25, 10.0, "[ 25%] Writing  0:10 elapsed, about 0:30 left"}, {100, 75.0, "[100%] Writing  1:15 elapsed"},
        {50, 0.5, "[ 50%] Writing  0:01 elapsed"},  // no estimate within the first second
        {99, 3599.6, "[ 99%] Writing  1:00:00 elapsed, about 0:36 left"}, {140, 5.0, "[100%] Writing  0:05 elapsed"},
    };
    // clang-format on
    for (const auto& [percent, elapsed, expected] : rows)
        EXPECT_EQ(progressLineText(percent, "Writing", elapsed), expected);
    // A leftover's folder, size and age in the largest whole unit.
    Leftover leftover;
    leftover.folder = fs::path("scratch");
    leftover.bytes = 3 * kM / 2;
    const auto now = fs::file_time_type::clock::now();
    // clang-format off
    const std::pair<int, const char*> ages[] = {{-5, "0 s"}, {119, "119 s"}, {120, "2 min"},
        {7199, "119 min"}, {7200, "2 h"}, {172799, "47 h"}, {172800, "2 days"}};
    // clang-format on
    for (const auto& [seconds, age] : ages) {
        leftover.modified = now - std::chrono::seconds(seconds);
        EXPECT_EQ(leftoverText(leftover, now), "scratch (1.5 MiB, " + std::string(age) + " old)");
    }
}

class CommandLineRun : public ::testing::Test {
  protected:
    int run(std::vector<std::string> extra, const CommandLineTerminal& terminal = {},
            const DiskFileFactory& factory = {}) {
        std::vector<std::string> options{"--benchmark", target(), "--report",  report(),
                                         "--size-mib",  "16",     "--seconds", "0.1",
                                         "--files",     "4"};
        options.insert(options.end(), extra.begin(), extra.end());
        return runCommandLineBenchmark(argv(options), factory ? factory : disk_.factory(),
                                       terminal);
    }
    std::string target() const { return toUtf8(folder_.path().native()); }
    std::string report() const { return toUtf8((folder_.path() / "report.json").native()); }
    // The saved report, removed for the next run.
    nlohmann::json taken() const {
        const auto text = testing::readWholeFile(report());
        fs::remove(report());
        return *importReport(text, "").document;
    }

    testing::TempFolder folder_;
    testing::MemoryDisk disk_;
};

TEST_F(CommandLineRun, EveryEndingWritesAReportThatImportsAgain) {
    EXPECT_EQ(run({"--model-gb", "12.5"}), kExitCompleted);
    EXPECT_EQ(taken().at("modelGB"), 12.5);
    EXPECT_EQ(run({"--files", "0"}), kExitReportedNotCompleted);
    EXPECT_EQ(taken().at("error"), "Invalid duration or small-file count.");
    std::atomic<bool> cancel{true};
    std::ostringstream said;
    CommandLineTerminal terminal;
    terminal.messages = &said;
    terminal.cancelRequested = &cancel;
    EXPECT_EQ(run({}, terminal), kExitReportedNotCompleted);
    EXPECT_EQ(said.str(), "orvane-varnolt: run Cancelled (report written to " + report() + ")\n");
    EXPECT_EQ(taken().at("status"), "Cancelled");
}

// Report paths that cannot work and folders that are not there: one line saying why, nothing
// written, no run; a report that appears while the run works is never overwritten either.
TEST_F(CommandLineRun, RefusalsBeforeTheRunWriteNothingAndSayWhyOnce) {
    testing::writeWholeFile(folder_.path() / "file", "x");
    std::vector<std::vector<std::string>> rows = {
        {"--benchmark", target() + "/missing"},
        {"--report", toUtf8((folder_.path() / "missing" / "r.json").native())},
        {"--report", toUtf8((folder_.path() / "file" / "r.json").native())}};
#ifndef _WIN32
    fs::create_symlink(folder_.path() / "nowhere", folder_.path() / "dangling.json");
    rows.push_back({"--report", toUtf8((folder_.path() / "dangling.json").native())});
#endif
    const auto entries = [&] { return std::distance(fs::directory_iterator(folder_.path()), {}); };
    const auto before = entries();
    for (const auto& row : rows) {
        std::ostringstream said;
        CommandLineTerminal terminal;
        terminal.messages = &said;
        EXPECT_EQ(run(row, terminal), kExitFailed) << row[1];
        const std::string text = said.str();
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
    }
    EXPECT_EQ(entries(), before);
    EXPECT_EQ(disk_.openAttempts(), 0);
    testing::MemoryDisk racing;
    const DiskFileFactory factory = [&](const fs::path& path, bool create) {
        if (!fs::exists(report()))
            testing::writeWholeFile(report(), "raced");
        return racing.factory()(path, create);
    };
    EXPECT_EQ(run({}, {}, factory), kExitFailed);
    EXPECT_EQ(testing::readWholeFile(report()), "raced");
}

// The full check's command: its exit codes and three files, none of which it ever overwrites.
TEST_F(CommandLineRun, FullCheckExitsZeroWhenIntactAndTwoWhenDataIsLost) {
    const auto beside = [&](const char* extension) {
        return folder_.path() / (std::string("check") + extension);
    };
    const auto check = [&](testing::MemoryDisk& disk) {
        CommandLineRequest request;
        request.fullCheck = FullCheckOptions{};
        request.fullCheck->folder = folder_.path();
        request.fullCheck->limitBytes = 16 * kM;
        request.fullCheck->curve = CurveRules{kM, 4 * kM, 4 * kM};
        request.reportPath = beside(".json");
        std::atomic<bool> cancel{false};
        return runFullCheckCommand(request, cancel, {}, disk.factory());
    };
    const auto json = [&] {
        return nlohmann::json::parse(testing::readWholeFile(beside(".json")));
    };
    testing::MemoryDisk lossy;
    lossy.dropWriteAt([](const testing::RequestRecord& r) {
        return r.kind == testing::RequestKind::Write && r.offset >= 12 * kM;
    });
    ASSERT_EQ(check(lossy), 2);
    EXPECT_EQ(json().at("firstBadPosition"), 12 * kM);
    EXPECT_EQ(json().at("usableBytes"), 12 * kM);
    for (const char* extension : {".json", ".csv", ".svg"})
        fs::remove(beside(extension));
    testing::writeWholeFile(beside(".svg"), "mine");  // one of the three, each checked alike
    const auto before = testing::snapshotFolder(folder_.path());
    EXPECT_THROW(check(disk_), std::runtime_error);
    EXPECT_EQ(testing::snapshotFolder(folder_.path()), before);
    EXPECT_TRUE(disk_.requests().empty());
    fs::remove(beside(".svg"));
    ASSERT_EQ(check(disk_), 0);
    EXPECT_TRUE(json().at("firstBadPosition").is_null());
    EXPECT_NE(testing::readWholeFile(beside(".csv")).find("read,15728640,"), std::string::npos);
}

#ifndef _WIN32
TEST(NewReportFile, AReportThatCouldNotBeWrittenIsRemoved) {
    // A file size limit fails the write part-way, as a full volume does.
    testing::TempFolder folder;
    const auto path = folder.path() / "report.json";
    {
        const testing::FileSizeLimit limit(100);
        EXPECT_THROW(writeNewReportFile(path, std::string(1000, 'r')), std::runtime_error);
    }
    EXPECT_FALSE(fs::exists(path));
}
#endif

}  // namespace
}  // namespace orvane
