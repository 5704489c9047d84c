// Importing, rating and ranking a results folder's worth of realistic reports.

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "engine/measurement_methods.h"
#include "platform/text_encoding.h"
#include "reports/report_import.h"
#include "reports/report_json_writer.h"
#include "reports/report_ranking.h"
#include "reports/suitability.h"

namespace {

constexpr int kReportCount = 1000;

orvane::Metric metric(const char* id, const char* name, const char* unit, double value,
                      double p99) {
    orvane::Metric m;
    m.id = id;
    m.name = name;
    m.unit = unit;
    m.value = value;
    m.p50ms = p99 / 4;
    m.p95ms = p99 / 2;
    m.p99ms = p99;
    m.maxms = p99 * 3;
    m.operations = 20000;
    m.bytes = 81920000;
    m.seconds = 8.0;
    return m;
}

// Reports as the writer makes them: drives from slow SD cards to NVMe, some failed or
// cancelled, a few with metrics missing, timestamps over two years.
const std::vector<std::string>& reportTexts() {
    static const std::vector<std::string> texts = [] {
        std::mt19937 random(42);
        std::uniform_real_distribution<double> scale(0.05, 1.0);
        const char* statuses[] = {"Completed",       "Completed", "Completed",
                                  "Completed",       "Completed", "Completed",
                                  "Cleanup warning", "Failed",    "Cancelled"};
        const char* filesystems[] = {"NTFS", "exFAT", "FAT32"};
        std::vector<std::string> out;
        for (int i = 0; i < kReportCount; ++i) {
            orvane::RunResult run;
            run.options.folder = orvane::fromUtf8("E:\\Models\\run " + std::to_string(i));
            run.options.modelGB = 6.6;
            run.volume.root = orvane::fromUtf8("E:\\");
            run.volume.label = orvane::fromUtf8("Drive " + std::to_string(i % 37));
            run.volume.filesystem = orvane::fromUtf8(filesystems[i % 3]);
            run.volume.type = orvane::fromUtf8("Removable");
            run.volume.totalBytes = 32000000000ull << (i % 6);
            run.volume.freeBytesBefore = static_cast<std::uint64_t>(
                static_cast<double>(run.volume.totalBytes) * scale(random));
            run.volume.logicalSectorBytes = 512;
            run.volume.allocationUnitBytes = 4096u << (i % 6);
            run.timestampUtc = "202" + std::to_string(4 + i % 2) + "-" + (i % 12 < 9 ? "0" : "") +
                               std::to_string(i % 12 + 1) + "-1" + std::to_string(i % 10) + "T1" +
                               std::to_string(i % 10) + ":04:05Z";
            run.status = *orvane::runStatusFromText(statuses[i % 9]);
            run.verified = run.status == orvane::RunStatus::kCompleted;
            run.cleaned = i % 17 != 0;
            run.scratchFolder = orvane::fromUtf8("E:\\.orvane-varnolt-" + std::to_string(i));
            const double speed = scale(random);
            run.metrics = {
                metric("sequential_write", "Sequential write / 1 MiB", "MiB/s", 2000 * speed, 0),
                metric("write_first_quarter", "Write / first quarter", "MiB/s", 2100 * speed, 0),
                metric("write_last_quarter", "Write / last quarter", "MiB/s", 1500 * speed, 0),
                metric("sequential_read", "Sequential read / 1 MiB", "MiB/s", 3000 * speed, 0),
                metric("random_read", "Random read / 4 KiB QD1", "IOPS", 12000 * speed, 0.9),
                metric("random_write", "Random write / 4 KiB QD1", "IOPS", 4000 * speed, 4 / speed),
                metric("small_file_write", "Small file create + flush / 16 KiB", "files/s",
                       900 * speed, 0),
                metric("small_file_read", "Small file read / 16 KiB (warm)", "files/s",
                       20000 * speed, 0)};
            if (i % 23 == 0)
                run.metrics.resize(3);
            out.push_back(orvane::writeReportJson(run, ""));
        }
        return out;
    }();
    return texts;
}

std::vector<orvane::SavedReport> importAll() {
    std::vector<orvane::SavedReport> reports;
    reports.reserve(reportTexts().size());
    for (const std::string& text : reportTexts()) {
        orvane::addOrReplaceReport(reports, orvane::importReport(text, ""));
    }
    return reports;
}

void ImportRateAndRank(benchmark::State& state) {
    const auto column = static_cast<orvane::ReportColumn>(state.range(0));
    for (auto _ : state) {
        std::vector<orvane::SavedReport> reports = importAll();
        orvane::reevaluateForModelSize(reports, 6.6, orvane::runningMeasurementMethods().platform,
                                       {column, true});
        benchmark::DoNotOptimize(reports.data());
    }
    state.SetItemsProcessed(state.iterations() * kReportCount);
}
BENCHMARK(ImportRateAndRank)
    ->Arg(static_cast<int>(orvane::ReportColumn::Rank))
    ->Arg(static_cast<int>(orvane::ReportColumn::TestedUtc))
    ->Unit(benchmark::kMillisecond);

void Import(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(importAll().data());
    state.SetItemsProcessed(state.iterations() * kReportCount);
}
BENCHMARK(Import)->Unit(benchmark::kMillisecond);

void RateAndRank(benchmark::State& state) {
    const std::vector<orvane::SavedReport> imported = importAll();
    const auto column = static_cast<orvane::ReportColumn>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<orvane::SavedReport> reports = imported;
        state.ResumeTiming();
        orvane::reevaluateForModelSize(reports, 12.0, orvane::runningMeasurementMethods().platform,
                                       {column, false});
        benchmark::DoNotOptimize(reports.data());
    }
    state.SetItemsProcessed(state.iterations() * kReportCount);
}
BENCHMARK(RateAndRank)
    ->Arg(static_cast<int>(orvane::ReportColumn::Rank))
    ->Arg(static_cast<int>(orvane::ReportColumn::TestedUtc))
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
