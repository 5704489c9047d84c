#include <gtest/gtest.h>

#include "reports/report_csv_writer.h"
#include "tests/reports/report_fixtures.h"

namespace orvane {
namespace {

constexpr const char* kHeader =
    "timestamp_utc,status,platform,cache_policy,write_policy,folder,filesystem,test_bytes,"
    "verified,cleaned,metric,value,unit,operations,bytes,seconds,p50_ms,p95_ms,p99_ms,max_ms,"
    "note,allocation_unit_bytes\r\n";

TEST(ReportCsvWriter, ReferenceRunMatchesTheGoldenFileByteForByte) {
    RunResult run = testing::referenceRun();
    const std::string text = writeReportCsv(run);
    EXPECT_EQ(text, testing::goldenText(testing::goldenName("csv"), text));
    run.metrics.clear();
    EXPECT_EQ(writeReportCsv(run), kHeader);
}

TEST(ReportCsvWriter, FieldForms) {
    RunResult run = testing::referenceRun();
    run.cleaned = false;
    run.metrics.resize(1);
    run.metrics[0].name = "Say \"hi\", then\r\nleave";
    run.metrics[0].value = 2.5;
    const std::string text = writeReportCsv(run);
    EXPECT_EQ(text.substr(text.find(",268435456,1,0,")),
              ",268435456,1,0,\"Say \"\"hi\"\", then\r\nleave\",2.500000,\"MiB/s\",0,268435456,"
              "51.200000,0.000000,0.000000,0.000000,0.000000,\"\",131072\r\n");
}

}  // namespace
}  // namespace orvane
