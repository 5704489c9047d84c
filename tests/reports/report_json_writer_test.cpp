#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <limits>
#include <stdexcept>

#include "engine/measurement_methods.h"
#include "reports/report_import.h"
#include "reports/report_json_writer.h"
#include "reports/report_raw_text.h"
#include "reports/suitability.h"
#include "tests/reports/report_fixtures.h"

namespace orvane {
namespace {

using nlohmann::json;

TEST(ReportJsonWriter, ReferenceRunMatchesTheGoldenFileByteForByte) {
    const std::string text = writeReportJson(testing::referenceRun(), "");
    EXPECT_EQ(text, testing::goldenText(testing::goldenName("json"), text));
}

TEST(ReportJsonWriter, RawStageEscapesControlBytesOnly) {
    EXPECT_EQ(jsonStringLiteral(std::string("a\t\n\r\"\\\x1B\x01\x7F\xC3\xA9", 11)),
              "\"a\\t\\n\\r\\\"\\\\\\u001b\\u0001\x7F\xC3\xA9\"");
    EXPECT_EQ(jsonStringLiteral(std::string(1, '\0')), "\"\\u0000\"");
}

// The golden file pins the text; this pins that every status and size written loads again.
TEST(ReportJsonWriter, EveryReportImportsAgain) {
    RunResult run = testing::referenceRun();
    for (const char* status : {"Completed", "Failed", "Cancelled", "Cleanup warning"}) {
        for (const double modelGB : {0.0, 0.1, 1000.0, 1000.5}) {
            run.status = *runStatusFromText(status);
            run.options.modelGB = modelGB;
            const SavedReport report = importReport(writeReportJson(run, ""), "");
            EXPECT_EQ(report.status, status);
            EXPECT_EQ(report.document->at("modelGB"), modelGB);
        }
    }
}

TEST(ReportJsonWriter, GuidanceIsTheSavedReportRatingForTheRunsModelSize) {
    RunResult run = testing::referenceRun();
    const json document = json::parse(writeReportJson(run, "Kitchen"));
    SavedReport expected = importReport(writeReportJson(run, ""), "");
    evaluateSuitability(expected, run.options.modelGB, runningMeasurementMethods().platform);
    EXPECT_EQ(document["displayName"], "Kitchen");
    const json& guidance = document["storageGuidance"];
    EXPECT_EQ(guidance["rating"], "Caution");  // sequential write of 5 MiB/s
    EXPECT_EQ(guidance["reason"], expected.reason);
    EXPECT_EQ(guidance["modelGB"], 6.6);
    EXPECT_EQ(guidance["policy"], storageGuidancePolicyText());
    EXPECT_EQ(document["assessment"], "Caution: " + expected.reason);
    EXPECT_NEAR(document["estimatedModelReadSeconds"].get<double>(), 6.6e9 / (250.0 * 1048576),
                1e-6);
    // The estimate needs a completed run with a sequential read.
    run.status = RunStatus::kCancelled;
    EXPECT_TRUE(json::parse(writeReportJson(run, ""))["estimatedModelReadSeconds"].is_null());
    run = testing::referenceRun();
    run.metrics.erase(run.metrics.begin() + 3);  // sequential_read
    EXPECT_TRUE(json::parse(writeReportJson(run, ""))["estimatedModelReadSeconds"].is_null());
    run.metrics.clear();
    EXPECT_NE(writeReportJson(run, "").find("\"metrics\": [],"), std::string::npos);
}

TEST(ReportJsonWriter, InvalidModelSizeGetsTheFixedReasonAndNoEstimate) {
    const std::string reason =
        "Invalid original model size; model-fit and model-read guidance are unavailable. Correct "
        "the model size and retest.";
    RunResult run = testing::referenceRun();
    run.options.modelGB = 0;
    run.volume.label.clear();
    json document = json::parse(writeReportJson(run, ""));
    EXPECT_EQ(document["displayName"], "Unnamed volume");
    EXPECT_EQ(document["storageGuidance"]["reason"], reason);
    EXPECT_EQ(document["assessment"], "Caution: " + reason);
    EXPECT_TRUE(document["estimatedModelReadSeconds"].is_null());
    run.status = RunStatus::kFailed;
    run.options.modelGB = 1000.5;
    document = json::parse(writeReportJson(run, "Hint"));
    EXPECT_EQ(document["storageGuidance"]["rating"], "Not recommended");
    EXPECT_EQ(document["storageGuidance"]["modelGB"], 1000.5);
}

// Runs the import would refuse are not written; figures the library refuses keep its errors.
TEST(ReportJsonWriter, RunsTheImportRefusesAreNotWritten) {
    const auto message = [](const std::function<void(RunResult&)>& change) -> std::string {
        RunResult run = testing::referenceRun();
        change(run);
        try {
            writeReportJson(run, "");
        } catch (const json::exception&) {
            return "library";
        } catch (const std::runtime_error& error) {
            return error.what();
        }
        return "written";
    };
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(message([](RunResult& r) { r.volume.freeBytesBefore = r.volume.totalBytes + 1; }),
              "Free space exceeds capacity.");
    EXPECT_EQ(message([](RunResult& r) { r.metrics.resize(65); }), "Invalid metrics array.");
    EXPECT_EQ(message([](RunResult& r) { r.metrics[2].p50ms = -1; }),
              "Invalid numeric field: p50ms");
    for (const double size : {-1.0, inf, std::numeric_limits<double>::quiet_NaN()})
        EXPECT_EQ(message([&](RunResult& r) { r.options.modelGB = size; }),
                  "Invalid numeric field: modelGB");
    EXPECT_EQ(message([&](RunResult& r) { r.metrics[0].seconds = inf; }), "library");
    EXPECT_EQ(message([](RunResult& r) { r.metrics[0].note = "bad \xC3 byte"; }), "library");
}

}  // namespace
}  // namespace orvane
