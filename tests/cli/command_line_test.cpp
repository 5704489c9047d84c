// The terminal program's options, the benchmark and the full check from their command lines to
// their report files and exit codes, and the progress line.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <sstream>
#include <stdexcept>

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

std::string messageOf(const std::vector<std::string>& texts) {
    return testing::messageOf([&] { parseCommandLineOptions(argv(texts)); });
}

TEST(CommandLineOptions, DefaultsEveryOptionAndTheLastRepeatWins) {
    const auto parse = [](std::vector<std::string> extra) {
        extra.insert(extra.begin(), {"--benchmark", "E:\\models", "--report", "r.json"});
        return parseCommandLineOptions(argv(extra));
    };
    const CommandLineRequest plain = parse({});
    EXPECT_EQ(toUtf8(plain.options.folder.native() + plain.reportPath.native()),
              "E:\\modelsr.json");
    EXPECT_EQ(plain.options.testBytes, 1024 * kM);
    EXPECT_EQ(plain.options.profile, "CLI");
    EXPECT_FALSE(plain.quiet || plain.fullCheck);
    // The run validates the other ranges, not the parser.
    const CommandLineRequest all = parse({"--size-mib", "3072", "--size-mib", " 16", "--seconds",
                                          "0", "--files", "0", "--model-gb", "70.5", "--quiet"});
    EXPECT_EQ(all.options.testBytes, 16 * kM);
    EXPECT_EQ(all.options.randomSecondsPerPhase, 0.0);
    EXPECT_EQ(all.options.smallFiles, 0);
    EXPECT_EQ(all.options.modelGB, 70.5);
    EXPECT_TRUE(all.quiet);
    EXPECT_EQ(parse({"--size-mib", "3072"}).options.testBytes, 3072 * kM);

    const CommandLineRequest check =
        parseCommandLineOptions(argv({"--model-gb", "40", "--full-check", "F", "--report", "r.json",
                                      "--limit-gib", "3", "--model-file", "m.gguf"}));
    ASSERT_TRUE(check.fullCheck.has_value());
    EXPECT_EQ(toUtf8(check.fullCheck->folder.native() + check.fullCheck->modelFile.native()),
              "Fm.gguf");
    EXPECT_EQ(check.fullCheck->limitBytes, 3 * kGiB);
    EXPECT_EQ(check.fullCheck->modelGB, 40.0);
}

struct RefusedCase {
    std::vector<std::string> arguments;
    const char* message;
};

void PrintTo(const RefusedCase& row, std::ostream* out) {
    for (const auto& argument : row.arguments)
        *out << argument << ' ';
}

class CommandLineRefusal : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(CommandLineRefusal, SaysWhy) {
    EXPECT_EQ(messageOf(GetParam().arguments), GetParam().message);
}

// An option and its value after a valid benchmark command line.
RefusedCase after(const char* option, const char* value, const char* message) {
    return {{"--benchmark", "d", "--report", "r", option, value}, message};
}

// The arguments' letters and digits, without a valid benchmark command line's start.
std::string rowName(const RefusedCase& row) {
    std::string name;
    const bool prefixed = row.arguments.size() == 6 && row.arguments[0] == "--benchmark";
    for (std::size_t i = prefixed ? 4 : 0; i < row.arguments.size(); ++i) {
        for (const char c : row.arguments[i])
            name += std::isalnum(static_cast<unsigned char>(c)) ? std::string(1, c) : "";
    }
    return name;
}

constexpr const char* kSize = "--size-mib must be a whole number from 16 to 3072";
constexpr const char* kSeconds = "--seconds must be a number of seconds";
constexpr const char* kFiles = "--files must be a whole number";
constexpr const char* kBoth = "--benchmark FOLDER and --report FILE are both required";
constexpr const char* kLimit = "--limit-gib must be a whole number of GiB from 1 to 1048576";
constexpr const char* kNoBenchmark = "--full-check takes no benchmark options";
constexpr const char* kCheckOnly = "--limit-gib and --model-file belong to --full-check";

INSTANTIATE_TEST_SUITE_P(
    Rows, CommandLineRefusal,
    ::testing::Values(
        after("--size-mib", "15", kSize), after("--size-mib", "3073", kSize),
        after("--size-mib", "16.5", kSize), after("--size-mib", "0x10", kSize),
        after("--size-mib", "-1", kSize), after("--size-mib", "64 ", kSize),
        after("--size-mib", "18446744073709551615", kSize),
        after("--size-mib", "99999999999999999999", kSize), after("--seconds", "3s", kSeconds),
        after("--seconds", "1e999", kSeconds), after("--files", "12 ", kFiles),
        after("--files", "", kFiles), after("--files", "99999999999", kFiles),
        after("--model-gb", "6.6GB", "--model-gb must be a number of gigabytes"),
        RefusedCase{{"--preview-format-dialog", "x"}, "unknown option: --preview-format-dialog"},
        RefusedCase{{"--benchmark", "d", "--report"}, "--report needs a value"},
        RefusedCase{{"--benchmark", "d", "--Report", "r"}, "unknown option: --Report"},
        RefusedCase{{"--benchmark", "d"}, kBoth}, RefusedCase{{"--report", "r"}, kBoth},
        RefusedCase{{"--benchmark", "", "--report", "r"}, kBoth},
        RefusedCase{{"--full-check", "F", "--report", "r", "--size-mib", "16"}, kNoBenchmark},
        RefusedCase{{"--full-check", "F", "--benchmark", "F", "--report", "r"}, kNoBenchmark},
        after("--limit-gib", "2", kCheckOnly), after("--model-file", "m", kCheckOnly),
        RefusedCase{{"--full-check", "F"},
                    "--full-check FOLDER and --report FILE are both required"},
        RefusedCase{{"--full-check", "F", "--report", "r", "--limit-gib", "0"}, kLimit},
        RefusedCase{{"--full-check", "F", "--report", "r", "--limit-gib", "1.5"}, kLimit}),
    [](const auto& param) { return rowName(param.param); });

