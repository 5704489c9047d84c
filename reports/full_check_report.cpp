#include "reports/full_check_report.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <vector>

#include "engine/measurement_methods.h"
#include "engine/number_text.h"
#include "platform/text_encoding.h"

namespace orvane {

namespace {

using json = nlohmann::ordered_json;

json curveJson(const std::vector<CurveSlice>& slices) {
    json points = json::array();
    for (const CurveSlice& slice : slices)
        points.push_back({slice.position, slice.mebibytesPerSecond()});
    return points;
}

template <typename T>
json optionalJson(const std::optional<T>& value) {
    return value ? json(*value) : json(nullptr);
}

// The verdict can be wider than the picture: break it at spaces into lines that fit.
std::vector<std::string> titleLines(const std::string& text, std::size_t widthChars) {
    std::vector<std::string> lines;
    std::string line;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(' ', start);
        // A size stays with its unit: "1.1 GB" is one word here.
        if (end != std::string::npos && text.compare(end + 1, 2, "GB") == 0)
            end = text.find(' ', end + 1);
        if (end == std::string::npos)
            end = text.size();
        const std::string word = text.substr(start, end - start);
        if (!line.empty() && line.size() + 1 + word.size() > widthChars) {
            lines.push_back(line);
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
        start = end + 1;
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

std::string xmlEscaped(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

// A round step (1, 2 or 5 times a power of ten) that cuts range into about five ticks.
double tickStep(double range) {
    const double rough = range / 5.0;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (factor * power >= rough)
            return factor * power;
    }
    return 10.0 * power;
}

struct Plot {
    static constexpr double kLeft = 80, kTop = 60, kWidth = 760, kHeight = 300;
    double maxGB;
    double maxRate;

    double x(double gb) const { return kLeft + kWidth * gb / maxGB; }
    double y(double rate) const { return kTop + kHeight * (1.0 - rate / maxRate); }
};

std::string number(double value) {
    return fixedDecimalText(value, 1);
}

std::string polyline(const Plot& plot, const std::vector<CurveSlice>& slices, const char* colour) {
    std::string points;
    for (const CurveSlice& slice : slices) {
        const double mid = static_cast<double>(slice.position + slice.bytes / 2) / 1e9;
        points += number(plot.x(mid)) + "," + number(plot.y(slice.mebibytesPerSecond())) + " ";
    }
    return "<polyline fill=\"none\" stroke=\"" + std::string(colour) +
           "\" stroke-width=\"2\" points=\"" + points + "\"/>\n";
}

}  // namespace

std::string writeFullCheckJson(const FullCheckResult& result) {
    const SectorTally& tally = result.tally;
    json document;
    document["schema"] = kFullCheckSchema;
    document["schemaVersion"] = kFullCheckSchemaVersion;
    document["platform"] = runningMeasurementMethods().platform;
    document["timestampUtc"] = result.timestampUtc;
    document["status"] = runStatusText(result.status);
    document["error"] = result.error;
    document["verdict"] = result.verdict;
    document["folder"] = toUtf8(result.options.folder.native());
    document["volume"] = {{"root", toUtf8(result.volume.root)},
                          {"label", toUtf8(result.volume.label)},
                          {"filesystem", toUtf8(result.volume.filesystem)},
                          {"type", toUtf8(result.volume.type)},
                          {"totalBytes", result.volume.totalBytes},
                          {"freeBytesBefore", result.volume.freeBytesBefore}};
    document["limitBytes"] = optionalJson(result.options.limitBytes);
    document["marginBytes"] = result.marginBytes;
    document["plannedBytes"] = result.plannedBytes;
    document["filledBytes"] = result.filledBytes;
    document["intactBytes"] = tally.intact;
    document["wrappedBytes"] = tally.wrapped;
    document["foreignBytes"] = tally.foreign;
    document["changedBytes"] = tally.changed;
    document["unreadableBytes"] = tally.unreadable;
    document["firstBadPosition"] = optionalJson(result.firstBadPosition);
    document["usableBytes"] = result.usableBytes();
    document["cacheBytes"] = optionalJson(result.write.cacheBytes);
    document["rateBeforeCliffMiBps"] = result.write.rateBeforeCliffMiBps;
    document["rateAfterCliffMiBps"] = result.write.rateAfterCliffMiBps;
    document["readRateMiBps"] = result.readRateMiBps;
    document["modelGB"] = result.options.modelGB;
    document["modelCopySeconds"] = result.write.modelCopySeconds;
    document["sliceBytes"] = result.options.curve.sliceBytes;
    document["writeCurve"] = curveJson(result.writeCurve);
    document["readCurve"] = curveJson(result.readCurve);
    if (result.modelFile) {
        const ModelFileRead& model = *result.modelFile;
        document["modelFile"] = {{"path", toUtf8(model.path.native())},
                                 {"bytes", model.bytes},
                                 {"seconds", model.seconds},
                                 {"MiBps", model.mebibytesPerSecond()},
                                 {"estimatedSeconds", model.estimatedSeconds}};
    } else {
        document["modelFile"] = nullptr;
    }
    document["cleaned"] = result.cleaned;
    document["elapsedSeconds"] = result.elapsedSeconds;
    return document.dump(2, ' ', false, json::error_handler_t::strict) + "\n";
}

std::string writeFullCheckCsv(const FullCheckResult& result) {
    std::string text = "curve,positionBytes,MiBps\n";
    for (const auto& [name, slices] :
         {std::make_pair("write", &result.writeCurve), std::make_pair("read", &result.readCurve)}) {
        for (const CurveSlice& slice : *slices) {
            text += std::string(name) + "," + std::to_string(slice.position) + "," +
                    fixedDecimalText(slice.mebibytesPerSecond(), 3) + "\n";
        }
    }
    return text;
}

std::string writeFullCheckSvg(const FullCheckResult& result) {
    double maxRate = 1.0;
    for (const auto* slices : {&result.writeCurve, &result.readCurve}) {
        for (const CurveSlice& slice : *slices)
            maxRate = std::max(maxRate, slice.mebibytesPerSecond());
    }
    const double rateStep = tickStep(maxRate * 1.1);
    const double filledGB = std::max(static_cast<double>(result.filledBytes) / 1e9, 1e-3);
    const double gbStep = tickStep(filledGB);
    const Plot plot{std::ceil(filledGB / gbStep) * gbStep,
                    std::ceil(maxRate * 1.1 / rateStep) * rateStep};

    std::string svg =
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"900\" height=\"430\" "
        "viewBox=\"0 0 900 430\" font-family=\"sans-serif\" font-size=\"12\">\n"
        "<rect width=\"900\" height=\"430\" fill=\"white\"/>\n";
    // About 110 characters of 14-pixel text fit across; the second line stays above the legend.
    const std::vector<std::string> title = titleLines(result.verdict, 100);
    for (std::size_t i = 0; i < title.size(); ++i) {
        svg += "<text x=\"450\" y=\"" +
               number(title.size() > 1 ? 18.0 + 16.0 * static_cast<double>(i) : 24.0) +
               "\" text-anchor=\"middle\" font-size=\"14\">" + xmlEscaped(title[i]) + "</text>\n";
    }
    for (double rate = 0; rate <= plot.maxRate + 1e-9; rate += rateStep) {
        const std::string y = number(plot.y(rate));
        svg += "<line x1=\"" + number(Plot::kLeft) + "\" x2=\"" +
               number(Plot::kLeft + Plot::kWidth) + "\" y1=\"" + y + "\" y2=\"" + y +
               "\" stroke=\"#ddd\"/>\n<text x=\"" + number(Plot::kLeft - 6) + "\" y=\"" + y +
               "\" text-anchor=\"end\" dy=\"4\">" + fixedDecimalText(rate, 0) + "</text>\n";
    }
    // Enough decimals that neighbouring ticks differ, even on a fill of a few MiB.
    const int gbDecimals =
        gbStep >= 1.0 ? 0 : std::max(2, static_cast<int>(-std::floor(std::log10(gbStep) + 1e-9)));
    for (double gb = 0; gb <= plot.maxGB + 1e-9; gb += gbStep) {
        const std::string x = number(plot.x(gb));
        svg += "<line x1=\"" + x + "\" x2=\"" + x + "\" y1=\"" + number(Plot::kTop) + "\" y2=\"" +
               number(Plot::kTop + Plot::kHeight) + "\" stroke=\"#eee\"/>\n<text x=\"" + x +
               "\" y=\"" + number(Plot::kTop + Plot::kHeight + 18) + "\" text-anchor=\"middle\">" +
               fixedDecimalText(gb, gbDecimals) + "</text>\n";
    }
    svg +=
        "<rect x=\"80\" y=\"60\" width=\"760\" height=\"300\" fill=\"none\" stroke=\"#333\"/>\n"
        "<text x=\"460\" y=\"405\" text-anchor=\"middle\">Position in the fill (GB)</text>\n"
        "<text transform=\"translate(24 210) rotate(-90)\" text-anchor=\"middle\">"
        "Rate (MiB/s)</text>\n";
    svg += polyline(plot, result.writeCurve, "#c0392b");
    svg += polyline(plot, result.readCurve, "#2471a3");
    if (result.write.cacheBytes) {
        const double gb = static_cast<double>(*result.write.cacheBytes) / 1e9;
        const std::string x = number(plot.x(gb));
        svg += "<line x1=\"" + x + "\" x2=\"" + x +
               "\" y1=\"60\" y2=\"360\" stroke=\"#555\" "
               "stroke-dasharray=\"6 4\"/>\n<text x=\"" +
               number(plot.x(gb) + 4) + "\" y=\"76\">write cache ends at " +
               fixedDecimalText(gb, 1) + " GB</text>\n";
    }
    svg +=
        "<line x1=\"600\" x2=\"630\" y1=\"44\" y2=\"44\" stroke=\"#c0392b\" stroke-width=\"2\"/>"
        "<text x=\"636\" y=\"48\">write</text>\n"
        "<line x1=\"700\" x2=\"730\" y1=\"44\" y2=\"44\" stroke=\"#2471a3\" stroke-width=\"2\"/>"
        "<text x=\"736\" y=\"48\">read back</text>\n</svg>\n";
    return svg;
}

std::filesystem::path besideReport(const std::filesystem::path& report, const char* extension) {
    std::filesystem::path path = report;
    return path.replace_extension(extension);
}

}  // namespace orvane
