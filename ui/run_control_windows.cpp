#include "ui/run_control_windows.h"

#include "platform/windows_api.h"  // before any other Windows header

#include <exception>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>

#include <commctrl.h>

#include "engine/number_text.h"
#include "engine/run_leftovers.h"
#include "platform/byte_units.h"
#include "platform/text_encoding.h"
#include "reports/report_import.h"
#include "reports/report_json_writer.h"
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

std::vector<ControlDescription> RunControl::controlDescriptions() const {
    return {
        {L"BUTTON",
         L"Start read + write test",
         kButtonStyle | BS_DEFPUSHBUTTON,
         IDC_START,
         {530, 260, 244, 34},
         LayoutRole::Fixed},
        {L"BUTTON", L"Cancel", kButtonStyle, IDC_CANCEL, {790, 260, 142, 34}, LayoutRole::Fixed},
        {PROGRESS_CLASSW, L"", 0, IDC_PROGRESS, {28, 362, 904, 14}, LayoutRole::Widen},
        {L"STATIC",
         L"Ready. Choose the folder on the drive you want to evaluate.",
         0,
         IDC_STATUS,
         {28, 384, 904, 24},
         LayoutRole::Widen},
    };
}

bool RunControl::onCommand(int id, int) {
    if (id == IDC_START) {
        startTest();
        return true;
    }
    if (id == IDC_CANCEL) {
        cancelTest();
        return true;
    }
    return false;
}

void RunControl::joinBackgroundWork() {
    if (worker_.joinable())
        worker_.join();
}

void RunControl::showStatus(const std::wstring& text) {
    SetWindowTextW(frame_.control(IDC_STATUS), text.c_str());
}

void RunControl::showProgress(int percent) {
    SendMessageW(frame_.control(IDC_PROGRESS), PBM_SETPOS, static_cast<WPARAM>(percent), 0);
}

void RunControl::requestCancel() {
    cancelRequested_.exchange(true);
    frame_.refreshEnabling();
}

void RunControl::startTest() {
    if (frame_.busy())
        return;
    try {
        RunOptions options = frame_.setup().readRunOptions();
        inspectTarget(resolvedFolder(options.folder));  // the run inspects again; facts not kept
        offerToRemoveLeftovers(resolvedFolder(options.folder));
        result_.reset();
        cancelRequested_.exchange(false);
        frame_.comparison().showDetails(kTestingDetails);
        showProgress(0);
        frame_.setActivity(WindowActivity::Running);
        worker_ = frame_.work().startThread(
            [window = frame_.handle(), run = frame_.work().run, options = std::move(options),
             flag = &cancelRequested_] { runWorker(window, run, options, *flag); });
    } catch (const std::exception& failure) {
        frame_.setActivity(WindowActivity::Idle);
        frame_.services().showMessageBox(frame_.handle(), fromUtf8(failure.what()),
                                         L"Cannot start test", MB_OK | MB_ICONERROR);
    }
}

// Scratch folders of a run that was killed: asked once per Start, removed on Yes; the new run
// goes ahead either way. Folders holding anything a run does not create are never offered.
void RunControl::offerToRemoveLeftovers(const std::filesystem::path& folder) {
    std::vector<Leftover> removable;
    try {
        for (Leftover& leftover : findLeftovers(folder)) {
            if (leftover.removable())
                removable.push_back(std::move(leftover));
        }
    } catch (const std::exception&) {
        return;  // an unlistable folder is the run's to report
    }
    if (removable.empty())
        return;
    std::uint64_t bytes = 0;
    for (const Leftover& leftover : removable)
        bytes += leftover.bytes;
    const std::string question =
        "This folder holds " + std::to_string(removable.size()) +
        (removable.size() == 1 ? " folder" : " folders") + " (" +
        fixedDecimalText(static_cast<double>(bytes) / static_cast<double>(kMiB), 1) +
        " MiB) left by an earlier test that was stopped. Remove " +
        (removable.size() == 1 ? "it" : "them") + " before this test?";
    if (frame_.services().showMessageBox(frame_.handle(), fromUtf8(question),
                                         L"Leftovers of an earlier test",
                                         MB_YESNO | MB_ICONQUESTION) != IDYES) {
        return;
    }
    std::string failures;
    for (const Leftover& leftover : removable) {
        const std::string why = removeLeftover(leftover.folder);
        if (!why.empty())
            failures += toUtf8(leftover.folder.native()) + ": " + why + "\r\n";
    }
    if (!failures.empty()) {
        frame_.services().showMessageBox(frame_.handle(), fromUtf8(failures),
                                         L"Some leftovers could not be removed",
                                         MB_OK | MB_ICONWARNING);
    }
}

void RunControl::cancelTest() {
    if (frame_.activity() != WindowActivity::Running)
        return;  // only a running benchmark reads the flag
    requestCancel();
    showStatus(kCancellingStatus);
}

void RunControl::onProgress(LPARAM record) {
    const std::unique_ptr<Progress> notice = takePostedRecord<Progress>(record);
    showProgress(notice->percent);
    showStatus(fromUtf8(notice->message));
}

void RunControl::onRunFinished(LPARAM record) {
    std::unique_ptr<RunResult> result = takePostedRecord<RunResult>(record);
    joinBackgroundWork();
    result_ = std::move(result);
    frame_.setActivity(WindowActivity::Idle);

    const std::string status = runStatusText(result_->status);
    bool reportMade = true;
    try {
        const std::string text = writeReportJson(*result_, std::string());
        frame_.comparison().addSelectedRow(importReport(text, std::string()));
        showStatus(fromUtf8(status));
    } catch (const std::exception& failure) {
        // The result stays current and the user learns why it has no row. No save dialog: a
        // report that cannot be written now would only fail again there.
        reportMade = false;
        showStatus(fromUtf8(status + " - the report could not be made: " + failure.what()));
    }

    if (frame_.closeIfClosing())
        return;
    if (reportMade)
        frame_.resultsFolder().saveCurrentResult(false);
}

}  // namespace orvane
