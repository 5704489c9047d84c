#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cmath>
#include <functional>
#include <stdexcept>

#include "platform/text_encoding.h"
#include "reports/report_import.h"
#include "tests/reports/report_fixtures.h"
#include "tests/support/temp_folder.h"

namespace orvane {
namespace {

using nlohmann::json;

// The runtime error's message, or a note that something else happened.
std::string importMessage(const std::string& text, const std::string& hint = "") {
    try {
        importReport(text, hint);
        return "imported";
    } catch (const std::runtime_error& error) {
        return error.what();
    } catch (const json::exception& error) {
        return std::string("json: ") + error.what();
    }
}

std::string withDocument(const std::function<void(json&)>& change) {
    json document = testing::validReportDocument();
    change(document);
    return document.dump();
}

std::string replaceOnce(std::string text, const std::string& from, const std::string& to) {
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

TEST(ReportImport, ValidDocumentFillsTheRecord) {
    const SavedReport report = importReport(testing::validReportDocument().dump(), "");
    EXPECT_EQ(report.displayName, "Stick");
    EXPECT_EQ(report.platform, "Windows");
    EXPECT_EQ(report.timestampUtc, "2025-01-31T18:04:05Z");
    EXPECT_EQ(report.scratchFolder, "E:\\Models\\.orvane-varnolt-00000000000000000000000000000000");
    EXPECT_TRUE(report.filePath.empty());
    EXPECT_EQ(report.totalBytes, 64e9);
    EXPECT_EQ(report.freeBytesBefore, 60e9);
    EXPECT_EQ(report.allocationUnitBytes, 131072);
    EXPECT_EQ(report.sequentialRead, 150);
    EXPECT_EQ(report.sequentialWrite, 40);
    EXPECT_EQ(report.randomRead, 2000);
    EXPECT_EQ(report.randomWrite, 300);
    EXPECT_EQ(report.smallFileWrite, 150);
    EXPECT_EQ(report.randomWriteP99, 8);
    EXPECT_TRUE(std::isinf(report.modelReadSeconds));
    EXPECT_EQ(report.suitabilityLevel, 0);
    EXPECT_EQ(report.rank, 0);
    EXPECT_EQ(report.rating, "");
    EXPECT_EQ(report.profile, "Standard");
    EXPECT_EQ(report.status, "Completed");
    EXPECT_EQ(report.filesystem, "exFAT");
    EXPECT_TRUE(report.verified && report.cleaned);
    ASSERT_TRUE(report.document);
    EXPECT_EQ(*report.document, testing::validReportDocument());
}

TEST(ReportImport, AbsentOptionalFiguresAreZeroAndUnknownMetricsAreKeptOut) {
    const std::string text = withDocument([](json& d) {
        d["volume"].erase("allocationUnitBytes");
        d.erase("modelGB");
        d["metrics"] = json::array({{{"id", "random_write"}, {"value", 7}, {"p99ms", 3.5}},
                                    {{"id", "custom_probe"}, {"value", 1e6}, {"p99ms", 0}}});
    });
    const SavedReport report = importReport(text, "");
    EXPECT_EQ(report.allocationUnitBytes, 0);
    EXPECT_EQ(report.randomWrite, 7);
    EXPECT_EQ(report.randomWriteP99, 3.5);
    EXPECT_EQ(
        report.sequentialRead + report.sequentialWrite + report.randomRead + report.smallFileWrite,
        0);
}

TEST(ReportImport, SizeLimitIsTwoMebibytesInclusive) {
    const std::string document = testing::validReportDocument().dump();
    std::string text = document + std::string(kReportSizeLimit - document.size(), ' ');
    ASSERT_EQ(text.size(), 2097152u);
    EXPECT_EQ(importMessage(text), "imported");
    text += ' ';
    EXPECT_EQ(importMessage(text), "Report exceeds 2 MiB.");
}

// Deepest event of the document: one extra key holding n nested arrays around a number.
std::string withNesting(int arrays) {
    std::string nested = std::string(static_cast<std::size_t>(arrays), '[') + "0" +
                         std::string(static_cast<std::size_t>(arrays), ']');
    return replaceOnce(testing::validReportDocument().dump(), "{", "{\"deep\":" + nested + ",");
}

TEST(ReportImport, NestingDepthSixtyFourIsTheLimit) {
    EXPECT_EQ(importMessage(withNesting(63)), "imported");  // the number sits at depth 64
    EXPECT_EQ(importMessage(withNesting(64)), "JSON nesting exceeds 64 levels.");
    // Far deeper than the limit is refused the same way, long before the end of the text.
    EXPECT_EQ(importMessage(std::string(1000000, '[')), "JSON nesting exceeds 64 levels.");
}

TEST(ReportImport, DuplicateKeysAreRefusedPerObject) {
    const std::string document = testing::validReportDocument().dump();
    EXPECT_EQ(importMessage(replaceOnce(document, "\"volume\":{", "\"volume\":{\"label\":\"x\",")),
              "Duplicate JSON key.");
    EXPECT_EQ(importMessage(replaceOnce(document, "{", "{\"status\":\"Completed\",")),
              "Duplicate JSON key.");
    // The same key in an escaped spelling is still the same key.
    EXPECT_EQ(importMessage(replaceOnce(document, "{", "{\"st\\u0061tus\":\"Completed\",")),
              "Duplicate JSON key.");
    // Every metric object has its own "id", "value", ...: keys repeat across objects freely.
    EXPECT_EQ(importMessage(document), "imported");
}

TEST(ReportImport, NonObjectDocumentsAreNotReports) {
    EXPECT_EQ(importMessage("[1]"), "Not a schema 1 Varnolt report.");
    EXPECT_EQ(importMessage("\"report\""), "Not a schema 1 Varnolt report.");
}

TEST(ReportImport, FreeSpaceMayEqualButNotExceedCapacity) {
    EXPECT_EQ(
        importMessage(withDocument([](json& d) { d["volume"]["freeBytesBefore"] = 64000000000; })),
        "imported");
    EXPECT_EQ(
        importMessage(withDocument([](json& d) { d["volume"]["freeBytesBefore"] = 64000000001; })),
        "Free space exceeds capacity.");
}

json metricsOfCount(int count) {
    json metrics = json::array();
    for (int i = 0; i < count; ++i) {
        metrics.push_back({{"id", "m" + std::to_string(i)}, {"value", i}, {"p99ms", 0}});
    }
    return metrics;
}

TEST(ReportImport, SixtyFourMetricsAtMost) {
    EXPECT_EQ(importMessage(withDocument([](json& d) { d["metrics"] = metricsOfCount(64); })),
              "imported");
    EXPECT_EQ(importMessage(withDocument([](json& d) { d["metrics"] = metricsOfCount(65); })),
              "Invalid metrics array.");
    EXPECT_EQ(importMessage(withDocument([](json& d) { d["metrics"] = json::array(); })),
              "imported");
}

TEST(ReportImport, LatencyMayBeAbsentButNotNegative) {
    EXPECT_EQ(importMessage(withDocument([](json& d) { d["metrics"][0]["p50ms"] = -0.5; })),
              "Invalid numeric field: p50ms");
    EXPECT_EQ(importMessage(withDocument([](json& d) { d["metrics"][0].erase("p50ms"); })),
              "imported");
}

// One field changed, the message it must give.
struct RuleCase {
    const char* name;
    std::function<void(json&)> change;
    const char* message;
};

void PrintTo(const RuleCase& c, std::ostream* out) {
    *out << c.name;
}

class ReportImportRule : public ::testing::TestWithParam<RuleCase> {};

TEST_P(ReportImportRule, FiresWithItsOwnMessage) {
    EXPECT_EQ(importMessage(withDocument(GetParam().change)), GetParam().message);
}

constexpr const char* kNotAReport = "Not a schema 1 Varnolt report.";

const RuleCase kRuleCases[] = {
    {"SchemaReal", [](json& d) { d["schemaVersion"] = 1.0; }, kNotAReport},
    {"SchemaTwo", [](json& d) { d["schemaVersion"] = 2; }, kNotAReport},
    {"SchemaText", [](json& d) { d["schemaVersion"] = "1"; }, kNotAReport},
    {"SchemaUnsigned", [](json& d) { d["schemaVersion"] = 1u; }, "imported"},
    {"ApplicationLeadingBlank", [](json& d) { d["application"] = " Orvane Varnolt 1"; },
     kNotAReport},
    {"ApplicationNumber", [](json& d) { d["application"] = 1; }, kNotAReport},
    {"ApplicationWithoutVersion", [](json& d) { d["application"] = "Orvane Varnolt"; }, "imported"},
    {"ApplicationOtherVersion", [](json& d) { d["application"] = "Orvane Varnolt 9.4"; },
     "imported"},
    {"PlatformNumber", [](json& d) { d["platform"] = 1; }, "Invalid string field: platform"},
    {"ProfileNull", [](json& d) { d["profile"] = nullptr; }, "Invalid string field: profile"},
    {"TimestampArray", [](json& d) { d["timestampUtc"] = json::array(); },
     "Invalid string field: timestampUtc"},
    {"ScratchObject", [](json& d) { d["scratchFolder"] = json::object(); },
     "Invalid string field: scratchFolder"},
    {"StatusBool", [](json& d) { d["status"] = true; }, "Invalid string field: status"},
    {"CachePolicyNumber", [](json& d) { d["cachePolicy"] = 0; },
     "Invalid string field: cachePolicy"},
    {"WritePolicyNumber", [](json& d) { d["writePolicy"] = 0.5; },
     "Invalid string field: writePolicy"},
    {"VerifiedText", [](json& d) { d["verified"] = "true"; }, "Invalid boolean field."},
    {"CleanedNumber", [](json& d) { d["cleaned"] = 1; }, "Invalid boolean field."},
    {"VolumeArray", [](json& d) { d["volume"] = json::array(); }, "Invalid volume."},
    {"LabelNumber", [](json& d) { d["volume"]["label"] = 3; }, "Invalid volume text."},
    {"FilesystemNull", [](json& d) { d["volume"]["filesystem"] = nullptr; },
     "Invalid volume text."},
    {"TotalMissing", [](json& d) { d["volume"].erase("totalBytes"); },
     "Invalid numeric field: totalBytes"},
    {"TotalText", [](json& d) { d["volume"]["totalBytes"] = "64"; },
     "Invalid numeric field: totalBytes"},
    {"TotalNegative", [](json& d) { d["volume"]["totalBytes"] = -1; },
     "Invalid numeric field: totalBytes"},
    {"FreeNegative", [](json& d) { d["volume"]["freeBytesBefore"] = -1.5; },
     "Invalid numeric field: freeBytesBefore"},
    {"FreeBool", [](json& d) { d["volume"]["freeBytesBefore"] = false; },
     "Invalid numeric field: freeBytesBefore"},
    {"AllocationText", [](json& d) { d["volume"]["allocationUnitBytes"] = "4096"; },
     "Invalid numeric field: allocationUnitBytes"},
    {"ModelNegative", [](json& d) { d["modelGB"] = -6.6; }, "Invalid numeric field: modelGB"},
    {"ModelNull", [](json& d) { d["modelGB"] = nullptr; }, "Invalid numeric field: modelGB"},
    {"MetricsObject", [](json& d) { d["metrics"] = json::object(); }, "Invalid metrics array."},
    {"MetricsText", [](json& d) { d["metrics"] = "none"; }, "Invalid metrics array."},
    {"MetricNotObject", [](json& d) { d["metrics"][1] = 5; }, "Invalid workload ID."},
    {"MetricIdNumber", [](json& d) { d["metrics"][1]["id"] = 5; }, "Invalid workload ID."},
    {"MetricIdTwice", [](json& d) { d["metrics"][2]["id"] = "sequential_write"; },
     "Duplicate workload ID."},
    {"ValueText", [](json& d) { d["metrics"][0]["value"] = "40"; }, "Invalid numeric field: value"},
    {"P99Negative", [](json& d) { d["metrics"][0]["p99ms"] = -1; }, "Invalid numeric field: p99ms"},
    {"P95Text", [](json& d) { d["metrics"][0]["p95ms"] = "1"; }, "Invalid numeric field: p95ms"},
    {"MaxNull", [](json& d) { d["metrics"][0]["maxms"] = nullptr; },
     "Invalid numeric field: maxms"},
    {"SecondsNegative", [](json& d) { d["metrics"][0]["seconds"] = -0.1; },
     "Invalid numeric field: seconds"},
    {"OperationsText", [](json& d) { d["metrics"][0]["operations"] = "10"; },
     "Invalid numeric field: operations"},
    {"BytesNegative", [](json& d) { d["metrics"][0]["bytes"] = -4096; },
     "Invalid numeric field: bytes"},
    {"NameNumber", [](json& d) { d["metrics"][0]["name"] = 1; }, "Invalid workload text."},
    {"UnitNull", [](json& d) { d["metrics"][0]["unit"] = nullptr; }, "Invalid workload text."},
};

INSTANTIATE_TEST_SUITE_P(Rules, ReportImportRule, ::testing::ValuesIn(kRuleCases),
                         [](const auto& param) { return std::string(param.param.name); });

// What the JSON library refuses keeps the library's own exception type.
std::string libraryErrorOf(const std::string& text) {
    try {
        importReport(text, "");
    } catch (const json::parse_error&) {
        return "parse";
    } catch (const json::out_of_range&) {
        return "out of range";
    } catch (const std::exception& error) {
        return error.what();
    }
    return "imported";
}

std::string without(const char* key, const char* inside = nullptr, bool inMetric = false) {
    return withDocument([&](json& d) {
        json& object = inMetric ? d["metrics"][0] : inside ? d[inside] : d;
        object.erase(key);
    });
}

TEST(ReportImport, LibraryErrorsKeepTheirTypes) {
    for (const std::string text : {"", "{", "{\"a\":1,}", "{/*c*/}", "{\"a\":\"\xFF\"}"})
        EXPECT_EQ(libraryErrorOf(text), "parse") << text;
    const std::string missing[] = {
        without("schemaVersion"),
        without("application"),
        without("platform"),
        without("writePolicy"),
        without("cleaned"),
        without("volume"),
        without("label", "volume"),
        without("freeBytesBefore", "volume"),
        without("metrics"),
        without("id", nullptr, true),
        without("value", nullptr, true),
        without("p99ms", nullptr, true),
        replaceOnce(testing::validReportDocument().dump(), "\"totalBytes\":64000000000",
                    "\"totalBytes\":1e999")};
    for (const std::string& text : missing)
        EXPECT_EQ(libraryErrorOf(text), "out of range") << text.substr(0, 200);
}

TEST(ReportImport, DisplayNameComesFromHintDocumentLabelOrFallback) {
    EXPECT_EQ(
        importReport(withDocument([](json& d) { d["displayName"] = "Own"; }), "Hint").displayName,
        "Hint");
    EXPECT_EQ(importReport(withDocument([](json& d) { d["displayName"] = "Own"; }), "").displayName,
              "Own");
    EXPECT_EQ(importReport(withDocument([](json& d) { d["displayName"] = 5; }), "").displayName,
              "Stick");
    EXPECT_EQ(importReport(withDocument([](json& d) {
                               d["displayName"] = "";
                               d["volume"]["label"] = "";
                           }),
                           "")
                  .displayName,
              "Unnamed volume");
}

class ReportFile : public ::testing::Test {
  protected:
    std::filesystem::path write(const std::string& name, const std::string& text) {
        const auto path = folder_.path() / fromUtf8(name);
        testing::writeWholeFile(path, text);
        return path;
    }
    testing::TempFolder folder_;
};

TEST_F(ReportFile, StemOrDocumentNameNamesTheReport) {
    const auto named = write("Kitchen stick.v2.json",
                             withDocument([](json& d) { d["displayName"] = "Own name"; }));
    EXPECT_EQ(loadReportFile(named, false).displayName, "Kitchen stick.v2");
    EXPECT_EQ(loadReportFile(named, true).displayName, "Own name");

    const auto unnamed = write("Garage.json", testing::validReportDocument().dump());
    EXPECT_EQ(loadReportFile(unnamed, true).displayName, "Garage");
    // A displayName key that is present but unusable still keeps the stem out.
    const auto empty = write("Attic.json", withDocument([](json& d) { d["displayName"] = ""; }));
    EXPECT_EQ(loadReportFile(empty, true).displayName, "Stick");
}

TEST_F(ReportFile, FilesAboveTwoMebibytesAreRefused) {
    const std::string document = testing::validReportDocument().dump();
    const auto exact =
        write("exact.json", document + std::string(kReportSizeLimit - document.size(), '\n'));
    EXPECT_NO_THROW(loadReportFile(exact, false));
    const auto over = write("over.json", std::string(kReportSizeLimit + 1, ' '));
    try {
        loadReportFile(over, false);
        FAIL() << "accepted";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Report exceeds 2 MiB.");
    }
}

TEST_F(ReportFile, MissingFileIsTheFileSystemsError) {
    EXPECT_THROW(loadReportFile(folder_.path() / "absent.json", false),
                 std::filesystem::filesystem_error);
}

}  // namespace
}  // namespace orvane
