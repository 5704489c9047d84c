// The texts written from results: the report's JSON and CSV, the full check's files and the
// comparison, against golden files where the layout is pinned.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <functional>
#include <limits>

#include "engine/measurement_methods.h"
#include "platform/text_encoding.h"
#include "reports/comparison_text.h"
#include "reports/full_check_report.h"
#include "reports/report_csv_writer.h"
#include "reports/report_import.h"
#include "reports/report_json_writer.h"
#include "reports/report_raw_text.h"
#include "reports/suitability.h"
#include "tests/support/message_of.h"
#include "tests/support/sample_reports.h"
#include "tests/support/temp_folder.h"

namespace orvane {
namespace {

using nlohmann::json;
constexpr std::uint64_t kM = 1048576;

// The golden file's text; with ORVANE_UPDATE_GOLDEN set, writes actual there first.
std::string goldenText(const std::string& name, const std::string& actual) {
    const auto path = testing::sourceTree() / "tests" / "reports" / "golden" / name;
    if (std::getenv("ORVANE_UPDATE_GOLDEN") != nullptr)
        testing::writeWholeFile(path, actual);
    return testing::readWholeFile(path);
}

// A complete run with eight metrics, a label, awkward texts and numbers that show the number
// forms (5.0, 0.1234, a latency below 0.0000005).
RunResult referenceRun() {
    RunResult run;
    run.options.folder = std::filesystem::path(fromUtf8("E:\\Models\\Test \"A\""));
    run.options.testBytes = 268435456;
    run.options.randomSecondsPerPhase = 2.5;
    run.options.smallFiles = 50;
    run.options.modelGB = 6.6;
    run.options.profile = "Quick";
    run.volume.root = fromUtf8("E:\\");
    run.volume.label = fromUtf8("Fast \xC3\x9CSB");
    run.volume.filesystem = fromUtf8("exFAT");
    run.volume.type = fromUtf8("Removable");
    run.volume.freeBytesBefore = 100000000000ull;
    run.volume.totalBytes = 128000000000ull;
    run.volume.logicalSectorBytes = 512;
    run.volume.allocationUnitBytes = 131072;
    run.timestampUtc = "2025-01-31T18:04:05Z";
    run.status = RunStatus::kCompleted;
    run.assessment = "Good storage candidate.";
    run.scratchFolder = std::filesystem::path(
        fromUtf8("E:\\Models\\.orvane-varnolt-0123456789abcdef0123456789abcdef"));
    run.verified = run.cleaned = true;
    run.bytesWritten = 272629760;
    run.elapsedSeconds = 41.25;
    const char* quarter = "Diagnostic window, not a sustained cache-exhaustion test.";
    // id, name, unit, note, value, p50, p95, p99, max ms, operations, bytes, seconds
    // clang-format off
    run.metrics = {
        {"sequential_write", "Sequential write / 1 MiB", "MiB/s", "", 5.0, 0, 0, 0, 0, 0, 268435456, 51.2},
        {"write_first_quarter", "Write / first quarter", "MiB/s", quarter, 0.1234, 0, 0, 0, 0, 0, 0, 0},
        {"write_last_quarter", "Write / last quarter", "MiB/s", quarter, 123.4567891, 0, 0, 0, 0, 0, 0, 0},
        {"sequential_read", "Sequential read / 1 MiB", "MiB/s", "", 250.0, 0, 0, 0, 0, 0, 268435456, 1.024},
        {"random_read", "Random read / 4 KiB QD1", "IOPS", "Tab\there and \x01 control", 2345.678, 0.41, 0.0000004, 1.5, 12.25, 5864, 24018944, 2.5},
        {"random_write", "Random write / 4 KiB QD1", "IOPS", "", 345.5, 0, 0, 8.0, 0, 864, 0, 0},
        {"small_file_write", "Small file create + flush / 16 KiB", "files/s", "Quote \" comma , line\nbreak", 150.0, 0, 0, 0, 0, 50, 0, 0},
        {"small_file_read", "Small file read / 16 KiB (warm)", "files/s", "", 9000.125, 0, 0, 0, 0, 50, 0, 0}};
    // clang-format on
    return run;
}

TEST(ReportWriters, ReferenceRunMatchesTheGoldenFilesByteForByte) {
    const bool windows = std::string(runningMeasurementMethods().platform) == "Windows";
    const std::string name = windows ? "reference_report_windows." : "reference_report_linux.";
    const std::string text = writeReportJson(referenceRun(), "");
    EXPECT_EQ(text, goldenText(name + "json", text));
    const std::string csv = writeReportCsv(referenceRun());
    EXPECT_EQ(csv, goldenText(name + "csv", csv));
    EXPECT_EQ(jsonStringLiteral(std::string("a\t\n\r\"\\\x1B\x01\x7F\xC3\xA9\0", 12)),
              "\"a\\t\\n\\r\\\"\\\\\\u001b\\u0001\x7F\xC3\xA9\\u0000\"");
}

// Every status and size written loads again; an invalid size gets the fixed reason, no estimate.
TEST(ReportJsonWriter, EveryStatusAndSizeImportsAgain) {
    const std::string invalid =
        "Invalid original model size; model-fit and model-read guidance are unavailable. Correct "
        "the model size and retest.";
    RunResult run = referenceRun();
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
    run.status = RunStatus::kCompleted;
    run.options.modelGB = 6.6;
    run.metrics.erase(run.metrics.begin() + 3);  // sequential_read: no estimate
    EXPECT_TRUE(json::parse(writeReportJson(run, ""))["estimatedModelReadSeconds"].is_null());
    run.metrics.clear();
    EXPECT_NE(writeReportJson(run, "").find("\"metrics\": [],"), std::string::npos);
}

// Figures the import refuses are not written; what the library refuses keeps its errors.
TEST(ReportJsonWriter, RunsTheImportRefusesAreNotWritten) {
    const auto message = [](const std::function<void(RunResult&)>& change) {
        RunResult run = referenceRun();
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

FullCheckResult wrappedDrive() {
    FullCheckResult result;
    result.status = RunStatus::kCompleted;
    result.filledBytes = 8 * kM;
    result.tally = {2 * kM, 5 * kM, kM, 0, 0};
    result.firstBadPosition = 0;
    result.write.cacheBytes = 4 * kM;
    for (std::uint64_t i = 0; i < 8; ++i) {
        result.writeCurve.push_back({i * kM, kM, i < 4 ? 0.01 : 0.1});
        result.readCurve.push_back({i * kM, kM, 0.02});
    }
    result.verdict = "Lost <data> & more";
    return result;
}

// The golden files pin the tally, the curves, the plot's scales and the escaped verdict.
TEST(FullCheckReport, WrappedDriveMatchesTheGoldenFiles) {
    json report = json::parse(writeFullCheckJson(wrappedDrive()));
    EXPECT_EQ(report.at("platform"), runningMeasurementMethods().platform);
    report.erase("platform");
    EXPECT_EQ(report.dump(2), goldenText("full_check.json", report.dump(2)));
    const std::string svg = writeFullCheckSvg(wrappedDrive());
    EXPECT_EQ(svg, goldenText("full_check.svg", svg));
}

TEST(FullCheckReport, NoCliffWithoutACacheAndLongVerdictsBreakAtSpaces) {
    FullCheckResult result = wrappedDrive();
    result.firstBadPosition.reset();
    result.write.cacheBytes.reset();
    const auto plain = json::parse(writeFullCheckJson(result));
    EXPECT_TRUE(plain.at("firstBadPosition").is_null() && plain.at("cacheBytes").is_null());
    // Lines of at most 100 characters.
    const std::string fits = std::string(50, 'a') + " " + std::string(49, 'b');
    const std::string tail = std::string(60, 'c');
    result.verdict = fits + " " + tail;
    const std::string wrapped = writeFullCheckSvg(result);
    EXPECT_NE(wrapped.find(">" + fits + "</text>"), std::string::npos);
    EXPECT_NE(wrapped.find(">" + tail + "</text>"), std::string::npos);
    EXPECT_EQ(wrapped.find("write cache ends"), std::string::npos);
    result.verdict = std::string(96, 'd') + " 1.1 GB: e";
    EXPECT_NE(writeFullCheckSvg(result).find(">1.1 GB: e</text>"), std::string::npos);
    EXPECT_EQ(besideReport("d/check.json", ".csv"), std::filesystem::path("d/check.csv"));
    EXPECT_EQ(besideReport("d/check", ".svg"), std::filesystem::path("d/check.svg"));
}

// The titles (none past the last column), then each sample's row and details, ranked for a
// 6.6 GB model: the golden file pins the layout, the "--" of unknown figures, a saved path and
// the error line of a failed run.
TEST(ComparisonText, SamplesMatchTheGoldenFile) {
    std::string text;
    for (int column = 0; column <= kReportColumnCount; ++column)
        text += std::string(comparisonColumnTitle(static_cast<ReportColumn>(column))) + "|";
    std::vector<SavedReport> reports = testing::loadSampleReports();
    reports[2].filePath = "stick.json";
    // A metric without name, unit or percentiles shows its id and zeros; no modelGB shows 0.
    json document = *reports[1].document;
    for (const char* key : {"name", "unit", "p50ms", "maxms"})
        document.at("metrics").at(0).erase(key);
    document.erase("modelGB");
    document.erase("error");
    reports.push_back(importReport(document.dump(), "Sparse"));
    reevaluateForModelSize(reports, 6.6, "Windows", {});
    for (const SavedReport& report : reports) {
        text += "\n";
        for (int column = 0; column < kReportColumnCount; ++column)
            text += comparisonCellText(report, static_cast<ReportColumn>(column)) + "|";
        const std::string details = reportDetailsText(report, 70.0, "\n");
        text += "\n" + details + "\n";
        std::string crlf;
        for (const char c : details)
            crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        EXPECT_EQ(reportDetailsText(report, 70.0, "\r\n"), crlf);
    }
    EXPECT_EQ(text, goldenText("comparison.txt", text));
}

}  // namespace
}  // namespace orvane
