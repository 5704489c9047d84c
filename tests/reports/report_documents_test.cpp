// Report documents: the texts written from results (the report's JSON and CSV, the full check's
// files and the comparison) against golden files, importing a saved report and refusing the ones
// that are not, and rating what was imported.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cmath>
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
using Change = std::function<void(json&)>;
using Text = std::function<std::string()>;

// A valid schema 1 document as written on Windows, for mutating one field at a time.
json validReportDocument() {
    json document = json::parse(R"({"schemaVersion": 1,
        "application": "Orvane Varnolt 1.1.1", "platform": "Windows",
        "timestampUtc": "2025-01-31T18:04:05Z", "status": "Completed", "folder": "E:\\Models",
        "scratchFolder": "E:\\Models\\.orvane-varnolt-00000000000000000000000000000000",
        "profile": "Standard", "testBytes": 1073741824, "modelGB": 6.6, "verified": true,
        "cleaned": true, "volume": {"root": "E:\\", "label": "Stick", "filesystem": "exFAT",
        "type": "Removable", "freeBytesBefore": 60000000000, "totalBytes": 64000000000,
        "logicalSectorBytes": 512, "allocationUnitBytes": 131072}, "metrics": []})");
    document["schemaVersion"] = 1;  // a signed integer, as a writer's int makes it
    document["cachePolicy"] = kWindowsMeasurementMethods.cachePolicy;
    document["writePolicy"] = kWindowsMeasurementMethods.writePolicy;
    // clang-format off
    const std::pair<std::string, double> rates[] = {{"sequential_write", 40.0}, {"sequential_read", 150.0},
        {"random_read", 2000.0}, {"random_write", 300.0}, {"small_file_write", 150.0}};
    // clang-format on
    for (const auto& [id, value] : rates) {
        json metric = json::parse(R"({"unit": "MiB/s", "operations": 10,
            "bytes": 4096, "seconds": 1.5, "p50ms": 0.5, "p95ms": 1.0, "p99ms": 8.0,
            "maxms": 20.0, "note": ""})");
        metric["id"] = id;
        metric["name"] = "Name of " + id;
        metric["value"] = value;
        document["metrics"].push_back(metric);
    }
    return document;
}

Text edited(const Change& change) {
    return [change] {
        json document = validReportDocument();
        change(document);
        return document.dump();
    };
}

// The valid document's text with `add` inserted after the first `at`.
Text inserted(const std::string& at, const std::string& add) {
    return [at, add] {
        std::string text = validReportDocument().dump();
        return text.insert(text.find(at) + at.size(), add);
    };
}

// An extra key holding n nested arrays around a number: 63 put it at depth 64.
Text nested(std::size_t n) {
    return inserted("{", "\"deep\":" + std::string(n, '[') + "0" + std::string(n, ']') + ",");
}

Text padded(std::size_t size) {
    return [size] {
        const std::string text = validReportDocument().dump();
        return text + std::string(size - text.size(), ' ');
    };
}

TEST(ReportImport, ValidDocumentFillsTheRecord) {
    const SavedReport r = importReport(validReportDocument().dump(), "");
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
}

json metricsOfCount(int count) {
    json metrics = json::array();
    for (int i = 0; i < count; ++i)
        metrics.push_back({{"id", "m" + std::to_string(i)}, {"value", i}, {"p99ms", 0}});
    return metrics;
}

// A text, "accepted" or the refusal it must give: the runtime error's message, or which of the
// library's own errors it was (the library's refusals keep its exception types).
struct ImportCase {
    const char* name;
    Text text;
    const char* message;
};

constexpr const char* kNotAReport = "Not a schema 1 Varnolt report.";
constexpr const char* kMissing = "out_of_range";
constexpr const char* kTwice = "Duplicate JSON key.";

