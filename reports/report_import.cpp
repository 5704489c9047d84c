#include "reports/report_import.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <fstream>
#include <limits>
#include <set>
#include <stdexcept>
#include <vector>

#include "platform/text_encoding.h"

namespace orvane {

using nlohmann::json;

namespace {

[[noreturn]] void refuse(const std::string& message) {
    throw std::runtime_error(message);
}

// Depth limit and duplicate keys, checked while parsing so a hostile text is refused early.
json parseReportText(const std::string& text) {
    std::vector<std::set<std::string>> keysOfOpenObjects;
    const json::parser_callback_t check = [&](int depth, json::parse_event_t event, json& parsed) {
        if (depth > kReportDepthLimit)
            refuse("JSON nesting exceeds 64 levels.");
        switch (event) {
            case json::parse_event_t::object_start:
                keysOfOpenObjects.emplace_back();
                break;
            case json::parse_event_t::object_end:
                keysOfOpenObjects.pop_back();
                break;
            case json::parse_event_t::key:
                if (!keysOfOpenObjects.back().insert(parsed.get_ref<const std::string&>()).second) {
                    refuse("Duplicate JSON key.");
                }
                break;
            default:
                break;
        }
        return true;
    };
    return json::parse(text, check, /*allow_exceptions=*/true, /*ignore_comments=*/false);
}

bool isNonNegativeFiniteNumber(const json& value) {
    if (value.is_number_unsigned())
        return true;
    if (value.is_number_integer())
        return value.get<std::int64_t>() >= 0;
    if (value.is_number_float()) {
        const double number = value.get<double>();
        return std::isfinite(number) && number >= 0.0;
    }
    return false;
}

double numberAsDouble(const json& value) {
    if (value.is_number_unsigned())
        return static_cast<double>(value.get<std::uint64_t>());
    if (value.is_number_integer())
        return static_cast<double>(value.get<std::int64_t>());
    return value.get<double>();
}

// A missing required key surfaces as the library's own "key '...' not found".
double requiredNumber(const json& container, const char* key) {
    const json& value = container.at(key);
    if (!isNonNegativeFiniteNumber(value))
        refuse(std::string("Invalid numeric field: ") + key);
    return numberAsDouble(value);
}

double optionalNumber(const json& container, const char* key) {
    if (!container.is_object())
        return 0.0;
    const auto found = container.find(key);
    if (found == container.end())
        return 0.0;
    if (!isNonNegativeFiniteNumber(*found))
        refuse(std::string("Invalid numeric field: ") + key);
    return numberAsDouble(*found);
}

bool isSchemaOne(const json& version) {
    if (version.is_number_unsigned())
        return version.get<std::uint64_t>() == 1;
    if (version.is_number_integer())
        return version.get<std::int64_t>() == 1;
    return false;  // 1.0 is not the schema's integer
}

const std::string& requiredString(const json& document, const char* key) {
    const json& value = document.at(key);
    if (!value.is_string())
        refuse(std::string("Invalid string field: ") + key);
    return value.get_ref<const std::string&>();
}

bool requiredBoolean(const json& document, const char* key) {
    const json& value = document.at(key);
    if (!value.is_boolean())
        refuse("Invalid boolean field.");
    return value.get<bool>();
}

const std::string& volumeText(const json& volume, const char* key) {
    const json& value = volume.at(key);
    if (!value.is_string())
        refuse("Invalid volume text.");
    return value.get_ref<const std::string&>();
}

void readMetrics(const json& metrics, SavedReport& report) {
    if (!metrics.is_array() || metrics.size() > kReportMetricLimit)
        refuse("Invalid metrics array.");
    std::set<std::string> seen;
    for (const json& metric : metrics) {
        if (!metric.is_object())
            refuse("Invalid workload ID.");
        const json& idValue = metric.at("id");
        if (!idValue.is_string())
            refuse("Invalid workload ID.");
        const std::string& id = idValue.get_ref<const std::string&>();
        if (!seen.insert(id).second)
            refuse("Duplicate workload ID.");

        const double value = requiredNumber(metric, "value");
        const double p99 = requiredNumber(metric, "p99ms");
        for (const char* key : {"p50ms", "p95ms", "maxms", "seconds", "operations", "bytes"}) {
            optionalNumber(metric, key);
        }
        for (const char* key : {"name", "unit"}) {
            const auto found = metric.find(key);
            if (found != metric.end() && !found->is_string())
                refuse("Invalid workload text.");
        }

        if (id == "sequential_read") {
            report.sequentialRead = value;
        } else if (id == "sequential_write") {
            report.sequentialWrite = value;
        } else if (id == "random_read") {
            report.randomRead = value;
        } else if (id == "random_write") {
            report.randomWrite = value;
            report.randomWriteP99 = p99;
        } else if (id == "small_file_write") {
            report.smallFileWrite = value;
        }
    }
}

std::string chooseDisplayName(const std::string& hint, const json& document,
                              const std::string& label) {
    if (!hint.empty())
        return hint;
    const auto own = document.find("displayName");
    if (own != document.end() && own->is_string() && !own->get_ref<const std::string&>().empty()) {
        return own->get<std::string>();
    }
    if (!label.empty())
        return label;
    return "Unnamed volume";
}

}  // namespace

SavedReport importReport(const std::string& text, const std::string& displayNameHint) {
    if (text.size() > kReportSizeLimit)
        refuse("Report exceeds 2 MiB.");
    json document = parseReportText(text);

    if (!document.is_object())
        refuse("Not a schema 1 Varnolt report.");
    if (!isSchemaOne(document.at("schemaVersion")))
        refuse("Not a schema 1 Varnolt report.");
    const json& application = document.at("application");
    if (!application.is_string() ||
        application.get_ref<const std::string&>().rfind("Orvane Varnolt", 0) != 0) {
        refuse("Not a schema 1 Varnolt report.");
    }

    for (const char* key : {"platform", "profile", "timestampUtc", "scratchFolder", "status",
                            "cachePolicy", "writePolicy"}) {
        requiredString(document, key);
    }
    const bool verified = requiredBoolean(document, "verified");
    const bool cleaned = requiredBoolean(document, "cleaned");

    const json& volume = document.at("volume");
    if (!volume.is_object())
        refuse("Invalid volume.");
    const std::string& label = volumeText(volume, "label");
    const std::string& filesystem = volumeText(volume, "filesystem");

    SavedReport report;
    const auto total = volume.find("totalBytes");
    if (total == volume.end() || !isNonNegativeFiniteNumber(*total)) {
        refuse("Invalid numeric field: totalBytes");
    }
    report.totalBytes = numberAsDouble(*total);
    report.freeBytesBefore = requiredNumber(volume, "freeBytesBefore");
    if (report.freeBytesBefore > report.totalBytes)
        refuse("Free space exceeds capacity.");
    report.allocationUnitBytes = optionalNumber(volume, "allocationUnitBytes");
    optionalNumber(document, "modelGB");

    readMetrics(document.at("metrics"), report);

    report.displayName = chooseDisplayName(displayNameHint, document, label);
    report.platform = document["platform"].get<std::string>();
    report.timestampUtc = document["timestampUtc"].get<std::string>();
    report.scratchFolder = document["scratchFolder"].get<std::string>();
    report.profile = document["profile"].get<std::string>();
    report.status = document["status"].get<std::string>();
    report.cachePolicy = document["cachePolicy"].get<std::string>();
    report.writePolicy = document["writePolicy"].get<std::string>();
    report.filesystem = filesystem;
    report.verified = verified;
    report.cleaned = cleaned;
    report.document = std::make_shared<const json>(std::move(document));
    return report;
}

SavedReport loadReportFile(const std::filesystem::path& path, bool preferDocumentName) {
    if (std::filesystem::file_size(path) > kReportSizeLimit)
        refuse("Report exceeds 2 MiB.");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        refuse("Cannot open report.");

    // Never more than one byte beyond the limit: a file that grew since the size query is then
    // refused by the import instead of being read whole.
    std::string text;
    char chunk[16384];
    while (text.size() <= kReportSizeLimit && in.read(chunk, sizeof chunk).gcount() > 0) {
        text.append(chunk, static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad())
        refuse("Cannot open report.");

    const std::string stem = toUtf8(path.stem().native());
    if (!preferDocumentName)
        return importReport(text, stem);
    SavedReport report = importReport(text, std::string());
    if (!report.document->contains("displayName"))
        report.displayName = stem;
    return report;
}

}  // namespace orvane
