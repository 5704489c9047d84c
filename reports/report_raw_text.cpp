#include "reports/report_raw_text.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <locale>
#include <sstream>

#include "engine/measurement_methods.h"
#include "engine/model_size_range.h"
#include "platform/byte_units.h"
#include "platform/text_encoding.h"

namespace orvane {

namespace {

std::string quoted(const NativeString& text) {
    return jsonStringLiteral(toUtf8(text));
}

// Read rate of the last sequential_read metric, 0 when there is none.
double lastSequentialRead(const RunResult& result) {
    double rate = 0.0;
    for (const Metric& metric : result.metrics) {
        if (metric.id == metric_id::kSequentialRead)
            rate = metric.value;
    }
    return rate;
}

void writeVolume(std::ostream& out, const VolumeInfo& volume) {
    out << "{\"root\": " << quoted(volume.root) << ", \"label\": " << quoted(volume.label)
        << ", \"filesystem\": " << quoted(volume.filesystem)
        << ", \"type\": " << quoted(volume.type)
        << ", \"freeBytesBefore\": " << volume.freeBytesBefore
        << ", \"totalBytes\": " << volume.totalBytes
        << ", \"logicalSectorBytes\": " << volume.logicalSectorBytes
        << ", \"allocationUnitBytes\": " << volume.allocationUnitBytes << "}";
}

void writeMetric(std::ostream& out, const Metric& metric) {
    out << "    {\"id\": " << jsonStringLiteral(metric.id)
        << ", \"name\": " << jsonStringLiteral(metric.name) << ", \"value\": " << metric.value
        << ", \"unit\": " << jsonStringLiteral(metric.unit)
        << ", \"operations\": " << metric.operations << ", \"bytes\": " << metric.bytes
        << ", \"seconds\": " << metric.seconds << ", \"p50ms\": " << metric.p50ms
        << ", \"p95ms\": " << metric.p95ms << ", \"p99ms\": " << metric.p99ms
        << ", \"maxms\": " << metric.maxms << ", \"note\": " << jsonStringLiteral(metric.note)
        << "}";
}

}  // namespace

std::string jsonStringLiteral(const std::string& text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            default:
                if (byte < 0x20) {
                    out += "\\u00";
                    out += kHex[byte >> 4];
                    out += kHex[byte & 0xF];
                } else {
                    out += c;
                }
        }
    }
    out += '"';
    return out;
}

bool isValidModelSize(double modelGB) {
    return isRunModelSize(modelGB);
}

std::string composeRawReportText(const RunResult& result) {
    const MeasurementMethods& methods = runningMeasurementMethods();
    const RunOptions& options = result.options;

    std::ostringstream out;
    out.imbue(std::locale::classic());
    out.setf(std::ios::fixed, std::ios::floatfield);
    out.precision(6);

    out << "{\n  \"schemaVersion\": 1,\n  \"application\": \"Orvane Varnolt 1.1.1\",\n"
           "  \"platform\": "
        << jsonStringLiteral(methods.platform);
    const auto field = [&out](const char* key) -> std::ostream& {
        return out << ",\n  \"" << key << "\": ";
    };
    field("timestampUtc") << jsonStringLiteral(result.timestampUtc);
    field("cachePolicy") << jsonStringLiteral(methods.cachePolicy);
    field("writePolicy") << jsonStringLiteral(methods.writePolicy);
    field("status") << jsonStringLiteral(runStatusText(result.status));
    field("folder") << quoted(options.folder.native());
    field("scratchFolder") << quoted(result.scratchFolder.native());
    field("profile") << jsonStringLiteral(options.profile);
    field("testBytes") << options.testBytes;
    field("randomSecondsPerPhase") << options.randomSecondsPerPhase;
    field("smallFiles") << options.smallFiles;
    // Shortest form that reads back to the same double; a non-finite size becomes null.
    field("modelGB") << nlohmann::json(options.modelGB).dump();
    field("volume");
    writeVolume(out, result.volume);
    field("verified") << (result.verified ? "true" : "false");
    field("cleaned") << (result.cleaned ? "true" : "false");
    field("bytesWritten") << result.bytesWritten;
    field("elapsedSeconds") << result.elapsedSeconds;
    field("error") << jsonStringLiteral(result.error);
    field("assessment") << jsonStringLiteral(result.assessment);

    out << ",\n  \"limitations\": \"File-based QD1 test. ";
    // The policy texts are plain ASCII without quotes; the escaper keeps that true if they change.
    const std::string policies = std::string(methods.cachePolicy) + " " + methods.writePolicy;
    const std::string escaped = jsonStringLiteral(policies);
    out << escaped.substr(1, escaped.size() - 2);
    out << " Not a full-capacity, endurance, power-loss or AI inference test. Random payload "
           "repeats every MiB with unique address tags. Estimates exclude engine initialization "
           "and GPU transfer.\",\n  \"metrics\": [\n";
    for (std::size_t i = 0; i < result.metrics.size(); ++i) {
        if (i > 0)
            out << ",\n";
        writeMetric(out, result.metrics[i]);
    }
    out << "\n  ],\n  \"estimatedModelReadSeconds\": ";

    const double readRate = lastSequentialRead(result);
    if (readRate > 0.0 && result.status == RunStatus::kCompleted &&
        isValidModelSize(options.modelGB)) {
        out << options.modelGB * 1e9 / (readRate * static_cast<double>(kMiB));
    } else {
        out << "null";
    }
    out << "\n}\n";
    return out.str();
}

}  // namespace orvane