TEST(ReportImport, EachRuleFiresWithItsOwnMessage) {
    // clang-format off
    const ImportCase cases[] = {
    {"SizeAboveLimit", padded(kReportSizeLimit + 1), "Report exceeds 2 MiB."},
    {"Depth64", nested(63), "accepted"},
    {"Depth65", nested(64), "JSON nesting exceeds 64 levels."},
    // Keys repeat across objects freely (every metric has an "id"), never within one, whatever their spelling.
    {"VolumeKeyTwice", inserted("\"volume\":{", "\"label\":\"x\","), kTwice},
    {"EscapedKeyTwice", inserted("{", "\"st\\u0061tus\":\"Completed\","), kTwice},
    {"Comment", [] { return std::string("{/*c*/}"); }, "parse_error"},
    {"Array", edited([](json& d) { d = json::array({1}); }), kNotAReport},
    {"SchemaReal", edited([](json& d) { d["schemaVersion"] = 1.0; }), kNotAReport},
    {"SchemaTwo", edited([](json& d) { d["schemaVersion"] = 2; }), kNotAReport},
    {"SchemaUnsigned", edited([](json& d) { d["schemaVersion"] = 1u; }), "accepted"},
    {"ApplicationLeadingBlank", edited([](json& d) { d["application"] = " Orvane Varnolt 1"; }), kNotAReport},
    {"PlatformNumber", edited([](json& d) { d["platform"] = 1; }), "Invalid string field: platform"},
    {"VerifiedText", edited([](json& d) { d["verified"] = "true"; }), "Invalid boolean field."},
    {"VolumeArray", edited([](json& d) { d["volume"] = json::array(); }), "Invalid volume."},
    {"LabelNumber", edited([](json& d) { d["volume"]["label"] = 3; }), "Invalid volume text."},
    {"TotalMissing", edited([](json& d) { d["volume"].erase("totalBytes"); }), "Invalid numeric field: totalBytes"},
    {"TotalNegative", edited([](json& d) { d["volume"]["totalBytes"] = -1; }), "Invalid numeric field: totalBytes"},
    {"FreeNegative", edited([](json& d) { d["volume"]["freeBytesBefore"] = -1.5; }), "Invalid numeric field: freeBytesBefore"},
    {"FreeEqualsCapacity", edited([](json& d) { d["volume"]["freeBytesBefore"] = 64000000000; }), "accepted"},
    {"FreeAboveCapacity", edited([](json& d) { d["volume"]["freeBytesBefore"] = 64000000001; }), "Free space exceeds capacity."},
    {"AllocationText", edited([](json& d) { d["volume"]["allocationUnitBytes"] = "4096"; }), "Invalid numeric field: allocationUnitBytes"},
    {"SixtyFourMetrics", edited([](json& d) { d["metrics"] = metricsOfCount(64); }), "accepted"},
    {"SixtyFiveMetrics", edited([](json& d) { d["metrics"] = metricsOfCount(65); }), "Invalid metrics array."},
    {"MetricNotObject", edited([](json& d) { d["metrics"][1] = 5; }), "Invalid workload ID."},
    {"MetricIdNumber", edited([](json& d) { d["metrics"][1]["id"] = 5; }), "Invalid workload ID."},
    {"MetricIdTwice", edited([](json& d) { d["metrics"][2]["id"] = "sequential_write"; }), "Duplicate workload ID."},
    {"NameNumber", edited([](json& d) { d["metrics"][0]["name"] = 1; }), "Invalid workload text."},
    // What the library refuses keeps the library's own exception type.
    {"NoSchema", edited([](json& d) { d.erase("schemaVersion"); }), kMissing},
};
    // clang-format on

    for (const ImportCase& c : cases) {
        std::string message = testing::messageOf([&] { importReport(c.text(), ""); });
        if (message.rfind("[json.exception.", 0) == 0)  // parse_error, out_of_range
            message = message.substr(16, message.find('.', 16) - 16);
        EXPECT_EQ(message, c.message) << c.name;
    }
}

TEST(ReportImport, DisplayNameComesFromHintDocumentFileOrFallback) {
    const auto named = [](const Change& change, const std::string& hint) {
        return importReport(edited(change)(), hint).displayName;
    };
    EXPECT_EQ(named([](json& d) { d["displayName"] = "Own"; }, "Hint"), "Hint");
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
}

using Adjust = std::function<void(SavedReport&)>;
constexpr double kModelGB = 9;                                     // 9e9 bytes
constexpr double kHundredMillionBytesPerSecond = 95.367431640625;  // MiB/s, exactly 1e8 B/s

// Good on every rule for a 9 GB model under Windows: read 57 s, ample space, fast rates, p99 8 ms.
SavedReport good() {
    return importReport(validReportDocument().dump(), "");
}

// One change to the good report, the level and the reasons it must give.
struct RatingCase {
    const char* name;
    Adjust change;
    double modelGB;
    int level;
    const char* reason;  // nullptr: the fixed suitable reason
    const char* running = "Windows";
};

