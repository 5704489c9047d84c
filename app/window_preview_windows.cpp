// The main window exactly as the program builds it, for looking at it in states the system or
// the program cannot be put into yet: "--high-contrast" forces that look (Wine has no
// high-contrast mode); "--with-results" fills the comparison from the results folder beside the
// program at once and selects the first row; "--start-run FOLDER" presses Start for a Quick run
// of that folder once the saved reports are loaded, the save dialog that follows is answered
// with Cancel and the details box then takes the focus; with "--hold-part-way" that run stops
// moving at 40 percent.
// "--format-dialog NAME" shows the format dialog's sample review with NAME typed and the
// confirmation switch on, to see how a name is judged.

#include "platform/windows_api.h"  // before any other Windows header

#include <atomic>
#include <cwchar>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include "engine/benchmark_run.h"
#include "platform/scope_exit.h"
#include "platform/unique_handle_windows.h"
#include "reports/report_import.h"
#include "resources/resource_ids.h"
#include "ui/desktop_services_windows.h"
#include "ui/format_dialog_data.h"
#include "ui/format_dialog_text.h"
#include "ui/format_dialog_windows.h"
#include "ui/main_window_ids.h"
#include "ui/main_window_windows.h"

namespace {

// The real dialog procedure, with the switch turned on once the dialog is set up.
INT_PTR CALLBACK switchedOnFormatDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    const INT_PTR result = orvane::formatDialogProcedure(dialog, message, wParam, lParam);
    if (message == WM_INITDIALOG) {
        SendDlgItemMessageW(dialog, IDC_FORMAT_CONFIRM, BM_SETCHECK, BST_CHECKED, 0);
        orvane::updateFormatDialog(dialog);
    }
    return result;
}

int showFormatDialogWithName(const wchar_t* name) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    orvane::FormatDialogData data = orvane::previewFormatDialogData();
    data.label = name;
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_FORMAT_DIALOG), nullptr,
                    switchedOnFormatDialog, reinterpret_cast<LPARAM>(&data));
    return 0;
}

// The real dialogs, except that a save is always declined: the picture shows the window.
class DecliningSaveServices final : public orvane::DesktopServices {
  public:
    int showMessageBox(HWND owner, const std::wstring& text, const std::wstring& title,
                       UINT type) override {
        return real_.showMessageBox(owner, text, title, type);
    }
    std::optional<std::filesystem::path> chooseFolder(HWND owner,
                                                      const std::wstring& title) override {
        return real_.chooseFolder(owner, title);
    }
    std::vector<std::filesystem::path> chooseFilesToOpen(HWND owner, const std::wstring& title,
                                                         const std::wstring& typeName,
                                                         const std::wstring& pattern) override {
        return real_.chooseFilesToOpen(owner, title, typeName, pattern);
    }
    std::optional<std::filesystem::path> chooseSaveFile(HWND,
                                                        const orvane::SaveFileRequest&) override {
        return std::nullopt;
    }
    void openFolder(HWND owner, const std::filesystem::path& folder) override {
        real_.openFolder(owner, folder);
    }
    INT_PTR showFormatDialog(HWND owner, orvane::FormatDialogData& data) override {
        return real_.showFormatDialog(owner, data);
    }
    orvane::ElevatedStart launchElevated(HWND owner, const std::filesystem::path& program,
                                         const std::wstring& parameters,
                                         const std::filesystem::path& directory) override {
        return real_.launchElevated(owner, program, parameters, directory);
    }

  private:
    orvane::Win32DesktopServices real_;
};

// The product's run, stopped at 40 percent until it is cancelled.
orvane::RunResult runHeldPartWay(const orvane::RunOptions& options,
                                 const std::atomic<bool>& cancelRequested,
                                 const orvane::ProgressCallback& progress) {
    return orvane::runBenchmark(options, cancelRequested, [&](const orvane::Progress& notice) {
        progress(notice);
        while (notice.percent >= 40 && notice.percent < 100 && !cancelRequested.load())
            Sleep(50);
    });
}

