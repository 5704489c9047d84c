#include "tests/reports/report_fixtures.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "engine/measurement_methods.h"
#include "platform/text_encoding.h"
#include "tests/support/source_tree.h"
#include "tests/support/temp_folder.h"

namespace orvane::testing {

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

nlohmann::json validReportDocument() {
    nlohmann::json document = nlohmann::json::parse(R"({"schemaVersion": 1,
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
        nlohmann::json metric = nlohmann::json::parse(R"({"unit": "MiB/s", "operations": 10,
            "bytes": 4096, "seconds": 1.5, "p50ms": 0.5, "p95ms": 1.0, "p99ms": 8.0,
            "maxms": 20.0, "note": ""})");
        metric["id"] = id;
        metric["name"] = "Name of " + id;
        metric["value"] = value;
        document["metrics"].push_back(metric);
    }
    return document;
}

std::string goldenText(const std::string& name, const std::string& actual) {
    const auto path = sourceTree() / "tests" / "reports" / "golden" / name;
    if (std::getenv("ORVANE_UPDATE_GOLDEN") != nullptr)
        writeWholeFile(path, actual);
    return readWholeFile(path);
}

std::string goldenName(const std::string& extension) {
    const bool windows = std::string(runningMeasurementMethods().platform) == "Windows";
    return std::string("reference_report_") + (windows ? "windows." : "linux.") + extension;
}

}  // namespace orvane::testing
