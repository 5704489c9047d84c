// The main window exactly as the program builds it, for looking at it in states the system or
// the program cannot be put into yet: "--high-contrast" forces that look (Wine has no
// high-contrast mode); "--with-results" fills the comparison from the results folder beside the
// program at once and selects the first row.

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
#include "ui/desktop_services_windows.h"
#include "ui/main_window_windows.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr)
        return 1;
    orvane::UniqueLocalMemory ownArguments(reinterpret_cast<HLOCAL>(arguments));
    bool highContrast = false;
    bool withResults = false;
    for (int i = 1; i < count; ++i) {
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
