#pragma once
// Loading the saved reports at start-up and importing chosen ones into the results folder: the
// body of the report loader thread, apart from the thread and the window.

#include <filesystem>
#include <string>
#include <vector>

#include "engine/run_records.h"
#include "reports/saved_report.h"

namespace orvane {

struct ReportLoadJob {
    std::vector<std::filesystem::path> paths;
    // Start-up: list the results folder and let each document name itself. Import: copy every
    // new report into the results folder and name it after its file.
    bool scanFolder = false;
    std::filesystem::path resultsFolder;
    std::vector<SavedReport> knownReports;  // the window's rows when the job started
};

// A file that could not be loaded, or the folder that could not be read.
struct ReportLoadProblem {
    std::filesystem::path file;
    std::string message;
};

struct ReportLoadResult {
    std::vector<SavedReport> rows;
    std::vector<ReportLoadProblem> problems;
};

// "name: message" in UTF-8, the line each front end shows; the message alone without a file.
std::string problemText(const ReportLoadProblem& problem);

// Never throws for one file: its failure becomes a problem and the others go on.
ReportLoadResult loadReports(ReportLoadJob job);

// Where an imported file is copied: its own name in the folder, or else stem-1.json, stem-2.json,
// ... whichever does not exist yet.
std::filesystem::path freeImportPath(const std::filesystem::path& resultsFolder,
                                     const std::filesystem::path& fileName);

}  // namespace orvane
