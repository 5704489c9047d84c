// The full check from its command line to its three files and exit code.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "cli/command_line_options.h"
#include "cli/full_check_command.h"
#include "platform/text_encoding.h"
#include "tests/support/folder_snapshot.h"
#include "tests/support/memory_disk.h"
#include "tests/support/temp_folder.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
constexpr std::uint64_t kM = 1048576;

std::vector<NativeString> argv(std::initializer_list<const char*> texts) {
    std::vector<NativeString> arguments{fromUtf8("orvane-varnolt")};
    for (const char* text : texts)
        arguments.push_back(fromUtf8(text));
    return arguments;
}

struct ParseCase {
    std::vector<const char*> arguments;
    const char* message;
};

class FullCheckOptionsParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(FullCheckOptionsParse, RefusesWhatDoesNotBelong) {
    std::vector<NativeString> arguments{fromUtf8("orvane-varnolt")};
    for (const char* text : GetParam().arguments)
        arguments.push_back(fromUtf8(text));
    try {
        parseCommandLineOptions(arguments);
        ADD_FAILURE() << "accepted";
    } catch (const std::exception& error) {
        EXPECT_STREQ(error.what(), GetParam().message);
    }
}

const ParseCase kParseCases[] = {
    {{"--full-check", "F", "--report", "r", "--size-mib", "16"},
     "--full-check takes no benchmark options"},
    {{"--full-check", "F", "--benchmark", "F", "--report", "r"},
     "--full-check takes no benchmark options"},
    {{"--benchmark", "F", "--report", "r", "--limit-gib", "2"},
     "--limit-gib and --model-file belong to --full-check"},
    {{"--benchmark", "F", "--report", "r", "--model-file", "m"},
     "--limit-gib and --model-file belong to --full-check"},
    {{"--full-check", "F"}, "--full-check FOLDER and --report FILE are both required"},
    {{"--full-check", "F", "--report", "r", "--limit-gib", "0"},
     "--limit-gib must be a whole number of GiB from 1 to 1048576"},
    {{"--full-check", "F", "--report", "r", "--limit-gib", "1.5"},
     "--limit-gib must be a whole number of GiB from 1 to 1048576"},
};

INSTANTIATE_TEST_SUITE_P(Rows, FullCheckOptionsParse, ::testing::ValuesIn(kParseCases));

TEST(FullCheckOptionsAccepted, TakesItsOptionsAndTheSharedModelSize) {
    const CommandLineRequest request =
        parseCommandLineOptions(argv({"--model-gb", "40", "--full-check", "F", "--report", "r.json",
                                      "--limit-gib", "3", "--model-file", "m.gguf"}));
    ASSERT_TRUE(request.fullCheck.has_value());
    EXPECT_EQ(toUtf8(request.fullCheck->folder.native()), "F");
    EXPECT_EQ(request.fullCheck->limitBytes, 3 * kGiB);
    EXPECT_EQ(request.fullCheck->modelGB, 40.0);
    EXPECT_EQ(toUtf8(request.fullCheck->modelFile.native()), "m.gguf");
    EXPECT_FALSE(parseCommandLineOptions(argv({"--benchmark", "F", "--report", "r"})).fullCheck);
}

class FullCheckCommand : public ::testing::Test {
  protected:
    CommandLineRequest request() const {
        CommandLineRequest request;
        FullCheckOptions options;
        options.folder = folder_.path();
        options.limitBytes = 16 * kM;
        options.curve = CurveRules{kM, 4 * kM, 4 * kM};
        request.fullCheck = options;
        request.reportPath = folder_.path() / "check.json";
        return request;
    }
    int run() { return runFullCheckCommand(request(), cancel_, {}, disk_.factory()); }
    fs::path beside(const char* extension) const {
        return folder_.path() / (std::string("check") + extension);
    }

    testing::TempFolder folder_;
    testing::MemoryDisk disk_;
    std::atomic<bool> cancel_{false};
};

TEST_F(FullCheckCommand, AnIntactFillExitsZeroWithThreeFiles) {
    ASSERT_EQ(run(), 0);
    const auto report = nlohmann::json::parse(testing::readWholeFile(beside(".json")));
    EXPECT_EQ(report.at("schema"), "orvane-varnolt-full-check");
    EXPECT_EQ(report.at("status"), "Completed");
    EXPECT_EQ(report.at("intactBytes"), 16 * kM);
    EXPECT_TRUE(report.at("firstBadPosition").is_null());
    EXPECT_TRUE(report.at("modelFile").is_null());
    ASSERT_EQ(report.at("writeCurve").size(), 16u);
    EXPECT_EQ(report.at("readCurve")[15][0], 15 * kM);
    const std::string csv = testing::readWholeFile(beside(".csv"));
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 33);
    EXPECT_EQ(csv.rfind("read,15728640,", std::string::npos) != std::string::npos, true);
    EXPECT_NE(testing::readWholeFile(beside(".svg")).find("</svg>"), std::string::npos);
}

TEST_F(FullCheckCommand, LostDataExitsTwoAndNamesWhereItStarts) {
    disk_.dropWriteAt([](const testing::RequestRecord& r) {
        return r.kind == testing::RequestKind::Write && r.offset >= 12 * kM;
    });
    ASSERT_EQ(run(), 2);
    const auto report = nlohmann::json::parse(testing::readWholeFile(beside(".json")));
    EXPECT_EQ(report.at("status"), "Completed");
    EXPECT_EQ(report.at("foreignBytes"), 4 * kM);
    EXPECT_EQ(report.at("firstBadPosition"), 12 * kM);
    EXPECT_EQ(report.at("usableBytes"), 12 * kM);
}

TEST_F(FullCheckCommand, AnyOfTheThreeFilesExistingStopsBeforeTheCheck) {
    for (const char* extension : {".json", ".csv", ".svg"}) {
        testing::writeWholeFile(beside(extension), "mine");
        const auto before = testing::snapshotFolder(folder_.path());
        EXPECT_THROW(run(), std::runtime_error) << extension;
        EXPECT_EQ(testing::snapshotFolder(folder_.path()), before) << extension;
        EXPECT_TRUE(disk_.requests().empty());
        fs::remove(beside(extension));
    }
}

}  // namespace
}  // namespace orvane
