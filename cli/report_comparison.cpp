#include "cli/report_comparison.h"

#include <algorithm>
#include <ostream>
#include <stdexcept>

#include "engine/measurement_methods.h"
#include "orvane_version.h"
#include "platform/text_encoding.h"
#include "reports/comparison_text.h"
#include "reports/model_size_text.h"
#include "reports/results_folder_loader.h"
#include "reports/suitability.h"

namespace orvane {

namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage =
    "Usage: orvane-varnolt-compare [--model-gb X] [--sort COLUMN] [--descending] REPORT|FOLDER...";

constexpr const char* kHelp =
    "       orvane-varnolt-compare --help | --version\n"
    "Loads reports and the .json files of folders, rates them for the model size (GB, default\n"
    "6.6), ranks them and prints the comparison table and the details of each run. --sort takes a\n"
    "column title or its index 0..11.\n"
    "Exit codes: 0 all loaded, 1 some failed, 2 a usage error.\n";

ReportColumn columnNamed(const std::string& text) {
    for (int index = 0; index < kReportColumnCount; ++index) {
        const auto column = static_cast<ReportColumn>(index);
        if (text == comparisonColumnTitle(column) || text == std::to_string(index))
            return column;
    }
    throw std::invalid_argument("Unknown column \"" + text + "\".\n" + kUsage);
}

}  // namespace

ComparisonRequest parseComparisonArguments(const std::vector<std::string>& arguments) {
    ComparisonRequest request;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == "--model-gb" || argument == "--sort") {
            if (!hasValue)
                throw std::invalid_argument(argument + " needs a value.\n" + kUsage);
            const std::string& value = arguments[++i];
            if (argument == "--sort") {
                request.sort.column = columnNamed(value);
                continue;
            }
            try {
                request.modelGB = parseModelSize(value);
            } catch (const std::exception& error) {
                throw std::invalid_argument(error.what());
            }
        } else if (argument == "--descending") {
            request.sort.ascending = false;
        } else if (argument.size() > 1 && argument[0] == '-' && argument[1] == '-') {
            throw std::invalid_argument("Unknown option " + argument + ".\n" + kUsage);
        } else {
            request.inputs.push_back(fs::path(fromUtf8(argument)));
        }
    }
    if (request.inputs.empty())
        throw std::invalid_argument(kUsage);
    return request;
}

LoadedReports loadComparisonInputs(const std::vector<fs::path>& inputs) {
    // The window's own start-up loader: a folder is scanned as its results folder is, and every
    // report names itself.
    std::vector<ReportLoadJob> jobs(1);
    jobs[0].scanFolder = true;
    for (const auto& input : inputs) {
        std::error_code error;
        if (fs::is_directory(input, error)) {
            ReportLoadJob folder;
            folder.scanFolder = true;
            folder.resultsFolder = input;
            jobs.push_back(std::move(folder));
        } else {
            jobs[0].paths.push_back(input);
        }
    }
    LoadedReports loaded;
    for (auto& job : jobs) {
        ReportLoadResult result = loadReports(std::move(job));
        for (auto& row : result.rows)
            addOrReplaceReport(loaded.reports, std::move(row));
        for (const auto& problem : result.problems)
            loaded.problems.push_back(problemText(problem));
    }
    return loaded;
}

std::string comparisonTable(const std::vector<SavedReport>& reports) {
    std::vector<std::vector<std::string>> rows(1);
    for (int index = 0; index < kReportColumnCount; ++index) {
        rows[0].push_back(comparisonColumnTitle(static_cast<ReportColumn>(index)));
    }
    for (const auto& report : reports) {
        std::vector<std::string> cells;
        for (int index = 0; index < kReportColumnCount; ++index) {
            cells.push_back(comparisonCellText(report, static_cast<ReportColumn>(index)));
        }
        rows.push_back(std::move(cells));
    }
    // Widths in code points, so names with accents still line up.
    const auto width = [](const std::string& text) {
        return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
            return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        }));
    };
    std::vector<std::size_t> widths(kReportColumnCount, 0);
    for (const auto& row : rows) {
        for (std::size_t index = 0; index < widths.size(); ++index) {
            widths[index] = std::max(widths[index], width(row[index]));
        }
    }
    std::string table;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t index = 0; index < widths.size(); ++index) {
            if (index > 0)
                line += "  ";
            line += row[index];
            if (index + 1 < widths.size())
                line.append(widths[index] - width(row[index]), ' ');
        }
        table += line + "\n";
    }
    return table;
}

int runReportComparison(const std::vector<std::string>& arguments, std::ostream& out,
                        std::ostream& err) {
    if (arguments.size() == 1 && arguments[0] == "--help") {
        out << kUsage << "\n" << kHelp;
        return kComparisonAllLoaded;
    }
    if (arguments.size() == 1 && arguments[0] == "--version") {
        out << "orvane-varnolt-compare " ORVANE_VERSION_TEXT "\n";
        return kComparisonAllLoaded;
    }
    ComparisonRequest request;
    try {
        request = parseComparisonArguments(arguments);
    } catch (const std::invalid_argument& error) {
        err << error.what() << "\n";
        return kComparisonUsageError;
    }
    LoadedReports loaded = loadComparisonInputs(request.inputs);
    for (const auto& problem : loaded.problems)
        err << problem << "\n";

    reevaluateForModelSize(loaded.reports, request.modelGB, runningMeasurementMethods().platform,
                           request.sort);
    out << comparisonTable(loaded.reports);
    for (const auto& report : loaded.reports) {
        out << "\n" << reportDetailsText(report, request.modelGB, "\n") << "\n";
    }
    return loaded.problems.empty() ? kComparisonAllLoaded : kComparisonSomeFailed;
}

}  // namespace orvane