TEST(ProgressLine, ShowsPhasePercentElapsedAndTimeLeft) {
    const struct {
        int percent;
        double elapsed;
        const char* expected;
    } rows[] = {
        {0, 0.2, "[  0%] Writing  0:00 elapsed"},
        {1, 1.0, "[  1%] Writing  0:01 elapsed, about 1:39 left"},
        {25, 10.0, "[ 25%] Writing  0:10 elapsed, about 0:30 left"},
        {50, 0.5, "[ 50%] Writing  0:01 elapsed"},  // no estimate within the first second
        {99, 3599.6, "[ 99%] Writing  1:00:00 elapsed, about 0:36 left"},
        {100, 75.0, "[100%] Writing  1:15 elapsed"},
        {140, 5.0, "[100%] Writing  0:05 elapsed"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(progressLineText(row.percent, "Writing", row.elapsed), row.expected);
}

TEST(LeftoverText, NamesTheFolderItsSizeAndItsAgeInTheLargestWholeUnit) {
    Leftover leftover;
    leftover.folder = fs::path("scratch");
    leftover.bytes = 3 * kM / 2;
    const auto now = fs::file_time_type::clock::now();
    const struct {
        int seconds;
        const char* age;
    } rows[] = {{-5, "0 s"},   {119, "119 s"},   {120, "2 min"},    {7199, "119 min"},
                {7200, "2 h"}, {172799, "47 h"}, {172800, "2 days"}};
    for (const auto& row : rows) {
        leftover.modified = now - std::chrono::seconds(row.seconds);
        EXPECT_EQ(leftoverText(leftover, now),
                  "scratch (1.5 MiB, " + std::string(row.age) + " old)");
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
    std::ptrdiff_t entries() const {
        return std::distance(fs::directory_iterator(folder_.path()), {});
    }
    nlohmann::json saved() const {
        return *importReport(testing::readWholeFile(folder_.path() / "report.json"), "").document;
    }

    testing::TempFolder folder_;
    testing::MemoryDisk disk_;
};

TEST_F(CommandLineRun, EveryEndingWritesAReportThatImportsAgain) {
    EXPECT_EQ(run({"--model-gb", "12.5"}), kExitCompleted);
    EXPECT_EQ(saved().at("modelGB"), 12.5);
    EXPECT_EQ(testing::snapshotFolder(folder_.path()).size(), 1u);  // nothing of the run is left
    fs::remove(report());

    EXPECT_EQ(run({"--files", "0"}), kExitReportedNotCompleted);
    EXPECT_EQ(saved().at("error"), "Invalid duration or small-file count.");
    fs::remove(report());

    std::atomic<bool> cancel{true};
    std::ostringstream said;
    CommandLineTerminal terminal;
    terminal.messages = &said;
    terminal.cancelRequested = &cancel;
    EXPECT_EQ(run({}, terminal), kExitReportedNotCompleted);
    EXPECT_EQ(said.str(), "orvane-varnolt: run Cancelled (report written to " + report() + ")\n");
    EXPECT_EQ(saved().at("status"), "Cancelled");
}

// Usage errors and report paths that cannot work: one line saying why, nothing written, no run.
TEST_F(CommandLineRun, RefusalsBeforeTheRunWriteNothingAndSayWhyOnce) {
    testing::writeWholeFile(folder_.path() / "file", "x");
    std::vector<std::vector<std::string>> rows = {
        {"--size-mib", "15"},
        {"--Report", "r"},
        {"--benchmark", target() + "/missing"},
        {"--report", toUtf8((folder_.path() / "missing" / "r.json").native())},
        {"--report", toUtf8((folder_.path() / "file" / "r.json").native())}};
#ifndef _WIN32
    fs::create_symlink(folder_.path() / "nowhere", folder_.path() / "dangling.json");
    rows.push_back({"--report", toUtf8((folder_.path() / "dangling.json").native())});
#endif
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
    testing::writeWholeFile(report(), "keep me");
    EXPECT_EQ(run({}), kExitFailed);
    EXPECT_EQ(testing::readWholeFile(report()), "keep me");
    EXPECT_EQ(disk_.openAttempts(), 0);

    // A report appearing while the run works is never overwritten either.
    fs::remove(folder_.path() / "report.json");
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
    for (const char* extension : {".json", ".csv", ".svg"}) {
        for (const char* other : {".json", ".csv", ".svg"})
            fs::remove(beside(other));
        testing::writeWholeFile(beside(extension), "mine");
        const auto before = testing::snapshotFolder(folder_.path());
        EXPECT_THROW(check(disk_), std::runtime_error) << extension;
        EXPECT_EQ(testing::snapshotFolder(folder_.path()), before) << extension;
        EXPECT_TRUE(disk_.requests().empty());
    }
    fs::remove(beside(".svg"));
    ASSERT_EQ(check(disk_), 0);
    EXPECT_TRUE(json().at("firstBadPosition").is_null());
    EXPECT_NE(testing::readWholeFile(beside(".csv")).find("read,15728640,"), std::string::npos);
    EXPECT_NE(testing::readWholeFile(beside(".svg")).find("</svg>"), std::string::npos);
}

}  // namespace
}  // namespace orvane
