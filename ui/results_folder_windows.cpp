#include "ui/results_folder_windows.h"

#include "platform/windows_api.h"  // before any other Windows header

#include <exception>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>

#include "platform/scope_exit.h"
#include "platform/text_encoding.h"
#include "reports/atomic_save.h"
#include "reports/report_csv_writer.h"
#include "reports/report_import.h"
#include "reports/report_json_writer.h"
#include "reports/results_folder_loader.h"
#include "reports/suggested_report_name.h"
#include "ui/desktop_services_windows.h"
#include "ui/main_window_ids.h"
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

}  // namespace

std::vector<ControlDescription> ResultsFolder::controlDescriptions() const {
    using R = LayoutRole;
    return {
        {L"BUTTON", L"Import JSON...", kButtonStyle, IDC_IMPORT, {28, 568, 132, 32}, R::Fixed},
        {L"BUTTON",
         L"Open Results Folder",
         kButtonStyle,
         IDC_OPEN_RESULTS,
         {174, 568, 184, 32},
         R::Fixed},
        {L"BUTTON", L"Save JSON", kButtonStyle, IDC_SAVE_JSON, {690, 568, 114, 32}, R::Fixed},
        {L"BUTTON", L"Save CSV", kButtonStyle, IDC_SAVE_CSV, {818, 568, 114, 32}, R::Fixed},
    };
}

bool ResultsFolder::onCommand(int id, int) {
    switch (id) {
        case IDC_IMPORT:
            importReports();
            return true;
        case IDC_OPEN_RESULTS:
            openResultsFolder();
            return true;
        case IDC_SAVE_JSON:
        case IDC_SAVE_CSV:
            saveCurrentResult(id == IDC_SAVE_CSV);
            return true;
        default:
            return false;
    }
}

void ResultsFolder::joinBackgroundWork() {
    if (loader_.joinable())
        loader_.join();
}

void ResultsFolder::startSavedReportLoad() {
    startReportLoad({}, true);
}

void ResultsFolder::startReportLoad(std::vector<fs::path> paths, bool scanFolder) {
    if (frame_.busy())
        return;
    frame_.setActivity(WindowActivity::Loading);
    ReportLoadJob job{std::move(paths), scanFolder, folder_, frame_.comparison().reports()};
    try {
        loader_ =
            frame_.work().startThread([window = frame_.handle(), job = std::move(job)]() mutable {
                loaderThread(window, job);
            });
    } catch (const std::exception& failure) {
        frame_.setActivity(WindowActivity::Idle);
        frame_.services().showMessageBox(
            frame_.handle(), L"The reports could not be loaded: " + fromUtf8(failure.what()),
            kProblemsTitle, MB_OK | MB_ICONWARNING);
    }
}

void ResultsFolder::onReportsLoaded(LPARAM record) {
    const std::unique_ptr<ReportLoadResult> result = takePostedRecord<ReportLoadResult>(record);
    joinBackgroundWork();
    frame_.setActivity(WindowActivity::Idle);
    if (frame_.closing()) {
        // The window closes even when the rows cannot be shown.
        const ScopeExit close([this] { frame_.closeIfClosing(); });
        frame_.comparison().addRows(std::move(result->rows));
        return;
    }
    frame_.comparison().addRows(std::move(result->rows));
    if (!result->problems.empty()) {
        NativeString lines;
        for (const auto& problem : result->problems)
            lines += fromUtf8(problemText(problem) + "\r\n");
        frame_.services().showMessageBox(frame_.handle(), lines, kProblemsTitle,
                                         MB_OK | MB_ICONWARNING);
    }
}

void ResultsFolder::importReports() {
    if (frame_.busy())
        return;
    std::vector<fs::path> paths = frame_.services().chooseFilesToOpen(
        frame_.handle(), L"Import Varnolt reports", L"Varnolt JSON", L"*.json");
    if (!paths.empty())
        startReportLoad(std::move(paths), false);
}

void ResultsFolder::saveCurrentResult(bool csv) {
    const RunResult* result = frame_.runControl().currentResult();
    if (result == nullptr || frame_.busy())
        return;
    DesktopServices& services = frame_.services();
    std::error_code error;
    fs::create_directories(folder_, error);
    if (error) {
        services.showMessageBox(frame_.handle(),
                                L"Cannot create the adjacent results folder. Choose a writable "
                                L"location in the save dialog.",
                                L"Results folder unavailable", MB_OK | MB_ICONWARNING);
    }

    SaveFileRequest request;
    request.filterName = csv ? L"CSV report" : L"JSON report";
    request.pattern = csv ? L"*.csv" : L"*.json";
    request.suggestedName = suggestedReportFileName(*result, csv);
    request.defaultExtension = csv ? L"csv" : L"json";
    request.initialFolder = folder_;
    for (;;) {
        const std::optional<fs::path> chosen = services.chooseSaveFile(frame_.handle(), request);
        if (!chosen)
            return;  // nothing written
        try {
            saveResultTo(*chosen, csv);
            return;
        } catch (const std::exception& failure) {
            services.showMessageBox(frame_.handle(), fromUtf8(failure.what()), kSaveFailedTitle,
                                    MB_OK | MB_ICONERROR);
        }
    }
}

void ResultsFolder::saveResultTo(const fs::path& path, bool csv) {
    const RunResult& result = *frame_.runControl().currentResult();
    // The stored report is named after the file the user chose.
    const std::string text = writeReportJson(result, toUtf8(path.stem().native()));
    SavedReport row = importReport(text, std::string());
    saveReportAtomically(path, csv ? writeReportCsv(result) : text);
    if (!csv) {
        row.filePath = path;
        std::vector<SavedReport> rows;
        rows.push_back(std::move(row));
        frame_.comparison().addRows(std::move(rows));
    }
    frame_.runControl().showStatus(L"Saved " + path.filename().native());
}

void ResultsFolder::openResultsFolder() {
    try {
        std::error_code error;
        fs::create_directories(folder_, error);
        if (error)
            throw std::runtime_error("Cannot create the results folder: " + error.message());
        frame_.services().openFolder(frame_.handle(), folder_);
    } catch (const std::exception& failure) {
        frame_.services().showMessageBox(frame_.handle(), fromUtf8(failure.what()),
                                         L"Cannot open results", MB_OK | MB_ICONERROR);
    }
}

}  // namespace orvane
