#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <functional>
#include <limits>

#include "reports/report_csv_writer.h"
#include "reports/report_import.h"
#include "reports/report_json_writer.h"
#include "reports/report_raw_text.h"
#include "tests/reports/report_fixtures.h"
#include "tests/support/message_of.h"

namespace orvane {
namespace {

using nlohmann::json;

TEST(ReportWriters, ReferenceRunMatchesTheGoldenFilesByteForByte) {
    const std::string text = writeReportJson(testing::referenceRun(), "");
    EXPECT_EQ(text, testing::goldenText(testing::goldenName("json"), text));
    const std::string csv = writeReportCsv(testing::referenceRun());
    EXPECT_EQ(csv, testing::goldenText(testing::goldenName("csv"), csv));
}

TEST(ReportJsonWriter, RawStageEscapesControlBytesOnly) {
    EXPECT_EQ(jsonStringLiteral(std::string("a\t\n\r\"\\\x1B\x01\x7F\xC3\xA9", 11)),
              "\"a\\t\\n\\r\\\"\\\\\\u001b\\u0001\x7F\xC3\xA9\"");
    EXPECT_EQ(jsonStringLiteral(std::string(1, '\0')), "\"\\u0000\"");
}

// The golden file pins the guidance of the reference run; here the hint and a missing read.
TEST(ReportJsonWriter, HintNamesTheReportAndTheEstimateNeedsASequentialRead) {
    RunResult run = testing::referenceRun();
    EXPECT_EQ(json::parse(writeReportJson(run, "Kitchen"))["displayName"], "Kitchen");
    run.metrics.erase(run.metrics.begin() + 3);  // sequential_read
    EXPECT_TRUE(json::parse(writeReportJson(run, ""))["estimatedModelReadSeconds"].is_null());
    run.metrics.clear();
    EXPECT_NE(writeReportJson(run, "").find("\"metrics\": [],"), std::string::npos);
}

// Every status and size written loads again; an invalid size gets the fixed reason, no estimate.
TEST(ReportJsonWriter, EveryStatusAndSizeImportsAgain) {
    const std::string invalid =
        "Invalid original model size; model-fit and model-read guidance are unavailable. Correct "
        "the model size and retest.";
    RunResult run = testing::referenceRun();
    for (const char* status : {"Completed", "Failed", "Cancelled", "Cleanup warning"}) {
        for (const double modelGB : {0.0, 0.1, 1000.0, 1000.5}) {
            run.status = *runStatusFromText(status);
            run.options.modelGB = modelGB;
            const SavedReport report = importReport(writeReportJson(run, ""), "");
            const json& guidance = report.document->at("storageGuidance");
            const bool valid = modelGB > 0 && modelGB <= 1000;
            EXPECT_EQ(report.status, status);
            EXPECT_EQ(guidance.at("modelGB"), modelGB);
            EXPECT_EQ(guidance.at("reason") == invalid, !valid) << status << " " << modelGB;
            EXPECT_EQ(report.document->at("assessment"),
                      guidance.at("rating").get<std::string>() + ": " +
                          guidance.at("reason").get<std::string>());
            if (!valid) {
                EXPECT_EQ(guidance.at("rating"),
                          run.status == RunStatus::kFailed ? "Not recommended" : "Caution");
            }
            EXPECT_EQ(report.document->at("estimatedModelReadSeconds").is_null(),
                      !valid || run.status != RunStatus::kCompleted);
        }
    }
    run.volume.label.clear();
    EXPECT_EQ(json::parse(writeReportJson(run, ""))["displayName"], "Unnamed volume");
    EXPECT_EQ(json::parse(writeReportJson(run, "Hint"))["displayName"], "Hint");
}

// Figures the import refuses are not written; what the library refuses keeps its errors.
TEST(ReportJsonWriter, RunsTheImportRefusesAreNotWritten) {
    const auto message = [](const std::function<void(RunResult&)>& change) {
        RunResult run = testing::referenceRun();
        change(run);
        return testing::messageOf([&] { writeReportJson(run, ""); }).substr(0, 30);
    };
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(message([&](RunResult& r) { r.options.modelGB = inf; }),  // written as null
              "Invalid numeric field: modelGB");
    EXPECT_EQ(message([&](RunResult& r) { r.metrics[0].seconds = inf; }),
              "[json.exception.parse_error.10");
    EXPECT_EQ(message([](RunResult& r) { r.metrics[0].note = "bad \xC3 byte"; }),
              "[json.exception.parse_error.10");
}

}  // namespace
}  // namespace orvane