void readRate(SavedReport& r) {
    r.sequentialRead = kHundredMillionBytesPerSecond;
    r.freeBytesBefore = r.totalBytes = 1e12;
}
// The report's platform and method texts; whether they match the running platform's.
Adjust methods(const char* platform, const char* cache, const char* write) {
    return [=](SavedReport& r) {
        r.platform = platform;
        r.cachePolicy = cache;
        r.writePolicy = write;
    };
}
constexpr const MeasurementMethods& w = kWindowsMeasurementMethods;
constexpr const MeasurementMethods& l = kLinuxMeasurementMethods;
const char* const kMacCache = "F_NOCACHE on the test file.";
const char* const kOtherMethods =
    "Different or unsupported platform/cache/flush methodology; measurements may not be directly "
    "comparable.";
const char* const kFat = "FAT32 single-file limit is 4,294,967,295 bytes.";
const char* const kFailed = "Failed or unverified test; retest before use.";
const char* const kSlowRead = "Estimated model read exceeds 90 seconds.";

TEST(Suitability, EachRuleFiresAloneAtItsBoundary) {
    // clang-format off
    const RatingCase cases[] = {
    {"Good", [](SavedReport&) {}, kModelGB, 0, nullptr},
    {"Failed", [](SavedReport& r) { r.status = "Failed"; }, kModelGB, 2, kFailed},
    {"Unverified", [](SavedReport& r) { r.verified = false; }, kModelGB, 2, kFailed},
    {"Cancelled", [](SavedReport& r) { r.status = "Cancelled"; }, kModelGB, 1, "Incomplete test; retest before drawing conclusions about the media."},
    {"NotCleaned", [](SavedReport& r) { r.cleaned = false; }, kModelGB, 1, "Cleanup incomplete."},
    {"NoCapacity", [](SavedReport& r) { r.totalBytes = 0; }, kModelGB, 1, "Capacity missing; model fit unknown."},
    {"ModelAboveFree", [](SavedReport& r) { r.freeBytesBefore = 9e9 - 1; }, kModelGB, 2, "Model exceeds recorded free space."},
    {"HeadroomExactly20Percent", [](SavedReport& r) { r.freeBytesBefore = kModelGB * 1e9 * 1.2; }, kModelGB, 0, nullptr},
    {"HeadroomOneByteShort", [](SavedReport& r) { r.freeBytesBefore = kModelGB * 1e9 * 1.2 - 1; }, kModelGB, 1, "Less than 20% additional free-space headroom."},
    {"Fat32FourGB", [](SavedReport& r) { r.filesystem = "FAT32"; }, 4, 0, nullptr},
    {"Fat32FiveGB", [](SavedReport& r) { r.filesystem = "FAT32"; }, 5, 2, kFat},
    {"ReadExactly90s", readRate, 9, 0, nullptr},
    {"ReadJustAbove90s", readRate, 9.001, 1, kSlowRead},
    {"ReadExactly300s", readRate, 30, 1, kSlowRead},
    {"ReadJustAbove300s", readRate, 30.001, 2, "Estimated model read exceeds 300 seconds."},
    {"RandomReadAtMinimum", [](SavedReport& r) { r.randomRead = 1500; }, kModelGB, 0, nullptr},
    {"RandomReadBelow", [](SavedReport& r) { r.randomRead = 845.125; }, kModelGB, 1, "Random read IOPS: 845.125 below 1500 (missing measurements cannot qualify)."},
    {"P99Exactly10", [](SavedReport& r) { r.randomWriteP99 = 10; }, kModelGB, 0, nullptr},
    {"P99Above10", [](SavedReport& r) { r.randomWriteP99 = 10.25; }, kModelGB, 1, "Durable random-write p99 10.25 ms exceeds 10 ms."},
    {"SequentialReadMissing", [](SavedReport& r) { r.sequentialRead = 0; }, kModelGB, 1, "Sequential read missing; estimate unknown."},
    {"LinuxOnLinux", methods("Linux", l.cachePolicy, l.writePolicy), kModelGB, 0, nullptr, "Linux"},
    {"MacOnMac", methods("macOS", kMacCache, "Writes followed by F_FULLFSYNC."), kModelGB, 0, nullptr, "macOS"},
    {"LinuxMethodsInWindowsReport", methods("Windows", l.cachePolicy, l.writePolicy), kModelGB, 1, kOtherMethods},
    {"WindowsWithoutFlush", methods("Windows", w.cachePolicy, "Large-file Windows write-through."), kModelGB, 1, kOtherMethods},
    {"LinuxWithoutDsync", methods("Linux", l.cachePolicy, "Small-file fsync."), kModelGB, 1, kOtherMethods, "Linux"},
    {"LinuxBuffered", methods("Linux", "Buffered.", l.writePolicy), kModelGB, 1, kOtherMethods, "Linux"},
    {"MacWithoutFullFsync", methods("macOS", kMacCache, "fsync"), kModelGB, 1, kOtherMethods, "macOS"},
    // Several reasons at once: all of them, in rule order, at the worst level.
    {"AllFourMinimumRates", [](SavedReport& r) { r.randomRead = r.randomWrite = r.sequentialWrite = r.smallFileWrite = r.randomWriteP99 = 0; }, kModelGB, 1,
     "Random read IOPS: 0 below 1500 (missing measurements cannot qualify). Random write IOPS: 0 below 200 (missing measurements cannot qualify). "
     "Sequential write MiB/s: 0 below 30 (missing measurements cannot qualify). Small writes files/s: 0 below 100 (missing measurements cannot qualify)."},
    {"FailedNotCleanedAndSlowP99", [](SavedReport& r) { r.status = "Failed"; r.cleaned = false; r.randomWriteP99 = 12; }, kModelGB, 2,
     "Failed or unverified test; retest before use. Cleanup incomplete. Durable random-write p99 12 ms exceeds 10 ms."},
};
    // clang-format on

    for (const RatingCase& c : cases) {
        SavedReport report = good();
        c.change(report);
        evaluateSuitability(report, c.modelGB, c.running);
        EXPECT_EQ(report.suitabilityLevel, c.level) << c.name;
        EXPECT_EQ(report.reason, c.reason ? std::string(c.reason) + " " : kSuitableReason)
            << c.name;
        EXPECT_EQ(report.rating, c.level == 0   ? "Suitable"
                                 : c.level == 1 ? "Caution"
                                                : "Not recommended")
            << c.name;
    }
}

