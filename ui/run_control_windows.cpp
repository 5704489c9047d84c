// Run control: starting a benchmark from the window, its worker thread, progress, cancelling and
// the finished run.

#include "platform/windows_api.h"  // before any other Windows header

#include <exception>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <utility>

#include <commctrl.h>

#include "platform/text_encoding.h"
#include "reports/report_import.h"
#include "reports/report_json_writer.h"
#include "reports/report_ranking.h"
#include "storage/target_inspection.h"
#include "ui/desktop_services_windows.h"
#include "ui/main_window_ids.h"
#include "ui/main_window_windows.h"
#include "ui/posted_messages_windows.h"

namespace orvane {

namespace {

constexpr wchar_t kTestingDetails[] =
    L"Testing selected storage. You can cancel at any time; cleanup runs after the current I/O "
    L"completes.";
constexpr wchar_t kCancellingStatus[] =
    L"Cancelling after current I/O, then removing temporary files...";

// The folder as the run will see it. A folder that cannot be resolved is explained by the target
// checks ("Choose an existing folder on the drive to test.") rather than by the library's text.
std::filesystem::path resolvedFolder(const std::filesystem::path& typed) {
    std::error_code error;
    std::filesystem::path folder = std::filesystem::canonical(typed, error);
    if (!error)
        return folder;
    inspectTarget(typed);  // throws the target message for a missing or unusable folder
    throw std::filesystem::filesystem_error("Cannot resolve the folder", typed, error);
}

// The worker's whole life: one run, its notices and its result, each posted to the window. A
// record the window can no longer take is freed here; the run is not retried or stopped.
void runWorker(HWND window, const RunFunction& run, const RunOptions& options,
               const std::atomic<bool>& cancelRequested) {
    const ProgressCallback progress = [window](const Progress& notice) {
        postRecord(window, WM_APP_PROGRESS, std::make_unique<Progress>(notice));
    };
    auto result = std::make_unique<RunResult>();
    try {
        *result = run(options, cancelRequested, progress);
    } catch (const std::exception& failure) {
        // The run reports its own failures; this keeps the window from waiting forever if it
        // ever does not.
        result->options = options;
        result->status = RunStatus::kFailed;
        result->error = failure.what();
    }
    postRecord(window, WM_APP_RUN_FINISHED, std::move(result));
}

}  // namespace

void MainWindow::startTest() {
    if (state_.busy)
        return;
    try {
        RunOptions options = readRunOptionsFromForm();
        inspectTarget(resolvedFolder(options.folder));  // the run inspects again; facts not kept
        state_.currentResult.reset();
        state_.cancelRequested.exchange(false);
        SetWindowTextW(details_, kTestingDetails);
        SendMessageW(progress_, PBM_SETPOS, 0, 0);
        setBusy(true);
        state_.worker = work_.startThread(
            [window = state_.window, run = work_.run, options = std::move(options),
             flag = &state_.cancelRequested] { runWorker(window, run, options, *flag); });
    } catch (const std::exception& failure) {
        setBusy(false);
        services_.showMessageBox(state_.window, fromUtf8(failure.what()), L"Cannot start test",
                                 MB_OK | MB_ICONERROR);
    }
}

void MainWindow::cancelTest() {
    if (!state_.busy || state_.formatting || state_.loadingReports)
        return;  // only a running benchmark reads the flag
    state_.cancelRequested.exchange(true);
    EnableWindow(control(IDC_CANCEL), FALSE);
    setStatusText(kCancellingStatus);
}

void MainWindow::onProgress(LPARAM record) {
    const std::unique_ptr<Progress> notice = takePostedRecord<Progress>(record);
    SendMessageW(progress_, PBM_SETPOS, static_cast<WPARAM>(notice->percent), 0);
    setStatusText(fromUtf8(notice->message));
}

void MainWindow::onRunFinished(LPARAM record) {
    std::unique_ptr<RunResult> result = takePostedRecord<RunResult>(record);
    if (state_.worker.joinable())
        state_.worker.join();
    state_.currentResult = std::move(result);
    setBusy(false);

    bool reportMade = true;
    try {
        addRunToComparison();
        setStatusText(fromUtf8(runStatusText(state_.currentResult->status)));
    } catch (const std::exception& failure) {
        // The result stays current and the user learns why it has no row. No save dialog: a
        // report that cannot be written now would only fail again there.
        reportMade = false;
        setStatusText(fromUtf8(std::string(runStatusText(state_.currentResult->status)) +
                               " - the report could not be made: " + failure.what()));
    }

    if (state_.closing) {
        DestroyWindow(state_.window);
        return;
    }
    if (reportMade)
        saveCurrentResult(false);
}

void MainWindow::addRunToComparison() {
    const std::string text = writeReportJson(*state_.currentResult, std::string());
    SavedReport row = importReport(text, std::string());
    state_.selectedKey = RunIdentity::of(row);
    addOrReplaceReport(state_.reports, std::move(row));
    refreshComparison();
}

}  // namespace orvane