orvane::MainWindow* previewWindow = nullptr;

// Once the run has finished, the details box takes the focus: the new row must stay highlighted.
void CALLBACK focusDetailsWhenFinished(HWND window, UINT, UINT_PTR timer, DWORD) {
    if (previewWindow == nullptr || previewWindow->busy() ||
        previewWindow->runControl().currentResult() == nullptr) {
        return;
    }
    KillTimer(window, timer);
    SetFocus(previewWindow->control(orvane::IDC_DETAILS));
}

// Presses Start once the start-up load has finished.
void CALLBACK startWhenIdle(HWND window, UINT, UINT_PTR timer, DWORD) {
    if (previewWindow == nullptr || previewWindow->busy())
        return;
    KillTimer(window, timer);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(orvane::IDC_START, BN_CLICKED),
                 reinterpret_cast<LPARAM>(previewWindow->control(orvane::IDC_START)));
    SetTimer(window, 3, 100, focusDetailsWhenFinished);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr)
        return 1;
    orvane::UniqueLocalMemory ownArguments(reinterpret_cast<HLOCAL>(arguments));
    bool highContrast = false;
    bool withResults = false;
    bool holdPartWay = false;
    const wchar_t* runFolder = nullptr;
    for (int i = 1; i < count; ++i) {
        if (std::wcscmp(arguments[i], L"--format-dialog") == 0 && i + 1 < count)
            return showFormatDialogWithName(arguments[i + 1]);
        highContrast = highContrast || std::wcscmp(arguments[i], L"--high-contrast") == 0;
        withResults = withResults || std::wcscmp(arguments[i], L"--with-results") == 0;
        holdPartWay = holdPartWay || std::wcscmp(arguments[i], L"--hold-part-way") == 0;
        if (std::wcscmp(arguments[i], L"--start-run") == 0 && i + 1 < count)
            runFolder = arguments[++i];
    }

    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    orvane::ScopeExit uninitialize([com] {
        if (SUCCEEDED(com))
            CoUninitialize();
    });
    INITCOMMONCONTROLSEX controls{sizeof(controls),
                                  ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);

    wchar_t program[32768] = {};
    GetModuleFileNameW(nullptr, program, 32768);
    DecliningSaveServices services;
    orvane::MainWindow window(services, std::filesystem::path(program).parent_path() / L"results");
    if (highContrast)
        window.overrideHighContrast(true);
    if (holdPartWay) {
        orvane::BackgroundWork work = orvane::BackgroundWork::product();
        work.run = runHeldPartWay;
        window.setBackgroundWork(std::move(work));
    }
    if (!window.create(instance))
        return 1;
    if (runFolder != nullptr) {
        SetWindowTextW(window.control(orvane::IDC_FOLDER), runFolder);
        SendMessageW(window.control(orvane::IDC_DEPTH), CB_SETCURSEL, 0, 0);  // Quick
        SendMessageW(window.handle(), WM_COMMAND, MAKEWPARAM(orvane::IDC_DEPTH, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(window.control(orvane::IDC_DEPTH)));
        previewWindow = &window;
        SetTimer(window.handle(), 1, 100, startWhenIdle);
    }
    if (withResults) {
        std::vector<orvane::SavedReport> rows;
        std::error_code error;
        for (const auto& entry :
             std::filesystem::directory_iterator(window.resultsFolder().folder(), error)) {
            try {
                rows.push_back(orvane::loadReportFile(entry.path(), true));
            } catch (const std::exception&) {
                // a preview shows what loads
            }
        }
        window.comparison().addRows(std::move(rows));
        ListView_SetItemState(window.control(orvane::IDC_COMPARISON), 0,
                              LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
    window.show(showCommand);
    return window.runMessageLoop();
}