// A size out of range changes no report: a recorded size is above 0 and at most 1000 GB, one
// entered to compare 0.1-1000 GB, checked before any report changes.
TEST(Suitability, SizeOutOfRangeChangesNoReportAndTheReadTimeIsKept) {
    std::vector<SavedReport> reports(3, good()), none;
    reports[2].status = "Failed";
    const auto recorded = [&](double size) {
        return testing::messageOf([&] { evaluateSuitability(reports[0], size, "Windows"); });
    };
    const auto entered = [&](std::vector<SavedReport>& list, double size) {
        return testing::messageOf([&] { reevaluateForModelSize(list, size, "Windows", {}); });
    };
    for (const double size : {0.0, 1000.0001})
        EXPECT_EQ(recorded(size), "Recorded model size must be positive and at most 1000 GB.");
    for (const double size : {0.09, 1000.5})
        EXPECT_EQ(entered(reports, size), "Model size must be 0.1-1000.0 GB.");
    EXPECT_EQ(reports[0].rating + reports[1].rating + reports[2].rating, "");
    // The ranges' ends are taken; an empty list takes any size.
    EXPECT_EQ(recorded(1000), "accepted");
    EXPECT_EQ(entered(none, 0.0) + entered(reports, 0.1) + entered(reports, 1000),
              "acceptedacceptedaccepted");
    entered(reports, kModelGB);
    EXPECT_EQ(reports[0].modelReadSeconds, 57.220458984375);  // 9e9 B at 150 MiB/s
    EXPECT_EQ(reports[0].rank + reports[2].rank, 4);
    EXPECT_EQ(reports[2].rating, "Not recommended");
}

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
            const json report = *importReport(writeReportJson(run, ""), "").document;
            const json& guidance = report.at("storageGuidance");
            const std::string rating = guidance.at("rating"), reason = guidance.at("reason");
            const bool valid = modelGB > 0 && modelGB <= 1000;
            const bool failed = run.status == RunStatus::kFailed;
            EXPECT_EQ(report.at("status"), status);
            EXPECT_EQ(guidance.at("modelGB"), modelGB);
            EXPECT_EQ(report.at("assessment"), rating + ": " + reason);
            EXPECT_EQ(reason == invalid, !valid) << status << " " << modelGB;
            EXPECT_TRUE(valid || rating == (failed ? "Not recommended" : "Caution")) << rating;
            EXPECT_EQ(report.at("estimatedModelReadSeconds").is_null(),
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
TEST(FullCheckReport, WrappedDriveMatchesTheGoldenFilesAndLongVerdictsBreakAtSpaces) {
    json report = json::parse(writeFullCheckJson(wrappedDrive()));
    EXPECT_EQ(report.at("platform"), runningMeasurementMethods().platform);
    report.erase("platform");
    EXPECT_EQ(report.dump(2), goldenText("full_check.json", report.dump(2)));
    const std::string svg = writeFullCheckSvg(wrappedDrive());
    EXPECT_EQ(svg, goldenText("full_check.svg", svg));
    // No cliff without a cache; long verdicts break at spaces.
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
