#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cmath>
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
using ::testing::HasSubstr;

std::string platformSuffix() {
    return std::string(runningMeasurementMethods().platform) == "Windows" ? "windows" : "linux";
}

TEST(ReportJsonWriter, ReferenceRunMatchesTheGoldenFileByteForByte) {
    const std::string text = writeReportJson(testing::referenceRun(), "");
    EXPECT_EQ(text, testing::goldenText("reference_report_" + platformSuffix() + ".json", text));
}

TEST(ReportJsonWriter, RawStageEscapesControlBytesOnly) {
    EXPECT_EQ(jsonStringLiteral(std::string("a\t\n\r\"\\\x1B\x01\x7F\xC3\xA9", 11)),
              "\"a\\t\\n\\r\\\"\\\\\\u001b\\u0001\x7F\xC3\xA9\"");
    EXPECT_EQ(jsonStringLiteral(std::string(1, '\0')), "\"\\u0000\"");
    EXPECT_EQ(jsonStringLiteral(""), "\"\"");
}

// The golden file pins the text; this pins that every status and size written loads again.
TEST(ReportJsonWriter, EveryReportImportsAgain) {
    RunResult run = testing::referenceRun();
    for (const char* status : {"Completed", "Failed", "Cancelled", "Cleanup warning"}) {
        run.status = *runStatusFromText(status);
        for (const double modelGB : {0.0, 0.1, 6.6, 1000.0, 1000.5}) {
            run.options.modelGB = modelGB;
            SavedReport report;
            ASSERT_NO_THROW(report = importReport(writeReportJson(run, ""), ""))
                << status << " " << modelGB;
            EXPECT_EQ(report.status, status);
            EXPECT_EQ(report.document->at("modelGB"), modelGB);
        }
    }
}

TEST(ReportJsonWriter, GuidanceIsTheSavedReportRatingForTheRunsModelSize) {
    const RunResult run = testing::referenceRun();
    const json document = json::parse(writeReportJson(run, "Kitchen"));
    SavedReport expected = importReport(writeReportJson(run, ""), "");
    evaluateSuitability(expected, run.options.modelGB, runningMeasurementMethods().platform);

    EXPECT_EQ(document["displayName"], "Kitchen");
    const json& guidance = document["storageGuidance"];
    EXPECT_EQ(guidance["rating"], expected.rating);
    EXPECT_EQ(guidance["rating"], "Caution");  // sequential write of 5 MiB/s
    EXPECT_EQ(guidance["reason"], expected.reason);
    EXPECT_EQ(guidance["modelGB"], 6.6);
    EXPECT_EQ(guidance["policy"], storageGuidancePolicyText());
    EXPECT_EQ(document["assessment"], expected.rating + ": " + expected.reason);
    EXPECT_NEAR(document["estimatedModelReadSeconds"].get<double>(), 6.6e9 / (250.0 * 1048576),
                1e-6);
}

TEST(ReportJsonWriter, EstimateNeedsACompletedRunWithASequentialRead) {
    RunResult run = testing::referenceRun();
    run.status = RunStatus::kCancelled;
    EXPECT_TRUE(json::parse(writeReportJson(run, ""))["estimatedModelReadSeconds"].is_null());
    run = testing::referenceRun();
    run.metrics.erase(run.metrics.begin() + 3);  // sequential_read
    EXPECT_TRUE(json::parse(writeReportJson(run, ""))["estimatedModelReadSeconds"].is_null());
    run.metrics.clear();
    const std::string text = writeReportJson(run, "");
    EXPECT_THAT(text, HasSubstr("\"metrics\": [],"));
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
    EXPECT_EQ(document["storageGuidance"]["rating"], "Caution");
    EXPECT_EQ(document["storageGuidance"]["reason"], reason);
    EXPECT_EQ(document["storageGuidance"]["modelGB"], 0.0);
    EXPECT_EQ(document["assessment"], "Caution: " + reason);
    EXPECT_TRUE(document["estimatedModelReadSeconds"].is_null());

    run.status = RunStatus::kFailed;
    run.options.modelGB = 1000.5;
    document = json::parse(writeReportJson(run, "Hint"));
    EXPECT_EQ(document["displayName"], "Hint");
    EXPECT_EQ(document["storageGuidance"]["rating"], "Not recommended");
    EXPECT_EQ(document["storageGuidance"]["modelGB"], 1000.5);
}

TEST(ReportJsonWriter, RunsTheImportRefusesAreNotWritten) {
    const auto message = [](const RunResult& run) {
        try {
            writeReportJson(run, "");
            return std::string("written");
        } catch (const std::runtime_error& error) {
            return std::string(error.what());
        }
    };
    RunResult run = testing::referenceRun();
    run.volume.freeBytesBefore = run.volume.totalBytes + 1;
    EXPECT_EQ(message(run), "Free space exceeds capacity.");
    run = testing::referenceRun();
    run.metrics.resize(65);
    EXPECT_EQ(message(run), "Invalid metrics array.");
    run = testing::referenceRun();
    run.metrics[2].p50ms = -1;
    EXPECT_EQ(message(run), "Invalid numeric field: p50ms");
    // Sizes the import cannot read back would make a report that never loads again.
    run = testing::referenceRun();
    for (const double size : {-1.0, std::numeric_limits<double>::infinity(),
                              std::numeric_limits<double>::quiet_NaN()}) {
        run.options.modelGB = size;
        EXPECT_EQ(message(run), "Invalid numeric field: modelGB") << size;
    }
}

TEST(ReportJsonWriter, NonFiniteFiguresAndInvalidUtf8FailInTheLibrary) {
    RunResult run = testing::referenceRun();
    run.metrics[0].seconds = std::numeric_limits<double>::infinity();
    EXPECT_THROW(writeReportJson(run, ""), json::parse_error);
    run = testing::referenceRun();
    run.metrics[0].note = "bad \xC3 byte";
    EXPECT_THROW(writeReportJson(run, ""), json::exception);
    run = testing::referenceRun();
    EXPECT_THROW(writeReportJson(run, "\xFF"), json::type_error);
}

}  // namespace
}  // namespace orvane
