#pragma once
// Loading the saved reports at start-up and importing chosen ones into the results folder: the
// body of the report loader thread, apart from the thread and the window.

#include <filesystem>
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

struct ReportLoadResult {
    std::vector<SavedReport> rows;
    NativeString problems;  // one "name: message\r\n" line per file that failed
};

// Never throws for one file: its failure becomes a line of problems and the others go on.
ReportLoadResult loadReports(ReportLoadJob job);

// Where an imported file is copied: its own name in the folder, or else stem-1.json, stem-2.json,
// ... whichever does not exist yet.
std::filesystem::path freeImportPath(const std::filesystem::path& resultsFolder,
                                     const std::filesystem::path& fileName);

}  // namespace orvane
