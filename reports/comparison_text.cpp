#include "reports/comparison_text.h"

#include <array>
#include <cmath>

#include <nlohmann/json.hpp>

#include "engine/number_text.h"
#include "platform/text_encoding.h"
#include "reports/suitability.h"

namespace orvane {

namespace {

constexpr std::array<const char*, kReportColumnCount> kTitles{
    "Rank",        "Drive / test", "Capacity",         "Allocation",        "Read MiB/s",
    "Write MiB/s", "Model read s", "Random read IOPS", "Random write IOPS", "Small writes /s",
    "Profile",     "Tested UTC"};

std::string documentText(const nlohmann::json& document, const char* key) {
    return document.at(key).get<std::string>();
}

// A number of the document, 0 when the key is absent.
double optionalNumber(const nlohmann::json& object, const char* key) {
    const auto found = object.find(key);
    return found == object.end() ? 0.0 : found->get<double>();
}

}  // namespace

const char* comparisonColumnTitle(ReportColumn column) {
    const auto index = static_cast<std::size_t>(column);
    return index < kTitles.size() ? kTitles[index] : "";
}

std::string comparisonCellText(const SavedReport& report, ReportColumn column) {
    switch (column) {
        case ReportColumn::Rank:
            return std::to_string(report.rank);
        case ReportColumn::DriveTest:
            return report.displayName + " - " + report.rating;
        case ReportColumn::Capacity:
            return fixedDecimalText(report.totalBytes / 1e9, 1) + " GB";
        case ReportColumn::Allocation:
            return report.allocationUnitBytes > 0
                       ? fixedDecimalText(report.allocationUnitBytes / 1024.0, 1) + " KiB"
                       : "--";
        case ReportColumn::ReadMiBs:
            return fixedDecimalText(report.sequentialRead, 1);
        case ReportColumn::WriteMiBs:
            return fixedDecimalText(report.sequentialWrite, 1);
        case ReportColumn::ModelReadSeconds:
            return std::isfinite(report.modelReadSeconds)
                       ? fixedDecimalText(report.modelReadSeconds, 1)
                       : "--";
        case ReportColumn::RandomReadIops:
            return fixedDecimalText(report.randomRead, 1);
        case ReportColumn::RandomWriteIops:
            return fixedDecimalText(report.randomWrite, 1);
        case ReportColumn::SmallWrites:
            return fixedDecimalText(report.smallFileWrite, 1);
        case ReportColumn::Profile:
            return documentText(*report.document, "profile");
        case ReportColumn::TestedUtc:
            return documentText(*report.document, "timestampUtc");
    }
    return {};
}

std::string reportDetailsText(const SavedReport& report, double comparisonModelGB,
                              const std::string& lineEnd) {
    const nlohmann::json& document = *report.document;
    const nlohmann::json& volume = document.at("volume");
    std::string text;
    text += report.displayName + " - " + report.rating + lineEnd;
    text += report.reason + lineEnd +
            "Original model: " + fixedDecimalText(optionalNumber(document, "modelGB"), 1) +
            " GB | Comparison: " + fixedDecimalText(comparisonModelGB, 1) + " GB | Model read: " +
            (std::isfinite(report.modelReadSeconds)
                 ? fixedDecimalText(report.modelReadSeconds, 1) + " s"
                 : std::string("unknown")) +
            lineEnd;
    text += documentText(document, "platform") + " | " + documentText(document, "profile") + " | " +
            documentText(document, "timestampUtc") +
            " | Status: " + documentText(document, "status") + lineEnd;
    text += documentText(volume, "filesystem") +
            " | Allocation: " + fixedDecimalText(report.allocationUnitBytes / 1024.0, 1) +
            " KiB | Recorded free: " + fixedDecimalText(report.freeBytesBefore / 1e9, 1) + " GB" +
            lineEnd + "Integrity: " +
            (document.at("verified").get<bool>() ? "all test bytes verified" : "incomplete") +
            " | Cleanup: " + (document.at("cleaned").get<bool>() ? "complete" : "NEEDS ATTENTION") +
            lineEnd;
    text += documentText(document, "cachePolicy") + lineEnd +
            documentText(document, "writePolicy") + lineEnd;
    const auto error = document.find("error");
    if (error != document.end() && error->is_string())
        text += error->get<std::string>() + lineEnd;
    for (const nlohmann::json& metric : document.at("metrics")) {
        const auto name = metric.find("name");
        const auto unit = metric.find("unit");
        text += (name != metric.end() ? name->get<std::string>() : documentText(metric, "id")) +
                ": " + fixedDecimalText(metric.at("value").get<double>(), 1) + " " +
                (unit != metric.end() ? unit->get<std::string>() : std::string()) +
                " | p50/p95/p99/max ms: " + fixedDecimalText(optionalNumber(metric, "p50ms"), 3) +
                " / " + fixedDecimalText(optionalNumber(metric, "p95ms"), 3) + " / " +
                fixedDecimalText(optionalNumber(metric, "p99ms"), 3) + " / " +
                fixedDecimalText(optionalNumber(metric, "maxms"), 3) + lineEnd;
    }
    if (!report.filePath.empty())
        text += lineEnd + "Saved report: " + toUtf8(report.filePath.native());
    text += lineEnd + storageGuidancePolicyText();
    return text;
}

}  // namespace orvane
