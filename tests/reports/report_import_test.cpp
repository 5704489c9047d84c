#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cmath>
#include <functional>

#include "platform/text_encoding.h"
#include "reports/report_import.h"
#include "tests/reports/report_fixtures.h"
#include "tests/support/message_of.h"
#include "tests/support/temp_folder.h"

namespace orvane {
namespace {

using nlohmann::json;
using Change = std::function<void(json&)>;
using Text = std::function<std::string()>;

std::string withDocument(const Change& change) {
    json document = testing::validReportDocument();
    change(document);
    return document.dump();
}

Text edited(const Change& change) {
    return [change] { return withDocument(change); };
}

// The valid document's text with `add` inserted after the first `at`.
Text inserted(const std::string& at, const std::string& add) {
    return [at, add] {
        std::string text = testing::validReportDocument().dump();
        return text.insert(text.find(at) + at.size(), add);
    };
}

// An extra key holding n nested arrays around a number: 63 put it at depth 64.
Text nested(std::size_t n) {
    return inserted("{", "\"deep\":" + std::string(n, '[') + "0" + std::string(n, ']') + ",");
}

Text padded(std::size_t size) {
    return [size] {
        const std::string text = testing::validReportDocument().dump();
        return text + std::string(size - text.size(), ' ');
    };
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

json metricsOfCount(int count) {
    json metrics = json::array();
    for (int i = 0; i < count; ++i)
        metrics.push_back({{"id", "m" + std::to_string(i)}, {"value", i}, {"p99ms", 0}});
    return metrics;
}

// A text, "accepted" or the refusal it must give: the runtime error's message, or which of the
// library's own errors it was (the library's refusals keep its exception types).
struct RuleCase {
    const char* name;
    Text text;
    const char* message;
};

void PrintTo(const RuleCase& c, std::ostream* out) {
    *out << c.name;
}

class ReportImportRule : public ::testing::TestWithParam<RuleCase> {};

TEST_P(ReportImportRule, FiresWithItsOwnMessage) {
    std::string message = testing::messageOf([] { importReport(GetParam().text(), ""); });
    if (message.rfind("[json.exception.", 0) == 0)  // parse_error, out_of_range
        message = message.substr(16, message.find('.', 16) - 16);
    EXPECT_EQ(message, GetParam().message);
}

constexpr const char* kNotAReport = "Not a schema 1 Varnolt report.";
constexpr const char* kMissing = "out_of_range";
constexpr const char* kDeep = "JSON nesting exceeds 64 levels.";
constexpr const char* kTwice = "Duplicate JSON key.";

// clang-format off
const RuleCase kRuleCases[] = {
    {"SizeAboveLimit", padded(kReportSizeLimit + 1), "Report exceeds 2 MiB."},
    {"Depth64", nested(63), "accepted"},
    {"Depth65", nested(64), kDeep},
    {"MillionOpenArrays", [] { return std::string(1000000, '['); }, kDeep},
    // Keys repeat across objects freely (every metric has an "id"), never within one, whatever their spelling.
    {"VolumeKeyTwice", inserted("\"volume\":{", "\"label\":\"x\","), kTwice},
    {"KeyTwice", inserted("{", "\"status\":\"Completed\","), kTwice},
    {"EscapedKeyTwice", inserted("{", "\"st\\u0061tus\":\"Completed\","), kTwice},
    {"Unclosed", [] { return std::string("{"); }, "parse_error"},
    {"Comment", [] { return std::string("{/*c*/}"); }, "parse_error"},
    {"HugeNumber", inserted("\"totalBytes\":64000000000", "0000e999"), kMissing},
    {"Array", edited([](json& d) { d = json::array({1}); }), kNotAReport},
    {"SchemaReal", edited([](json& d) { d["schemaVersion"] = 1.0; }), kNotAReport},
    {"SchemaTwo", edited([](json& d) { d["schemaVersion"] = 2; }), kNotAReport},
    {"SchemaUnsigned", edited([](json& d) { d["schemaVersion"] = 1u; }), "accepted"},
    {"ApplicationLeadingBlank", edited([](json& d) { d["application"] = " Orvane Varnolt 1"; }), kNotAReport},
    {"ApplicationNumber", edited([](json& d) { d["application"] = 1; }), kNotAReport},
    {"ApplicationWithoutVersion", edited([](json& d) { d["application"] = "Orvane Varnolt"; }), "accepted"},
    {"PlatformNumber", edited([](json& d) { d["platform"] = 1; }), "Invalid string field: platform"},
    {"VerifiedText", edited([](json& d) { d["verified"] = "true"; }), "Invalid boolean field."},
    {"VolumeArray", edited([](json& d) { d["volume"] = json::array(); }), "Invalid volume."},
    {"LabelNumber", edited([](json& d) { d["volume"]["label"] = 3; }), "Invalid volume text."},
    {"TotalMissing", edited([](json& d) { d["volume"].erase("totalBytes"); }), "Invalid numeric field: totalBytes"},
    {"TotalNegative", edited([](json& d) { d["volume"]["totalBytes"] = -1; }), "Invalid numeric field: totalBytes"},
    {"FreeNegative", edited([](json& d) { d["volume"]["freeBytesBefore"] = -1.5; }), "Invalid numeric field: freeBytesBefore"},
    {"FreeBool", edited([](json& d) { d["volume"]["freeBytesBefore"] = false; }), "Invalid numeric field: freeBytesBefore"},
    {"FreeEqualsCapacity", edited([](json& d) { d["volume"]["freeBytesBefore"] = 64000000000; }), "accepted"},
    {"FreeAboveCapacity", edited([](json& d) { d["volume"]["freeBytesBefore"] = 64000000001; }), "Free space exceeds capacity."},
    {"AllocationText", edited([](json& d) { d["volume"]["allocationUnitBytes"] = "4096"; }), "Invalid numeric field: allocationUnitBytes"},
    {"ModelNegative", edited([](json& d) { d["modelGB"] = -6.6; }), "Invalid numeric field: modelGB"},
    {"MetricsObject", edited([](json& d) { d["metrics"] = json::object(); }), "Invalid metrics array."},
    {"NoMetrics", edited([](json& d) { d["metrics"] = json::array(); }), "accepted"},
    {"SixtyFourMetrics", edited([](json& d) { d["metrics"] = metricsOfCount(64); }), "accepted"},
    {"SixtyFiveMetrics", edited([](json& d) { d["metrics"] = metricsOfCount(65); }), "Invalid metrics array."},
    {"MetricNotObject", edited([](json& d) { d["metrics"][1] = 5; }), "Invalid workload ID."},
    {"MetricIdNumber", edited([](json& d) { d["metrics"][1]["id"] = 5; }), "Invalid workload ID."},
    {"MetricIdTwice", edited([](json& d) { d["metrics"][2]["id"] = "sequential_write"; }), "Duplicate workload ID."},
    {"P50Negative", edited([](json& d) { d["metrics"][0]["p50ms"] = -0.5; }), "Invalid numeric field: p50ms"},
    {"P50Absent", edited([](json& d) { d["metrics"][0].erase("p50ms"); }), "accepted"},
    {"P99Negative", edited([](json& d) { d["metrics"][0]["p99ms"] = -1; }), "Invalid numeric field: p99ms"},
    {"NameNumber", edited([](json& d) { d["metrics"][0]["name"] = 1; }), "Invalid workload text."},
    // What the library refuses keeps the library's own exception type.
    {"NoSchema", edited([](json& d) { d.erase("schemaVersion"); }), kMissing},
    {"NoMetricP99", edited([](json& d) { d["metrics"][0].erase("p99ms"); }), kMissing},
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
        write("Kitchen stick.v2.json", edited([](json& d) { d["displayName"] = "Own"; })());
    EXPECT_EQ(loadReportFile(own, false).displayName, "Kitchen stick.v2");
    EXPECT_EQ(loadReportFile(own, true).displayName, "Own");
    EXPECT_EQ(loadReportFile(write("Garage.json", padded(kReportSizeLimit)()), true).displayName,
              "Garage");
    // A displayName key that is present but unusable still keeps the stem out.
    const auto attic = write("Attic.json", edited([](json& d) { d["displayName"] = ""; })());
    EXPECT_EQ(loadReportFile(attic, true).displayName, "Stick");
    EXPECT_THROW(loadReportFile(folder.path() / "absent.json", false),
                 std::filesystem::filesystem_error);
}

}  // namespace
}  // namespace orvane
