#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cmath>
#include <limits>
#include <stdexcept>

#include "engine/measurement_methods.h"
#include "platform/text_encoding.h"
#include "reports/report_import.h"
#include "reports/report_json_writer.h"
#include "reports/report_raw_text.h"
#include "reports/suitability.h"
#include "tests/reports/report_fixtures.h"

namespace orvane {
namespace {

using nlohmann::json;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;

std::string platformSuffix() {
    return std::string(runningMeasurementMethods().platform) == "Windows" ? "windows" : "linux";
}

TEST(ReportJsonWriter, ReferenceRunMatchesTheGoldenFileByteForByte) {
    const std::string text = writeReportJson(testing::referenceRun(), "");
    EXPECT_EQ(text, testing::goldenText("reference_report_" + platformSuffix() + ".json", text));
}

TEST(ReportJsonWriter, NumberAndTextFormsOfTheReferenceRun) {
    const std::string text = writeReportJson(testing::referenceRun(), "");
    EXPECT_THAT(text, HasSubstr("\"value\": 5.0,"));
    EXPECT_THAT(text, HasSubstr("\"value\": 0.1234,"));
    EXPECT_THAT(text, HasSubstr("\"value\": 123.456789,"));  // six-decimal rounding first
    EXPECT_THAT(text, HasSubstr("\"p95ms\": 0.0,"));
    EXPECT_THAT(text, HasSubstr("\"note\": \"Tab\\there and \\u0001 control\""));
    EXPECT_THAT(text, HasSubstr("\"label\": \"Fast \xC3\x9CSB\""));  // UTF-8, not escaped
    EXPECT_THAT(text, HasSubstr("\"modelGB\": 6.6,"));
    EXPECT_THAT(text, HasSubstr("\n  \"schemaVersion\": 1,\n"));
    EXPECT_THAT(text, EndsWith("}\n"));
    EXPECT_THAT(text, Not(HasSubstr("\r")));
}

TEST(ReportJsonWriter, RawStageEscapesControlBytesOnly) {
    EXPECT_EQ(jsonStringLiteral(std::string("a\t\n\r\"\\\x1B\x01\x7F\xC3\xA9", 11)),
              "\"a\\t\\n\\r\\\"\\\\\\u001b\\u0001\x7F\xC3\xA9\"");
    EXPECT_EQ(jsonStringLiteral(std::string(1, '\0')), "\"\\u0000\"");
    EXPECT_EQ(jsonStringLiteral(""), "\"\"");
}

TEST(ReportJsonWriter, EveryReportImportsAgainWithTheRunsFigures) {
    RunResult run = testing::referenceRun();
    for (const char* status : {"Completed", "Failed", "Cancelled", "Cleanup warning"}) {
        run.status = *runStatusFromText(status);
        for (const double modelGB : {0.0, 0.1, 6.6, 1000.0, 1000.5}) {
            run.options.modelGB = modelGB;
            const std::string text = writeReportJson(run, "");
            SavedReport report;
            ASSERT_NO_THROW(report = importReport(text, "")) << status << " " << modelGB;
            EXPECT_EQ(report.platform, runningMeasurementMethods().platform);
            EXPECT_EQ(report.timestampUtc, run.timestampUtc);
            EXPECT_EQ(report.scratchFolder, toUtf8(run.scratchFolder.native()));
            EXPECT_EQ(report.totalBytes, static_cast<double>(run.volume.totalBytes));
            EXPECT_EQ(report.freeBytesBefore, static_cast<double>(run.volume.freeBytesBefore));
            EXPECT_EQ(report.allocationUnitBytes,
                      static_cast<double>(run.volume.allocationUnitBytes));
            EXPECT_EQ(report.sequentialWrite, 5.0);
            EXPECT_EQ(report.sequentialRead, 250.0);
            EXPECT_EQ(report.randomRead, 2345.678);
            EXPECT_EQ(report.randomWrite, 345.5);
            EXPECT_EQ(report.randomWriteP99, 8.0);
            EXPECT_EQ(report.smallFileWrite, 150.0);
            EXPECT_EQ(report.status, status);
            const json& document = *report.document;
            ASSERT_EQ(document.at("metrics").size(), run.metrics.size());
            for (std::size_t i = 0; i < run.metrics.size(); ++i) {
                EXPECT_EQ(document["metrics"][i]["id"], run.metrics[i].id);
                EXPECT_EQ(document["metrics"][i]["note"], run.metrics[i].note);
                EXPECT_EQ(document["metrics"][i]["operations"], run.metrics[i].operations);
            }
            EXPECT_EQ(document.at("folder"), toUtf8(run.options.folder.native()));
            EXPECT_EQ(document.at("testBytes"), run.options.testBytes);
            EXPECT_EQ(document.at("bytesWritten"), run.bytesWritten);
            EXPECT_EQ(document.at("modelGB"), modelGB);
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
