#include "ui/format_flow_windows.h"

#include "platform/windows_api.h"  // before any other Windows header

#include <exception>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>

#include "format/format_command.h"
#include "platform/text_encoding.h"
#include "ui/desktop_services_windows.h"
#include "ui/format_dialog_data.h"
#include "ui/format_dialog_text.h"
#include "ui/format_waiter_windows.h"
#include "ui/main_window_ids.h"
#include "ui/main_window_windows.h"
#include "ui/posted_messages_windows.h"

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

std::vector<ControlDescription> FormatFlow::controlDescriptions() const {
    return {{L"BUTTON",
             L"Format as exFAT...",
             kButtonStyle,
             IDC_FORMAT,
             {676, 167, 256, 31},
             LayoutRole::Fixed}};
}

bool FormatFlow::onCommand(int id, int) {
    if (id != IDC_FORMAT)
        return false;
    startFormat();
    return true;
}

void FormatFlow::joinBackgroundWork() {
    if (waiter_.joinable())
        waiter_.join();
}

ElevatedStart FormatFlow::launchFormat(const FormatTarget& target, std::uint32_t clusterBytes,
                                       const std::wstring& label) {
    queries_->recheck(target);
    const std::wstring parameters = composeFormatCommand(target, clusterBytes, label);
    const std::filesystem::path system = systemDirectory();
    return frame_.services().launchElevated(
        frame_.handle(), system / L"WindowsPowerShell" / L"v1.0" / L"powershell.exe", parameters,
        system);
}

void FormatFlow::startFormat() {
    if (frame_.busy())
        return;
    RunControl& run = frame_.runControl();
    try {
        FormatDialogData data;
        data.label = fromUtf8(format_dialog_text::kInitialLabel);
        data.target = queries_->review(std::filesystem::path(frame_.setup().folderText()));
        if (frame_.services().showFormatDialog(frame_.handle(), data) != IDOK)
            return;

        // Everything the window keeps is made before the launch: once the script runs, nothing
        // may fail before the window is busy and a waiter watches the process.
        FormatRequest request{data.target, data.label, data.clusterBytes};
        std::filesystem::path root(data.target.volume.root);
        auto process = std::make_unique<UniqueKernelHandle>();

        // Busy from before the prompt: the shell's wait dispatches this window's messages.
        frame_.setActivity(WindowActivity::Elevating);
        ElevatedStart started = launchFormat(data.target, data.clusterBytes, data.label);
        if (!started.process) {
            frame_.setActivity(WindowActivity::Idle);
            run.showStatus(started.declined()
                               ? L"Format cancelled at administrator permission prompt."
                               : L"Format started, but its progress cannot be watched. Check the "
                                 L"drive before using it.");
            frame_.closeIfClosing();
            return;
        }
        *process = std::move(started.process);
        pending_ = std::move(request);
        pendingRoot_ = std::move(root);
        run.dropResult();
        frame_.setActivity(WindowActivity::Formatting);
        run.showStatus(
            L"Formatting as exFAT. Keep the drive connected; this operation cannot be "
            L"cancelled.");
        frame_.comparison().showDetails(
            L"The reviewed volume is being formatted. Benchmarking "
            L"is disabled until Windows finishes.");
        run.showProgress(0);
        startWaiter(std::move(process));
    } catch (const std::exception& error) {
        if (frame_.activity() == WindowActivity::Elevating)
            frame_.setActivity(WindowActivity::Idle);
        frame_.services().showMessageBox(frame_.handle(), fromUtf8(error.what()),
                                         kCannotFormatTitle, MB_OK | MB_ICONERROR);
        frame_.closeIfClosing();
    }
}

void FormatFlow::startWaiter(std::unique_ptr<UniqueKernelHandle> process) {
    // The cell goes to the thread only once the thread exists.
    UniqueKernelHandle* handed = process.get();
    const HWND window = frame_.handle();
    try {
        waiter_ = std::thread([window, handed] {
            waitForFormatProcess(window, std::unique_ptr<UniqueKernelHandle>(handed));
        });
        process.release();
    } catch (const std::exception&) {
        // No thread: the script runs elevated all the same, so wait for it here rather than
        // leave the window busy for ever or lose sight of the format.
        onFormatExited(exitCodeAfterWaiting(process->get()));
    }
}

void FormatFlow::onFormatExited(DWORD exitCode) {
    // Only the waiter of a running format may end it; a stray message changes nothing.
    if (frame_.activity() != WindowActivity::Formatting || !pending_)
        return;
    joinBackgroundWork();
    frame_.setActivity(WindowActivity::Idle);
    const FormatRequest request = std::move(*pending_);
    pending_.reset();

    const FormatVerdict verdict =
        verifyFormatOutcome(exitCode, request, [this] { return queries_->review(pendingRoot_); });

    SetupPanel& setup = frame_.setup();
    setup.clearFolder();
    setup.refreshDrives();
    setup.updateSummary();
    RunControl& run = frame_.runControl();
    run.showStatus(fromUtf8(verdict.status));
    frame_.comparison().showDetails(fromUtf8(verdict.details));
    run.showProgress(verdict.verified ? 100 : 0);
    if (frame_.closing()) {
        // The window goes next: the verdict must be seen before it does.
        frame_.services().showMessageBox(
            frame_.handle(), fromUtf8(verdict.status + "\r\n\r\n" + verdict.details),
            L"Orvane Varnolt - Format",
            static_cast<UINT>(MB_OK | (verdict.verified ? MB_ICONINFORMATION : MB_ICONWARNING)));
        frame_.closeIfClosing();
    }
}

}  // namespace orvane
