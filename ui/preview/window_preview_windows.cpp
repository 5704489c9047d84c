// The main window exactly as the program builds it, for looking at it in states the system or
// the program cannot be put into yet: "--high-contrast" forces that look (Wine has no
// high-contrast mode); "--with-results" fills the comparison from the results folder beside the
// program at once and selects the first row. "--format-dialog NAME" shows the format dialog's
// sample review with NAME typed and the confirmation switch on, to see how a name is judged.

#include "engine/windows_api.h"  // before any other Windows header

#include <cwchar>
#include <filesystem>

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include "engine/scope_exit.h"
#include "engine/unique_handle_windows.h"
#include "reports/report_import.h"
#include "reports/report_ranking.h"
#include "resources/resource_ids.h"
#include "ui/desktop_services_windows.h"
#include "ui/format_dialog_data.h"
#include "ui/format_dialog_text.h"
#include "ui/format_dialog_windows.h"
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

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr)
        return 1;
    orvane::UniqueLocalMemory ownArguments(reinterpret_cast<HLOCAL>(arguments));
    bool highContrast = false;
    bool withResults = false;
    for (int i = 1; i < count; ++i) {
        if (std::wcscmp(arguments[i], L"--format-dialog") == 0 && i + 1 < count)
            return showFormatDialogWithName(arguments[i + 1]);
        highContrast = highContrast || std::wcscmp(arguments[i], L"--high-contrast") == 0;
        withResults = withResults || std::wcscmp(arguments[i], L"--with-results") == 0;
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
    orvane::Win32DesktopServices services;
    orvane::MainWindow window(services, std::filesystem::path(program).parent_path() / L"results");
    if (highContrast)
        window.overrideHighContrast(true);
    if (!window.create(instance))
        return 1;
    if (withResults) {
        std::error_code error;
        for (const auto& entry :
             std::filesystem::directory_iterator(window.state().resultsFolder, error)) {
            try {
                orvane::addOrReplaceReport(window.state().reports,
                                           orvane::loadReportFile(entry.path(), true));
            } catch (const std::exception&) {
                // a preview shows what loads
            }
        }
        window.refreshComparison();
        ListView_SetItemState(window.comparisonList(), 0, LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
    }
    window.show(showCommand);
    return window.runMessageLoop();
}
