#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/measurement_methods.h"
#include "reports/report_csv_writer.h"
#include "tests/reports/report_fixtures.h"

namespace orvane {
namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;

constexpr const char* kHeader =
    "timestamp_utc,status,platform,cache_policy,write_policy,folder,filesystem,test_bytes,"
    "verified,cleaned,metric,value,unit,operations,bytes,seconds,p50_ms,p95_ms,p99_ms,max_ms,"
    "note,allocation_unit_bytes\r\n";

TEST(ReportCsvWriter, ReferenceRunMatchesTheGoldenFileByteForByte) {
    const std::string text = writeReportCsv(testing::referenceRun());
    const std::string platform =
        std::string(runningMeasurementMethods().platform) == "Windows" ? "windows" : "linux";
    EXPECT_EQ(text, testing::goldenText("reference_report_" + platform + ".csv", text));
}

TEST(ReportCsvWriter, FieldForms) {
    RunResult run = testing::referenceRun();
    run.verified = true;
    run.cleaned = false;
    run.metrics.resize(1);
    run.metrics[0].name = "Say \"hi\", then\r\nleave";
    run.metrics[0].value = 2.5;
    run.metrics[0].operations = 0;
    run.metrics[0].note = "";
    const std::string text = writeReportCsv(run);
    EXPECT_THAT(text, HasSubstr(",268435456,1,0,\"Say \"\"hi\"\", then\r\nleave\",2.500000,"
                                "\"MiB/s\",0,268435456,51.200000,0.000000,"));
    EXPECT_THAT(text, EndsWith(",\"\",131072\r\n"));
    EXPECT_EQ(text.rfind(kHeader, 0), 0u);
}

TEST(ReportCsvWriter, RunWithoutMetricsIsTheHeaderAlone) {
    RunResult run = testing::referenceRun();
    run.metrics.clear();
    EXPECT_EQ(writeReportCsv(run), kHeader);
}

}  // namespace
}  // namespace orvane
