#include "tests/reports/report_fixtures.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "engine/measurement_methods.h"
#include "platform/text_encoding.h"
#include "tests/support/source_tree.h"
#include "tests/support/temp_folder.h"

namespace orvane::testing {

namespace {

Metric metric(const char* id, const char* name, const char* unit, double value) {
    Metric m;
    m.id = id;
    m.name = name;
    m.unit = unit;
    m.value = value;
    return m;
}

std::filesystem::path goldenFolder() {
    return sourceTree() / "tests" / "reports" / "golden";
}

}  // namespace

RunResult referenceRun() {
    RunResult run;
    run.options.folder = std::filesystem::path(fromUtf8("E:\\Models\\Test \"A\""));
    run.options.testBytes = 268435456;
    run.options.randomSecondsPerPhase = 2.5;
    run.options.smallFiles = 50;
    run.options.modelGB = 6.6;
    run.options.profile = "Quick";
    run.volume.root = fromUtf8("E:\\");
    run.volume.label = fromUtf8(
        "Fast \xC3\x9C"
        "SB");
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
    run.verified = true;
    run.cleaned = true;
    run.bytesWritten = 272629760;
    run.elapsedSeconds = 41.25;

    const char* quarterNote = "Diagnostic window, not a sustained cache-exhaustion test.";
    Metric write = metric("sequential_write", "Sequential write / 1 MiB", "MiB/s", 5.0);
    write.bytes = 268435456;
    write.seconds = 51.2;
    Metric first = metric("write_first_quarter", "Write / first quarter", "MiB/s", 0.1234);
    first.note = quarterNote;
    Metric last = metric("write_last_quarter", "Write / last quarter", "MiB/s", 123.4567891);
    last.note = quarterNote;
    Metric read = metric("sequential_read", "Sequential read / 1 MiB", "MiB/s", 250.0);
    read.bytes = 268435456;
    read.seconds = 1.024;
    Metric randomRead = metric("random_read", "Random read / 4 KiB QD1", "IOPS", 2345.678);
    randomRead.note = "Tab\there and \x01 control";
    randomRead.operations = 5864;
    randomRead.bytes = 24018944;
    randomRead.seconds = 2.5;
    randomRead.p50ms = 0.41;
    randomRead.p95ms = 0.0000004;
    randomRead.p99ms = 1.5;
    randomRead.maxms = 12.25;
    Metric randomWrite = metric("random_write", "Random write / 4 KiB QD1", "IOPS", 345.5);
    randomWrite.operations = 864;
    randomWrite.p99ms = 8.0;
    Metric smallWrite =
        metric("small_file_write", "Small file create + flush / 16 KiB", "files/s", 150.0);
    smallWrite.operations = 50;
    smallWrite.note = "Quote \" comma , line\nbreak";
    Metric smallRead =
        metric("small_file_read", "Small file read / 16 KiB (warm)", "files/s", 9000.125);
    smallRead.operations = 50;
    run.metrics = {write, first, last, read, randomRead, randomWrite, smallWrite, smallRead};
    return run;
}

nlohmann::json validReportDocument() {
    using nlohmann::json;
    json metrics = json::array();
    const struct {
        const char* id;
        double value;
    } figures[] = {{"sequential_write", 40.0},
                   {"sequential_read", 150.0},
                   {"random_read", 2000.0},
                   {"random_write", 300.0},
                   {"small_file_write", 150.0}};
    for (const auto& figure : figures) {
        metrics.push_back({{"id", figure.id},
                           {"name", std::string("Name of ") + figure.id},
                           {"value", figure.value},
                           {"unit", "MiB/s"},
                           {"operations", 10},
                           {"bytes", 4096},
                           {"seconds", 1.5},
                           {"p50ms", 0.5},
                           {"p95ms", 1.0},
                           {"p99ms", 8.0},
                           {"maxms", 20.0},
                           {"note", ""}});
    }
    return json{{"schemaVersion", 1},
                {"application", "Orvane Varnolt 1.1.1"},
                {"platform", "Windows"},
                {"timestampUtc", "2025-01-31T18:04:05Z"},
                {"cachePolicy", kWindowsMeasurementMethods.cachePolicy},
                {"writePolicy", kWindowsMeasurementMethods.writePolicy},
                {"status", "Completed"},
                {"folder", "E:\\Models"},
                {"scratchFolder", "E:\\Models\\.orvane-varnolt-00000000000000000000000000000000"},
                {"profile", "Standard"},
                {"testBytes", 1073741824},
                {"modelGB", 6.6},
                {"volume",
                 {{"root", "E:\\"},
                  {"label", "Stick"},
                  {"filesystem", "exFAT"},
                  {"type", "Removable"},
                  {"freeBytesBefore", 60000000000},
                  {"totalBytes", 64000000000},
                  {"logicalSectorBytes", 512},
                  {"allocationUnitBytes", 131072}}},
                {"verified", true},
                {"cleaned", true},
                {"metrics", metrics}};
}

SavedReport goodSavedReport() {
    SavedReport report;
    report.platform = kWindowsMeasurementMethods.platform;
    report.cachePolicy = kWindowsMeasurementMethods.cachePolicy;
    report.writePolicy = kWindowsMeasurementMethods.writePolicy;
    report.timestampUtc = "2025-01-31T18:04:05Z";
    report.scratchFolder = "E:\\.orvane-varnolt-0";
    report.status = "Completed";
    report.verified = true;
    report.cleaned = true;
    report.filesystem = "exFAT";
    report.totalBytes = 64e9;
    report.freeBytesBefore = 13.5e9;  // 9 GB model: 50% headroom
    report.sequentialRead = 9e9 / (60 * 1048576.0);
    report.sequentialWrite = 40;
    report.randomRead = 2000;
    report.randomWrite = 300;
    report.smallFileWrite = 150;
    report.randomWriteP99 = 8;
    return report;
}

std::string goldenText(const std::string& name, const std::string& actual) {
    const auto path = goldenFolder() / name;
    if (std::getenv("ORVANE_UPDATE_GOLDEN") != nullptr)
        writeWholeFile(path, actual);
    return readWholeFile(path);
}

}  // namespace orvane::testing
