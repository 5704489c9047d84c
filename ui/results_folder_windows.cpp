// The results folder from the window's side: loading saved reports at start-up, importing,
// saving the current run and opening the folder.

#include "platform/windows_api.h"  // before any other Windows header

#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/text_encoding.h"
#include "reports/atomic_save.h"
#include "reports/report_csv_writer.h"
#include "reports/report_import.h"
#include "reports/report_json_writer.h"
#include "reports/report_ranking.h"
#include "reports/results_folder_loader.h"
#include "reports/suggested_report_name.h"
#include "ui/desktop_services_windows.h"
#include "ui/main_window_windows.h"
#include "ui/posted_messages_windows.h"

namespace orvane {

namespace {

namespace fs = std::filesystem;

constexpr wchar_t kProblemsTitle[] = L"Some reports could not be loaded";
constexpr wchar_t kSaveFailedTitle[] = L"Save failed - choose another location or cancel";

void loaderThread(HWND window, ReportLoadJob& job) {
    auto result = std::make_unique<ReportLoadResult>();
    try {
        *result = loadReports(std::move(job));
    } catch (const std::exception& failure) {
        // Only running out of memory gets here; the window must still hear that loading ended.
        result->problems.push_back({{}, failure.what()});
    }
    postRecord(window, WM_APP_REPORTS_LOADED, std::move(result));
}

std::wstring fileNameOf(const fs::path& path) {
    return path.filename().native();
}

}  // namespace

void MainWindow::startSavedReportLoad() {
    startReportLoad({}, true);
}

void MainWindow::startReportLoad(std::vector<fs::path> paths, bool scanFolder) {
    if (state_.busy)
        return;
    state_.loadingReports = true;
    setBusy(true);
    ReportLoadJob job{std::move(paths), scanFolder, state_.resultsFolder, state_.reports};
    try {
        state_.worker = work_.startThread([window = state_.window, job = std::move(job)]() mutable {
            loaderThread(window, job);
        });
    } catch (const std::exception& failure) {
        state_.loadingReports = false;
        setBusy(false);
        services_.showMessageBox(state_.window,
                                 L"The reports could not be loaded: " + fromUtf8(failure.what()),
                                 kProblemsTitle, MB_OK | MB_ICONWARNING);
    }
}

void MainWindow::onReportsLoaded(LPARAM record) {
    const std::unique_ptr<ReportLoadResult> result = takePostedRecord<ReportLoadResult>(record);
    if (state_.worker.joinable())
        state_.worker.join();
    for (SavedReport& row : result->rows)
        addOrReplaceReport(state_.reports, std::move(row));
    state_.loadingReports = false;
    setBusy(false);
    refreshComparison();
    if (state_.closing) {
        DestroyWindow(state_.window);
        return;
    }
    if (!result->problems.empty()) {
        NativeString lines;
        for (const auto& problem : result->problems)
            lines += fromUtf8(problemText(problem) + "\r\n");
        services_.showMessageBox(state_.window, lines, kProblemsTitle, MB_OK | MB_ICONWARNING);
    }
}

void MainWindow::importReports() {
    if (state_.busy)
        return;
    std::vector<fs::path> paths = services_.chooseFilesToOpen(
        state_.window, L"Import Varnolt reports", L"Varnolt JSON", L"*.json");
    if (!paths.empty())
        startReportLoad(std::move(paths), false);
}

void MainWindow::saveCurrentResult(bool csv) {
    if (!state_.currentResult || state_.busy)
        return;
    std::error_code error;
    fs::create_directories(state_.resultsFolder, error);
    if (error) {
        services_.showMessageBox(state_.window,
                                 L"Cannot create the adjacent results folder. Choose a writable "
                                 L"location in the save dialog.",
                                 L"Results folder unavailable", MB_OK | MB_ICONWARNING);
    }

    SaveFileRequest request;
    request.filterName = csv ? L"CSV report" : L"JSON report";
    request.pattern = csv ? L"*.csv" : L"*.json";
    request.suggestedName = suggestedReportFileName(*state_.currentResult, csv);
    request.defaultExtension = csv ? L"csv" : L"json";
    request.initialFolder = state_.resultsFolder;
    for (;;) {
        const std::optional<fs::path> chosen = services_.chooseSaveFile(state_.window, request);
        if (!chosen)
            return;  // nothing written
        try {
            saveResultTo(*chosen, csv);
            return;
        } catch (const std::exception& failure) {
            services_.showMessageBox(state_.window, fromUtf8(failure.what()), kSaveFailedTitle,
                                     MB_OK | MB_ICONERROR);
        }
    }
}

void MainWindow::saveResultTo(const fs::path& path, bool csv) {
    const RunResult& result = *state_.currentResult;
    // The stored report is named after the file the user chose.
    const std::string text = writeReportJson(result, toUtf8(path.stem().native()));
    SavedReport row = importReport(text, std::string());
    saveReportAtomically(path, csv ? writeReportCsv(result) : text);
    if (!csv) {
        row.filePath = path;
        addOrReplaceReport(state_.reports, std::move(row));
        refreshComparison();
    }
    setStatusText(L"Saved " + fileNameOf(path));
}

void MainWindow::openResultsFolder() {
    try {
        std::error_code error;
        fs::create_directories(state_.resultsFolder, error);
        if (error)
            throw std::runtime_error("Cannot create the results folder: " + error.message());
        services_.openFolder(state_.window, state_.resultsFolder);
    } catch (const std::exception& failure) {
        services_.showMessageBox(state_.window, fromUtf8(failure.what()), L"Cannot open results",
                                 MB_OK | MB_ICONERROR);
    }
}

}  // namespace orvane
