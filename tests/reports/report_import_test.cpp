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
using Change = std::function<void(json&)>;

// "imported", the runtime error's message, or which of the library's errors it was.
std::string importMessage(const std::string& text, const std::string& hint = "") {
    try {
        importReport(text, hint);
        return "imported";
    } catch (const json::parse_error&) {
        return "parse";
    } catch (const json::out_of_range&) {
        return "out of range";
    } catch (const std::exception& error) {
        return error.what();
    }
}

std::string withDocument(const Change& change) {
    json document = testing::validReportDocument();
    change(document);
    return document.dump();
}

// The valid document's text with `add` inserted after the first `at`.
std::string inserted(const std::string& at, const std::string& add) {
    std::string text = testing::validReportDocument().dump();
    return text.insert(text.find(at) + at.size(), add);
}

TEST(ReportImport, ValidDocumentFillsTheRecord) {
    const SavedReport r = importReport(testing::validReportDocument().dump(), "");
    EXPECT_EQ(r.displayName + "|" + r.platform + "|" + r.timestampUtc + "|" + r.scratchFolder +
                  "|" + r.profile + "|" + r.status + "|" + r.filesystem + "|" + r.rating,
              "Stick|Windows|2025-01-31T18:04:05Z|"
              "E:\\Models\\.orvane-varnolt-00000000000000000000000000000000|Standard|Completed|"
              "exFAT|");
    EXPECT_EQ(std::vector<double>({r.totalBytes, r.freeBytesBefore, r.allocationUnitBytes,
                                   r.sequentialRead, r.sequentialWrite, r.randomRead, r.randomWrite,
                                   r.smallFileWrite, r.randomWriteP99}),
              std::vector<double>({64e9, 60e9, 131072, 150, 40, 2000, 300, 150, 8}));
    EXPECT_TRUE(r.filePath.empty() && r.verified && r.cleaned && std::isinf(r.modelReadSeconds));
    ASSERT_TRUE(r.document);
    EXPECT_EQ(*r.document, testing::validReportDocument());
}

TEST(ReportImport, AbsentOptionalFiguresAreZeroAndUnknownMetricsAreKeptOut) {
    const SavedReport r = importReport(
        withDocument([](json& d) {
            d["volume"].erase("allocationUnitBytes");
            d.erase("modelGB");
            d["metrics"] = json::array({{{"id", "random_write"}, {"value", 7}, {"p99ms", 3.5}},
                                        {{"id", "custom_probe"}, {"value", 1e6}, {"p99ms", 0}}});
        }),
        "");
    EXPECT_EQ(r.allocationUnitBytes + r.sequentialRead + r.sequentialWrite + r.randomRead +
                  r.smallFileWrite,
              0);
    EXPECT_EQ(r.randomWrite, 7);
    EXPECT_EQ(r.randomWriteP99, 3.5);
}

TEST(ReportImport, LimitsOfSizeDepthAndKeys) {
    const std::string document = testing::validReportDocument().dump();
    std::string text = document + std::string(kReportSizeLimit - document.size(), ' ');
    ASSERT_EQ(text.size(), 2097152u);
    EXPECT_EQ(importMessage(text), "imported");
    EXPECT_EQ(importMessage(text + ' '), "Report exceeds 2 MiB.");
    // An extra key holding n nested arrays around a number: 63 put it at depth 64.
    const auto nested = [](std::size_t n) {
        return std::string(n, '[') + "0" + std::string(n, ']');
    };
    EXPECT_EQ(importMessage(inserted("{", "\"deep\":" + nested(63) + ",")), "imported");
    EXPECT_EQ(importMessage(inserted("{", "\"deep\":" + nested(64) + ",")),
              "JSON nesting exceeds 64 levels.");
    EXPECT_EQ(importMessage(std::string(1000000, '[')), "JSON nesting exceeds 64 levels.");
    // Keys repeat across objects freely (every metric has an "id"), never within one, whatever
    // their spelling.
    for (const auto& [at, add] :
         {std::pair<std::string, std::string>{"\"volume\":{", "\"label\":\"x\","},
          {"{", "\"status\":\"Completed\","},
          {"{", "\"st\\u0061tus\":\"Completed\","}})
        EXPECT_EQ(importMessage(inserted(at, add)), "Duplicate JSON key.") << add;
    for (const std::string broken : {"", "{", "{\"a\":1,}", "{/*c*/}", "{\"a\":\"\xFF\"}"})
        EXPECT_EQ(importMessage(broken), "parse") << broken;
    EXPECT_EQ(importMessage(inserted("\"totalBytes\":64000000000", "0000e999")), "out of range");
}

