// The window's exFAT format flow: review, dialog, re-check, elevated start, the wait on the
// worker slot, and the verification when the script process has ended.

#include "platform/windows_api.h"  // before any other Windows header

#include <exception>
#include <string>
#include <system_error>
#include <thread>

#include <commctrl.h>

#include "format/format_command.h"
#include "format/format_verification.h"
#include "platform/text_encoding.h"
#include "ui/desktop_services_windows.h"
#include "ui/format_dialog_data.h"
#include "ui/format_dialog_text.h"
#include "ui/format_waiter_windows.h"
#include "ui/main_window_ids.h"
#include "ui/main_window_windows.h"
#include "ui/posted_messages_windows.h"
#include "ui/window_text_windows.h"

namespace orvane {

namespace {

constexpr DWORD kFailedExitCode = 2;
constexpr wchar_t kCannotFormatTitle[] = L"Orvane Varnolt - Cannot format";

std::filesystem::path systemDirectory() {
    wchar_t directory[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        throw std::runtime_error("Cannot locate Windows PowerShell.");
    return std::filesystem::path(std::wstring(directory, length));
}

DWORD exitCodeAfterWaiting(HANDLE process) {
    DWORD exitCode = kFailedExitCode;
    if (WaitForSingleObject(process, INFINITE) == WAIT_OBJECT_0) {
        DWORD code = 0;
        // Only an exit code Windows actually reports can say "done".
        if (GetExitCodeProcess(process, &code))
            exitCode = code;
    }
    return exitCode;
}

}  // namespace

void waitForFormatProcess(HWND window, std::unique_ptr<UniqueKernelHandle> process) {
    const DWORD exitCode = exitCodeAfterWaiting(process->get());
    process.reset();
    PostMessageW(window, WM_APP_FORMAT_EXITED, exitCode, 0);
}

UniqueKernelHandle MainWindow::launchFormat(HWND owner, const FormatTarget& target,
                                            std::uint32_t clusterBytes, const std::wstring& label) {
    formatQueries_->recheck(target);
    const std::wstring parameters = composeFormatCommand(target, clusterBytes, label);
    const std::filesystem::path system = systemDirectory();
    return services_.launchElevated(
        owner, system / L"WindowsPowerShell" / L"v1.0" / L"powershell.exe", parameters, system);
}

void MainWindow::startFormat() {
    if (state_.busy)
        return;
    try {
        FormatDialogData data;
        data.label = fromUtf8(format_dialog_text::kInitialLabel);
        data.target = formatQueries_->review(std::filesystem::path(windowText(folderEdit_)));
        if (services_.showFormatDialog(state_.window, data) != IDOK)
            return;

        // Everything the window keeps is made before the launch: once the script runs, nothing
        // may fail before the window is busy and a waiter watches the process.
        FormatTarget savedTarget = data.target;
        std::filesystem::path savedRoot(data.target.volume.root);
        std::wstring savedLabel = data.label;
        auto process = std::make_unique<UniqueKernelHandle>();

        *process = launchFormat(state_.window, data.target, data.clusterBytes, data.label);
        if (!*process) {
            SetWindowTextW(statusLine_, L"Format cancelled at administrator permission prompt.");
            return;
        }
        state_.savedFormatTarget = std::move(savedTarget);
        state_.savedFormatRoot = std::move(savedRoot);
        state_.savedFormatLabel = std::move(savedLabel);
        state_.savedFormatClusterBytes = data.clusterBytes;
        state_.formatting = true;
        state_.currentResult.reset();
        setBusy(true);
        SetWindowTextW(statusLine_,
                       L"Formatting as exFAT. Keep the drive connected; this "
                       L"operation cannot be cancelled.");
        SetWindowTextW(details_,
                       L"The reviewed volume is being formatted. Benchmarking is "
                       L"disabled until Windows finishes.");
        SendMessageW(progress_, PBM_SETPOS, 0, 0);
        startFormatWaiter(std::move(process));
    } catch (const std::exception& error) {
        services_.showMessageBox(state_.window, fromUtf8(error.what()), kCannotFormatTitle,
                                 MB_OK | MB_ICONERROR);
    }
}

void MainWindow::startFormatWaiter(std::unique_ptr<UniqueKernelHandle> process) {
    // The cell goes to the thread only once the thread exists.
    UniqueKernelHandle* handed = process.get();
    const HWND window = state_.window;
    try {
        state_.worker = std::thread([window, handed] {
            waitForFormatProcess(window, std::unique_ptr<UniqueKernelHandle>(handed));
        });
        process.release();
    } catch (const std::exception&) {
        // No thread: the script runs elevated all the same, so wait for it here rather than
        // leave the window busy for ever or lose sight of the format.
        verifyFormat(exitCodeAfterWaiting(process->get()));
    }
}

void MainWindow::verifyFormat(DWORD exitCode) {
    // Only the waiter of a running format may end it; a stray message changes nothing.
    if (!state_.formatting)
        return;
    if (state_.worker.joinable())
        state_.worker.join();
    state_.formatting = false;
    setBusy(false);

    const FormatRequest request{state_.savedFormatTarget, state_.savedFormatLabel,
                                state_.savedFormatClusterBytes};
    const FormatVerdict verdict = verifyFormatOutcome(
        exitCode, request, [this] { return formatQueries_->review(state_.savedFormatRoot); });

    SetWindowTextW(folderEdit_, L"");
    refreshDriveList();
    updateDatasetSummary();
    setStatusText(fromUtf8(verdict.status));
    SetWindowTextW(details_, fromUtf8(verdict.details).c_str());
    SendMessageW(progress_, PBM_SETPOS, verdict.verified ? 100 : 0, 0);
    if (state_.closing)
        DestroyWindow(state_.window);
}

}  // namespace orvane
