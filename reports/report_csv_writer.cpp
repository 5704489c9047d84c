#include "reports/report_csv_writer.h"

#include <locale>
#include <sstream>

#include "engine/measurement_methods.h"
#include "platform/text_encoding.h"

namespace orvane {

namespace {

constexpr const char* kHeader =
    "timestamp_utc,status,platform,cache_policy,write_policy,folder,filesystem,test_bytes,"
    "verified,cleaned,metric,value,unit,operations,bytes,seconds,p50_ms,p95_ms,p99_ms,max_ms,"
    "note,allocation_unit_bytes";

// Quoted field: double quotes doubled, everything else (commas, line breaks) kept inside.
std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
    return out;
}

}  // namespace

std::string writeReportCsv(const RunResult& result) {
    const MeasurementMethods& methods = runningMeasurementMethods();
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out.setf(std::ios::fixed, std::ios::floatfield);
    out.precision(6);

    out << kHeader << "\r\n";
    // The run's context is the same on every line.
    std::ostringstream context;
    context.imbue(std::locale::classic());
    context << quoted(result.timestampUtc) << ',' << quoted(runStatusText(result.status)) << ','
            << quoted(methods.platform) << ',' << quoted(methods.cachePolicy) << ','
            << quoted(methods.writePolicy) << ',' << quoted(toUtf8(result.options.folder.native()))
            << ',' << quoted(toUtf8(result.volume.filesystem)) << ',' << result.options.testBytes
            << ',' << (result.verified ? '1' : '0') << ',' << (result.cleaned ? '1' : '0');
    const std::string contextColumns = context.str();

    for (const Metric& metric : result.metrics) {
        out << contextColumns << ',' << quoted(metric.name) << ',' << metric.value << ','
            << quoted(metric.unit) << ',' << metric.operations << ',' << metric.bytes << ','
            << metric.seconds << ',' << metric.p50ms << ',' << metric.p95ms << ',' << metric.p99ms
            << ',' << metric.maxms << ',' << quoted(metric.note) << ','
            << result.volume.allocationUnitBytes << "\r\n";
    }
    return out.str();
}

}  // namespace orvane