json metricsOfCount(int count) {
    json metrics = json::array();
    for (int i = 0; i < count; ++i)
        metrics.push_back({{"id", "m" + std::to_string(i)}, {"value", i}, {"p99ms", 0}});
    return metrics;
}

// One field changed, the message it must give.
struct RuleCase {
    const char* name;
    Change change;
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
constexpr const char* kMissing = "out of range";

// clang-format off
const RuleCase kRuleCases[] = {
    {"Array", [](json& d) { d = json::array({1}); }, kNotAReport},
    {"Text", [](json& d) { d = "report"; }, kNotAReport},
    {"SchemaReal", [](json& d) { d["schemaVersion"] = 1.0; }, kNotAReport},
    {"SchemaTwo", [](json& d) { d["schemaVersion"] = 2; }, kNotAReport},
    {"SchemaText", [](json& d) { d["schemaVersion"] = "1"; }, kNotAReport},
    {"SchemaUnsigned", [](json& d) { d["schemaVersion"] = 1u; }, "imported"},
    {"ApplicationLeadingBlank", [](json& d) { d["application"] = " Orvane Varnolt 1"; }, kNotAReport},
    {"ApplicationNumber", [](json& d) { d["application"] = 1; }, kNotAReport},
    {"ApplicationWithoutVersion", [](json& d) { d["application"] = "Orvane Varnolt"; }, "imported"},
    {"ApplicationOtherVersion", [](json& d) { d["application"] = "Orvane Varnolt 9.4"; }, "imported"},
    {"PlatformNumber", [](json& d) { d["platform"] = 1; }, "Invalid string field: platform"},
    {"StatusBool", [](json& d) { d["status"] = true; }, "Invalid string field: status"},
    {"WritePolicyNumber", [](json& d) { d["writePolicy"] = 0.5; }, "Invalid string field: writePolicy"},
    {"VerifiedText", [](json& d) { d["verified"] = "true"; }, "Invalid boolean field."},
    {"CleanedNumber", [](json& d) { d["cleaned"] = 1; }, "Invalid boolean field."},
    {"VolumeArray", [](json& d) { d["volume"] = json::array(); }, "Invalid volume."},
    {"LabelNumber", [](json& d) { d["volume"]["label"] = 3; }, "Invalid volume text."},
    {"TotalMissing", [](json& d) { d["volume"].erase("totalBytes"); }, "Invalid numeric field: totalBytes"},
    {"TotalNegative", [](json& d) { d["volume"]["totalBytes"] = -1; }, "Invalid numeric field: totalBytes"},
    {"FreeNegative", [](json& d) { d["volume"]["freeBytesBefore"] = -1.5; }, "Invalid numeric field: freeBytesBefore"},
    {"FreeBool", [](json& d) { d["volume"]["freeBytesBefore"] = false; }, "Invalid numeric field: freeBytesBefore"},
    {"FreeEqualsCapacity", [](json& d) { d["volume"]["freeBytesBefore"] = 64000000000; }, "imported"},
    {"FreeAboveCapacity", [](json& d) { d["volume"]["freeBytesBefore"] = 64000000001; }, "Free space exceeds capacity."},
    {"AllocationText", [](json& d) { d["volume"]["allocationUnitBytes"] = "4096"; }, "Invalid numeric field: allocationUnitBytes"},
    {"ModelNegative", [](json& d) { d["modelGB"] = -6.6; }, "Invalid numeric field: modelGB"},
    {"MetricsObject", [](json& d) { d["metrics"] = json::object(); }, "Invalid metrics array."},
    {"NoMetrics", [](json& d) { d["metrics"] = json::array(); }, "imported"},
    {"SixtyFourMetrics", [](json& d) { d["metrics"] = metricsOfCount(64); }, "imported"},
    {"SixtyFiveMetrics", [](json& d) { d["metrics"] = metricsOfCount(65); }, "Invalid metrics array."},
    {"MetricNotObject", [](json& d) { d["metrics"][1] = 5; }, "Invalid workload ID."},
    {"MetricIdNumber", [](json& d) { d["metrics"][1]["id"] = 5; }, "Invalid workload ID."},
    {"MetricIdTwice", [](json& d) { d["metrics"][2]["id"] = "sequential_write"; }, "Duplicate workload ID."},
    {"ValueText", [](json& d) { d["metrics"][0]["value"] = "40"; }, "Invalid numeric field: value"},
    {"P50Negative", [](json& d) { d["metrics"][0]["p50ms"] = -0.5; }, "Invalid numeric field: p50ms"},
    {"P50Absent", [](json& d) { d["metrics"][0].erase("p50ms"); }, "imported"},
    {"P99Negative", [](json& d) { d["metrics"][0]["p99ms"] = -1; }, "Invalid numeric field: p99ms"},
    {"P95Text", [](json& d) { d["metrics"][0]["p95ms"] = "1"; }, "Invalid numeric field: p95ms"},
    {"MaxNull", [](json& d) { d["metrics"][0]["maxms"] = nullptr; }, "Invalid numeric field: maxms"},
    {"BytesNegative", [](json& d) { d["metrics"][0]["bytes"] = -4096; }, "Invalid numeric field: bytes"},
    {"NameNumber", [](json& d) { d["metrics"][0]["name"] = 1; }, "Invalid workload text."},
    {"UnitNull", [](json& d) { d["metrics"][0]["unit"] = nullptr; }, "Invalid workload text."},
    // What the library refuses keeps the library's own exception type.
    {"NoSchema", [](json& d) { d.erase("schemaVersion"); }, kMissing},
    {"NoPlatform", [](json& d) { d.erase("platform"); }, kMissing},
    {"NoLabel", [](json& d) { d["volume"].erase("label"); }, kMissing},
    {"NoMetricId", [](json& d) { d["metrics"][0].erase("id"); }, kMissing},
    {"NoMetricP99", [](json& d) { d["metrics"][0].erase("p99ms"); }, kMissing},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Rules, ReportImportRule, ::testing::ValuesIn(kRuleCases),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(ReportImport, DisplayNameComesFromHintDocumentFileOrFallback) {
    const auto named = [](const Change& change, const std::string& hint) {
        return importReport(withDocument(change), hint).displayName;
    };
    EXPECT_EQ(named([](json& d) { d["displayName"] = "Own"; }, "Hint"), "Hint");
    EXPECT_EQ(named([](json& d) { d["displayName"] = "Own"; }, ""), "Own");
    EXPECT_EQ(named([](json& d) { d["displayName"] = 5; }, ""), "Stick");
    EXPECT_EQ(named([](json& d) { d["displayName"] = d["volume"]["label"] = ""; }, ""),
              "Unnamed volume");

    testing::TempFolder folder;
    const auto write = [&](const std::string& name, const std::string& text) {
        testing::writeWholeFile(folder.path() / fromUtf8(name), text);
        return folder.path() / fromUtf8(name);
    };
    const auto own =
        write("Kitchen stick.v2.json", withDocument([](json& d) { d["displayName"] = "Own"; }));
    EXPECT_EQ(loadReportFile(own, false).displayName, "Kitchen stick.v2");
    EXPECT_EQ(loadReportFile(own, true).displayName, "Own");
    EXPECT_EQ(loadReportFile(write("Garage.json", withDocument([](json&) {})), true).displayName,
              "Garage");
    // A displayName key that is present but unusable still keeps the stem out.
    EXPECT_EQ(loadReportFile(
                  write("Attic.json", withDocument([](json& d) { d["displayName"] = ""; })), true)
                  .displayName,
              "Stick");
    const std::string document = testing::validReportDocument().dump();
    EXPECT_NO_THROW(loadReportFile(
        write("exact.json", document + std::string(kReportSizeLimit - document.size(), '\n')),
        false));
    EXPECT_THROW(loadReportFile(folder.path() / "absent.json", false),
                 std::filesystem::filesystem_error);
}

}  // namespace
}  // namespace orvane
